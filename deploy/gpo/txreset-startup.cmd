@echo off
rem Computer startup script: checks ReportTxEarly with txcheck.exe and, only
rem where an instance needs it, resets it with txreset.exe and checks again.
rem Everything goes into LOG-FOLDER\%COMPUTERNAME%.log.
rem   txreset-startup.cmd LOG-FOLDER
rem The builds are taken from this script's own folder: x64\ on AMD64, x86\
rem on anything else.
setlocal EnableExtensions
set "LOGDIR=%~1"
if not defined LOGDIR (
  >&2 echo usage: %~nx0 LOG-FOLDER
  exit /b 2
)
if "%LOGDIR:~-1%"=="\" set "LOGDIR=%LOGDIR:~0,-1%"

rem A 32-bit cmd on 64-bit Windows sees x86 in PROCESSOR_ARCHITECTURE and
rem the machine's own architecture in PROCESSOR_ARCHITEW6432.
set "ARCH=%PROCESSOR_ARCHITECTURE%"
if defined PROCESSOR_ARCHITEW6432 set "ARCH=%PROCESSOR_ARCHITEW6432%"
set "BUILD=%~dp0x86"
if /i "%ARCH%"=="AMD64" set "BUILD=%~dp0x64"
set "CHECK=%BUILD%\txcheck.exe"
set "RESET=%BUILD%\txreset.exe"

rem The log is written under partial\ first and moved into place when
rem complete: a reader of LOG-FOLDER, which takes only the files directly
rem inside it, never sees a half-written log. Both folders are on the same
rem share, so the move is a rename.
set "PARTIAL=%LOGDIR%\partial"
set "WORKLOG=%PARTIAL%\%COMPUTERNAME%.log"
set "LOG=%LOGDIR%\%COMPUTERNAME%.log"
if not exist "%PARTIAL%\" mkdir "%PARTIAL%" 2>nul
if not exist "%PARTIAL%\" (
  >&2 echo %~nx0: cannot make %PARTIAL%
  exit /b 1
)

rem txcheck.exe changes nothing and exits 1 when an instance needs a reset,
rem is blocked or is unreadable. Only then does txreset.exe run (its
rem transcript is on standard error), and txcheck.exe again to tell what it
rem achieved: on a machine that is already right, the log holds one check
rem and the registry is not written to. A missing program is said in the
rem log, so that the report names this machine's problem.
set "NEEDED="
if exist "%CHECK%" (
  "%CHECK%" >"%WORKLOG%" 2>&1
  if errorlevel 1 if not errorlevel 2 set "NEEDED=1"
) else (
  echo %~nx0: %CHECK% is missing>"%WORKLOG%"
)
if defined NEEDED if not exist "%RESET%" (
  echo %~nx0: %RESET% is missing>>"%WORKLOG%"
  set "NEEDED="
)
if defined NEEDED (
  "%RESET%" 2>>"%WORKLOG%"
  "%CHECK%" >>"%WORKLOG%" 2>&1
)
move /y "%WORKLOG%" "%LOG%" >nul
if errorlevel 1 (
  >&2 echo %~nx0: cannot move %WORKLOG% to %LOG%
  exit /b 1
)
exit /b 0
