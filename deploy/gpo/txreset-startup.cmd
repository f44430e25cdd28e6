@echo off
rem Computer startup script: runs txreset.exe with the build that fits this
rem machine and leaves its transcript in LOG-FOLDER\%COMPUTERNAME%.log.
rem   txreset-startup.cmd LOG-FOLDER
rem The builds are taken from this script's own folder: x64\txreset.exe on
rem AMD64, x86\txreset.exe on anything else.
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
set "EXE=%~dp0x86\txreset.exe"
if /i "%ARCH%"=="AMD64" set "EXE=%~dp0x64\txreset.exe"

rem The transcript is written under partial\ first and moved into place
rem when complete: a reader of LOG-FOLDER, which takes only the files
rem directly inside it, never sees a half-written log. Both folders are on
rem the same share, so the move is a rename.
set "PARTIAL=%LOGDIR%\partial"
set "WORKLOG=%PARTIAL%\%COMPUTERNAME%.log"
set "LOG=%LOGDIR%\%COMPUTERNAME%.log"
if not exist "%PARTIAL%\" mkdir "%PARTIAL%" 2>nul
if not exist "%PARTIAL%\" (
  >&2 echo %~nx0: cannot make %PARTIAL%
  exit /b 1
)

rem txreset.exe always exits 0: the transcript on standard error is what
rem tells. When the program is not there, that is said in the log instead,
rem so that the report names this machine's problem.
if exist "%EXE%" (
  "%EXE%" 2>"%WORKLOG%"
) else (
  echo %~nx0: %EXE% is missing>"%WORKLOG%"
)
move /y "%WORKLOG%" "%LOG%" >nul
if errorlevel 1 (
  >&2 echo %~nx0: cannot move %WORKLOG% to %LOG%
  exit /b 1
)
exit /b 0
