@echo off
setlocal
set BACKUP=%~dp0backup
if not exist "%BACKUP%" md "%BACKUP%"
for %%f in (config.cfg data\base.pak data\sound.pak) do (
    if exist "%%f" copy /y "%%f" "%BACKUP%\%%~nxf" >nul
)
copy /y "%~dp0config\config.cfg" config.cfg
copy /y "%~dp0config\autoexec.cfg" autoexec.cfg
echo Original files are in %BACKUP%
endlocal
