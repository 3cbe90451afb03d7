@echo off
if "%1"=="uninstall" goto remove
if not "%~1"=="" set TARGET=%~1
if not defined TARGET set TARGET=maps
copy /y "%~dp0maps\*.map" "%TARGET%\"
goto :eof
:remove
del maps\dm03.map maps\dm04.map
