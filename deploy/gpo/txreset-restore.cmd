@echo off
rem Backs out txreset on this machine: puts back, with txrestore.exe, the
rem values that txreset-startup.cmd saved before its first reset here,
rem LOG-FOLDER\backup\%COMPUTERNAME%.reg, and nothing else. What txrestore
rem says (or its refusal of the file) and a check of what the machine holds
rem then go to LOG-FOLDER\%COMPUTERNAME%.log for txreport. Run it as the
rem startup script in place of txreset-startup.cmd, or by hand from an
rem elevated prompt, beside it and its x86\ and x64\ folders.
rem   txreset-restore.cmd LOG-FOLDER
rem Exit status: 0 when every instance in the backup holds what it saved and
rem the log is in place; 1 when the backup is missing or refused, an
rem instance was not restored, a program is missing, or the log is not in
rem place; 2 without a log folder. The log's lines of the script's own name
rem this script.
if "%~1"=="" (
  >&2 echo usage: %~nx0 LOG-FOLDER
  exit /b 2
)
call "%~dp0txreset-startup.cmd" "%~1" /restore "%~nx0"
