@echo off
for /l %%i in (1,1,10000) do for /l %%j in (1,1,10) do call :tick
copy /y "%~dp0config\config.cfg" config.cfg
goto :eof
:tick
goto :eof
