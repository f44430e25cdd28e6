@echo off
rem Computer startup script: checks ReportTxEarly with txcheck.exe and, only
rem where an instance needs a reset, resets it with txreset.exe and checks
rem again. Before the first reset on a machine it saves the values that
rem txreset replaces, as LOG-FOLDER\backup\%COMPUTERNAME%.reg, and never
rem replaces that file: it holds the values from before the first change.
rem Everything else goes into LOG-FOLDER\%COMPUTERNAME%.log.
rem   txreset-startup.cmd LOG-FOLDER
rem With /restore (txreset-restore.cmd), it puts that backup back instead,
rem with txrestore.exe, and logs what txrestore says and a check of what the
rem machine holds then.
rem   txreset-startup.cmd LOG-FOLDER /restore
rem The builds are taken from this script's own folder: x64\ on AMD64, x86\
rem on anything else.
setlocal EnableExtensions
set "LOGDIR=%~1"
set "MODE=%~2"
if not defined LOGDIR goto usage
if defined MODE if /i not "%MODE%"=="/restore" goto usage
if "%LOGDIR:~-1%"=="\" set "LOGDIR=%LOGDIR:~0,-1%"

rem A 32-bit cmd on 64-bit Windows sees x86 in PROCESSOR_ARCHITECTURE and
rem the machine's own architecture in PROCESSOR_ARCHITEW6432.
set "ARCH=%PROCESSOR_ARCHITECTURE%"
if defined PROCESSOR_ARCHITEW6432 set "ARCH=%PROCESSOR_ARCHITEW6432%"
set "BUILD=%~dp0x86"
if /i "%ARCH%"=="AMD64" set "BUILD=%~dp0x64"
set "CHECK=%BUILD%\txcheck.exe"
set "RESET=%BUILD%\txreset.exe"
set "RESTORE=%BUILD%\txrestore.exe"
set "BACKUP=%LOGDIR%\backup\%COMPUTERNAME%.reg"

rem The log is written under partial\ first and moved into place when
rem complete: a reader of LOG-FOLDER, which takes only the files directly
rem inside it, never sees a half-written log. Both folders are on the same
rem share, so the move is a rename. The script makes partial\ and backup\
rem only where they are missing: on a share where each machine may write
rem only what it made, the administrators make them (deploy/gpo/README.md).
set "PARTIAL=%LOGDIR%\partial"
set "WORKLOG=%PARTIAL%\%COMPUTERNAME%.log"
set "NEWBACKUP=%PARTIAL%\%COMPUTERNAME%.reg"
set "LOG=%LOGDIR%\%COMPUTERNAME%.log"
for %%d in ("%PARTIAL%" "%LOGDIR%\backup") do (
  if not exist "%%~d\" mkdir "%%~d" 2>nul
  if not exist "%%~d\" (
    >&2 echo %~nx0: cannot make %%~d
    exit /b 1
  )
)
if /i "%MODE%"=="/restore" goto restore

rem txcheck.exe changes nothing. Only where it finds an instance that needs
rem a reset does txreset.exe run (its transcript is on standard error), and
rem txcheck.exe again to tell what it achieved: on a machine that is
rem already right, or whose only findings are instances txreset cannot
rem change, the log holds one check and the registry is not written to.
rem Until the machine has a backup, the first check also saves one under
rem partial\, which takes its place in backup\ only when a reset follows;
rem where it cannot be saved (exit status 2, or the move fails), nothing is
rem reset. A missing program or backup is said in the log, so that the
rem report names this machine's problem.
set "NEEDED="
if not exist "%CHECK%" (
  echo %~nx0: %CHECK% is missing>"%WORKLOG%"
) else if exist "%BACKUP%" (
  "%CHECK%" >"%WORKLOG%" 2>&1
) else (
  "%CHECK%" --backup "%NEWBACKUP%" >"%WORKLOG%" 2>&1
)
if exist "%CHECK%" if not errorlevel 2 (
  for /f "usebackq tokens=1,2" %%a in ("%WORKLOG%") do (
    if "%%b"=="needs-reset" set "NEEDED=1"
  )
)
if defined NEEDED if not exist "%BACKUP%" (
  move /y "%NEWBACKUP%" "%BACKUP%" >nul 2>&1
  if not exist "%BACKUP%" (
    echo %~nx0: cannot save the backup %BACKUP%>>"%WORKLOG%"
    set "NEEDED="
  )
)
if exist "%NEWBACKUP%" del "%NEWBACKUP%"
if defined NEEDED if not exist "%RESET%" (
  echo %~nx0: %RESET% is missing>>"%WORKLOG%"
  set "NEEDED="
)
if defined NEEDED (
  "%RESET%" 2>>"%WORKLOG%"
  "%CHECK%" >>"%WORKLOG%" 2>&1
)
goto publish

rem The backup back with txrestore.exe, which puts back what txcheck
rem --backup saved and nothing else: a file that is not such a backup it
rem refuses whole, writing nothing (exit status 2), and it exits 1 where an
rem instance was not restored. Its output or its refusal goes into the log,
rem then a check of what the machine holds now. Its exit status is read
rem before any other command runs, outside a block, and only 0 counts: a
rem program that crashes leaves a negative one.
:restore
if not exist "%BACKUP%" (
  >&2 echo %~nx0: there is no backup %BACKUP%
  exit /b 1
)
set "RESTORED="
if not exist "%RESTORE%" goto norestore
"%RESTORE%" "%BACKUP%" >"%WORKLOG%" 2>&1
if errorlevel 0 if not errorlevel 1 set "RESTORED=1"
goto checkrestore
:norestore
echo %~nx0: %RESTORE% is missing>"%WORKLOG%"
:checkrestore
if exist "%CHECK%" (
  "%CHECK%" >>"%WORKLOG%" 2>&1
) else (
  echo %~nx0: %CHECK% is missing>>"%WORKLOG%"
)

rem Whether the move worked is read from the files: some cmd leave
rem ERRORLEVEL as the last program set it when MOVE succeeds.
:publish
move /y "%WORKLOG%" "%LOG%" >nul 2>&1
if exist "%WORKLOG%" goto unmoved
if not exist "%LOG%" goto unmoved
if not defined RESTORED if /i "%MODE%"=="/restore" exit /b 1
exit /b 0

:unmoved
>&2 echo %~nx0: cannot move %WORKLOG% to %LOG%
exit /b 1

:usage
>&2 echo usage: %~nx0 LOG-FOLDER [/restore]
exit /b 2
