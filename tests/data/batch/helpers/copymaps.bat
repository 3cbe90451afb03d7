@echo off
rem Called by call_helper.bat with the target folder as %1
copy /y "%~dp0..\maps\dm03.map" %1
copy /y "%~dp0..\maps\dm04.map" %1
