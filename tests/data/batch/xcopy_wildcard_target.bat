@echo off
xcopy "%~dp0mods\*" "%CD%\mods\*" /S /Y
xcopy /y "%~dp0maps\*.map" "maps\*.*"
