@echo off
rem Computer startup script: checks ReportTxEarly with txcheck.exe and, only
rem where an instance needs a reset, resets it with txreset.exe and checks
rem again. Before the first reset on a machine it saves the values that
rem txreset replaces, as LOG-FOLDER\backup\%COMPUTERNAME%.reg, and never
rem replaces that file: it holds the values from before the first change.
rem Everything else goes into LOG-FOLDER\%COMPUTERNAME%.log.
rem   txreset-startup.cmd LOG-FOLDER
rem With /restore (txreset-restore.cmd, which gives its own name for the
rem log's lines), it puts that backup back instead, with txrestore.exe, and
rem logs what txrestore says and a check of what the machine holds then.
rem   txreset-startup.cmd LOG-FOLDER /restore [NAME]
rem With /stdout, for a run in a private folder that holds the script and
rem its x86\ and x64\ folders (the Ansible roles), the same is done without
rem a log folder: the log goes to standard output once complete, and the
rem backup is backup.reg beside the script. /backup saves it with the first
rem check, where a reset follows (the caller keeps none yet); /check only
rem checks; /restore puts it back, and with /check only says what it would
rem put back. Exit status 0 when the programs ran, whatever they found; 1,
rem saying why on standard error too, when one of them could not.
rem   txreset-startup.cmd /stdout [/backup or /check]
rem   txreset-startup.cmd /stdout /restore [/check]
setlocal EnableExtensions
set "SCRIPT=%~nx0"
set "STDOUT="
set "KEEP="
set "CHECKONLY="
set "RESTOREOPTIONS="
set "FAILED="
if /i "%~1"=="/stdout" goto stdoutmode
set "LOGDIR=%~1"
set "MODE=%~2"
if not "%~3"=="" set "SCRIPT=%~3"
if not defined LOGDIR goto usage
if defined MODE if /i not "%MODE%"=="/restore" goto usage
if "%LOGDIR:~-1%"=="\" set "LOGDIR=%LOGDIR:~0,-1%"
goto modeset
:stdoutmode
set "STDOUT=1"
set "LOGDIR=%~dp0"
set "LOGDIR=%LOGDIR:~0,-1%"
set "MODE="
set "OPTION=%~2"
if /i "%OPTION%"=="/restore" (
  set "MODE=/restore"
  set "OPTION=%~3"
  if not "%~4"=="" goto usage
) else if not "%~3"=="" goto usage
if /i "%OPTION%"=="/backup" if not defined MODE (
  set "KEEP=1"
  set "OPTION="
)
if /i "%OPTION%"=="/check" (
  set "CHECKONLY=1"
  set "OPTION="
)
if defined OPTION goto usage
if defined CHECKONLY set "RESTOREOPTIONS=--check"
:modeset
set "PROGRAMS=txcheck.exe txreset.exe"
if defined CHECKONLY set "PROGRAMS=txcheck.exe"
if /i "%MODE%"=="/restore" set "PROGRAMS=txrestore.exe txcheck.exe"

rem The build, from this script's own folder: x86\ runs wherever Windows
rem runs 32-bit programs, x64\ on AMD64 only. An AMD64 machine takes x64\
rem where it holds every program this run needs; otherwise, where it runs
rem 32-bit programs (WOW64: %SystemRoot%\SysWOW64 is there), x86\, and the
rem log's first line says so. Any other machine takes x86\. A 32-bit cmd on
rem 64-bit Windows sees x86 in PROCESSOR_ARCHITECTURE and the machine's own
rem architecture in PROCESSOR_ARCHITEW6432.
set "ARCH=%PROCESSOR_ARCHITECTURE%"
if defined PROCESSOR_ARCHITEW6432 set "ARCH=%PROCESSOR_ARCHITEW6432%"
set "BUILD=x86"
if /i "%ARCH%"=="AMD64" set "BUILD=x64"
set "LACKING="
if "%BUILD%"=="x64" for %%p in (%PROGRAMS%) do (
  if not defined LACKING if not exist "%~dp0x64\%%p" set "LACKING=%%p"
)
set "FALLBACK="
if defined LACKING if exist "%SystemRoot%\SysWOW64\" set "FALLBACK=1"
if defined FALLBACK set "BUILD=x86"
set "CHECK=%~dp0%BUILD%\txcheck.exe"
set "RESET=%~dp0%BUILD%\txreset.exe"
set "RESTORE=%~dp0%BUILD%\txrestore.exe"
set "BACKUP=%LOGDIR%\backup\%COMPUTERNAME%.reg"
if defined STDOUT set "BACKUP=%LOGDIR%\backup.reg"

rem The log is written under partial\ first and moved into place when
rem complete: a reader of LOG-FOLDER, which takes only the files directly
rem inside it, never sees a half-written log. Both folders are on the same
rem share, so the move is a rename. The script makes partial\ and backup\
rem only where they are missing: on a share where each machine may write
rem only what it made, the administrators make them (deploy/gpo/README.md).
rem What the script says itself goes into the log as "NAME: TEXT" lines,
rem which txreport reads: before the programs' output, what the run did
rem otherwise; last, what it could not do. With /stdout, the log is made
rem beside the script, and the backup saved in its place at once.
set "PARTIAL=%LOGDIR%\partial"
set "WORKLOG=%PARTIAL%\%COMPUTERNAME%.log"
set "NEWBACKUP=%PARTIAL%\%COMPUTERNAME%.reg"
set "LOG=%LOGDIR%\%COMPUTERNAME%.log"
if defined STDOUT (
  set "WORKLOG=%LOGDIR%\%COMPUTERNAME%.log"
  set "NEWBACKUP=%BACKUP%"
  goto logready
)
if not exist "%BACKUP%" set "KEEP=1"
for %%d in ("%PARTIAL%" "%LOGDIR%\backup") do (
  if not exist "%%~d\" mkdir "%%~d" 2>nul
  if not exist "%%~d\" (
    >&2 echo %SCRIPT%: cannot make %%~d
    exit /b 1
  )
)
:logready
type nul >"%WORKLOG%"
if defined FALLBACK (
  >>"%WORKLOG%" echo %SCRIPT%: x64\%LACKING% is missing: running x86\ under WOW64
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
rem report names this machine's problem. With /stdout /backup, a backup
rem that txcheck.exe did not save is such a problem, whatever it found;
rem with /check, the one check is all.
set "NEEDED="
if not exist "%CHECK%" (
  set "PROBLEM=%CHECK% is missing"
  call :problem
) else if not defined KEEP (
  "%CHECK%" >>"%WORKLOG%" 2>&1
) else (
  "%CHECK%" --backup "%NEWBACKUP%" >>"%WORKLOG%" 2>&1
)
if exist "%CHECK%" if not errorlevel 2 (
  for /f "usebackq tokens=1,2" %%a in ("%WORKLOG%") do (
    if "%%b"=="needs-reset" set "NEEDED=1"
  )
)
if defined CHECKONLY goto publish
if defined STDOUT if defined KEEP if exist "%CHECK%" if not exist "%BACKUP%" set "NEEDED=1"
if defined NEEDED if defined KEEP if not exist "%BACKUP%" (
  move /y "%NEWBACKUP%" "%BACKUP%" >nul 2>&1
  if not exist "%BACKUP%" (
    set "PROBLEM=cannot save the backup %BACKUP%"
    call :problem
    set "NEEDED="
  )
)
if exist "%NEWBACKUP%" if not defined NEEDED del "%NEWBACKUP%"
if exist "%NEWBACKUP%" if not defined STDOUT del "%NEWBACKUP%"
if defined NEEDED if not exist "%RESET%" (
  set "PROBLEM=%RESET% is missing"
  call :problem
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
rem program that crashes leaves a negative one. Without a backup, the log
rem says there is nothing to put back, then holds the check; without
rem txrestore.exe, nothing is put back and the log ends saying so.
:restore
set "RESTORED="
if exist "%BACKUP%" goto restorebackup
set "NOBACKUP=%SCRIPT%: there is no backup %BACKUP%: nothing to put back"
>>"%WORKLOG%" echo %NOBACKUP%
>&2 echo %NOBACKUP%
set "FAILED=1"
goto checkrestore
:restorebackup
if not exist "%RESTORE%" goto norestore
"%RESTORE%" %RESTOREOPTIONS% "%BACKUP%" >>"%WORKLOG%" 2>&1
if errorlevel 0 if not errorlevel 1 set "RESTORED=1"
goto checkrestore
:norestore
set "PROBLEM=%RESTORE% is missing"
call :problem
goto publish
:checkrestore
if exist "%CHECK%" (
  "%CHECK%" >>"%WORKLOG%" 2>&1
) else (
  set "PROBLEM=%CHECK% is missing"
  call :problem
)

rem Whether the move worked is read from the files: some cmd leave
rem ERRORLEVEL as the last program set it when MOVE succeeds.
:publish
if defined STDOUT goto stdoutpublish
move /y "%WORKLOG%" "%LOG%" >nul 2>&1
if exist "%WORKLOG%" goto unmoved
if not exist "%LOG%" goto unmoved
if not defined RESTORED if /i "%MODE%"=="/restore" exit /b 1
exit /b 0

:unmoved
>&2 echo %SCRIPT%: cannot move %WORKLOG% to %LOG%
exit /b 1

rem With /stdout, the log is written out whole, once the programs have
rem ended, and removed.
:stdoutpublish
type "%WORKLOG%"
del "%WORKLOG%"
if defined FAILED exit /b 1
exit /b 0

rem A line of the log that says what the script could not do, PROBLEM;
rem with /stdout, on standard error too.
:problem
>>"%WORKLOG%" echo %SCRIPT%: %PROBLEM%
if defined STDOUT >&2 echo %SCRIPT%: %PROBLEM%
set "FAILED=1"
exit /b 0

:usage
>&2 echo usage: %SCRIPT% LOG-FOLDER [/restore [NAME]]
>&2 echo    or: %SCRIPT% /stdout [/backup ^| /check ^| /restore [/check]]
exit /b 2
