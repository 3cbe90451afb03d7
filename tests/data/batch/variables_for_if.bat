@echo off
setlocal EnableDelayedExpansion
set GAME=%CD%
set COUNT=0
for %%m in ("%~dp0maps\*.map") do (
    set /a COUNT+=1
    copy /y "%%m" "!GAME!\maps\" >nul
    echo !COUNT!: %%~nm
)
if !COUNT! EQU 0 echo No maps found.
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" (
    copy /y "%~dp0config\autoexec.cfg" "%GAME%\autoexec.cfg"
) else (
    echo 32-bit system, skipping autoexec
)
endlocal
