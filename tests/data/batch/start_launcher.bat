@echo off
copy /y "%~dp0config\autoexec.cfg" autoexec.cfg
echo Starting the game with the mod...
start "" launcher.exe +exec autoexec.cfg
exit
