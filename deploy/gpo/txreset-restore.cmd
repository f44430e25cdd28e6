@echo off
rem Backs out txreset on this machine: imports the values that
rem txreset-startup.cmd saved before its first reset here,
rem LOG-FOLDER\backup\%COMPUTERNAME%.reg, then writes a check to
rem LOG-FOLDER\%COMPUTERNAME%.log for txreport. Run it as the startup
rem script in place of txreset-startup.cmd, or by hand from an elevated
rem prompt, beside it and its x86\ and x64\ folders.
rem   txreset-restore.cmd LOG-FOLDER
rem Exit status: 0 when the backup was imported and the log is in place, 1
rem otherwise, 2 without a log folder.
if "%~1"=="" (
  >&2 echo usage: %~nx0 LOG-FOLDER
  exit /b 2
)
call "%~dp0txreset-startup.cmd" "%~1" /restore
