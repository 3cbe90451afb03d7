@echo off
echo Extracting the mod...
"%~dp0tools\7z.exe" x "%~dp0pack.7z" -o"%CD%" -y
if errorlevel 1 (
  echo Extraction failed.
  pause
  exit /b 1
)
del /q maps\*.tmp
echo Done.
