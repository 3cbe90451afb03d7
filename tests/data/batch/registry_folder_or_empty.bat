@echo off
set "G="
reg query "HKLM\Software\Starfall" /v Path >nul 2>&1
if not errorlevel 1 for /f "tokens=2*" %%a in ('reg query "HKLM\Software\Starfall" /v Path') do set "G=%%b"
if not defined G (
  echo Starfall was not found in the registry.
)
set "T=%G%\Data\Loc"
xcopy "%~dp0po files\*" "%T%\" /E /I /Y
