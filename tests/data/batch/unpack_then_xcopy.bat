@echo off
if not exist "%~dp0bin\Temp" md "%~dp0bin\Temp"
powershell -NoProfile -Command "Expand-Archive -Force '%~dp0mod.zip' '%~dp0bin\Temp'"
xcopy /s /y "%~dp0bin\Temp\pack-main" .
rd /s /q "%~dp0bin\Temp"
