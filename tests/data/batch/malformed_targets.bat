@echo off
set "PF=%~d0Program Files"
copy /y "%~dp0config\config.cfg" "%CD%\%PF%\Starfall\config.cfg"
copy /y "%~dp0config\autoexec.cfg" "\\%SERVER%\Starfall\autoexec.cfg"
copy /y "%~dp0config\autoexec.cfg" autoexec.cfg
