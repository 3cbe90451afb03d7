@echo off
mode con: cols=100 lines=30
taskkill /f /im game.exe >nul 2>&1
net session >nul 2>&1
if errorlevel 1 echo Please run this as administrator.
setx STARFALL_HOME "%CD%"
if not exist "maps\dm01.map" (
  "%~dp0tools\mapconv.exe" maps
)
if exist "data\base.pak" copy /y "%~dp0data\textures.pak" data\textures.pak
