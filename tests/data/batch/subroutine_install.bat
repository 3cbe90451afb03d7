@echo off
call :put maps\dm03.map maps
call :put maps\ctf03.map maps
call :put config\autoexec.cfg .
echo Finished.
goto :eof

:put
echo   %~nx1
if not exist "%~2" md "%~2"
copy /y "%~dp0%~1" "%~2\" >nul
goto :eof
