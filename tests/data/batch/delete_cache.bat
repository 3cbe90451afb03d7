@echo off
echo Clearing the shader cache and the old map caches...
del /s /q *.cache 2>nul
del /f /q maps\*.bak
if exist "%LOCALAPPDATA%\Starfall\shadercache" rd /s /q "%LOCALAPPDATA%\Starfall\shadercache"
echo Done.
