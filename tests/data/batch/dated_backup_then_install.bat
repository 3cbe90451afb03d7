@echo off
set "STAMP=%date:/=-%"
xcopy config.cfg "backup_%STAMP%\" /Y /I
xcopy "%~dp0maps\*.map" "%APPDATA%\Starfall\maps\" /Y /E /Q
