@echo off
powershell -NoProfile -Command "Expand-Archive -Force '%~dp0mod.zip' '%CD%'"
copy /y "%~dp0config\autoexec.cfg" autoexec.cfg
