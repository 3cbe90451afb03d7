@echo off
rem The game keeps its settings in the user's profile
set CFG=%APPDATA%\Starfall\settings.cfg
if exist "%CFG%" copy "%CFG%" "%CFG%.bak"
copy /y "%~dp0config\config.cfg" "%CFG%"
echo fov=90>>"%USERPROFILE%\Documents\Starfall\user.cfg"
