@echo off
choice /c HL /m "High or low detail"
if errorlevel 2 goto low
copy /y "%~dp0presets\high\*.ini" config\
goto done
:low
copy /y "%~dp0presets\low\*.ini" config\
:done
echo Preset installed.
