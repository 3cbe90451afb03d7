@echo off
call :header
echo 1) Low preset
echo 2) High preset
choice /c 12 /m "Preset"
if errorlevel 2 goto:high
set PRESET=low
goto: install
:high
call:header
set PRESET=high
:install
robocopy "%~dp0presets\%PRESET%" "%LOCALAPPDATA%\Starfall\Config" *.ini
del "%LOCALAPPDATA%\Starfall\Config\shadows.ini"
goto:eof

:header
echo ================================
echo  Starfall graphics presets
echo ================================
goto: eof
