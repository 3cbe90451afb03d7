@echo off
set "data_dir=%CD%\data"
set "backup_dir=%~dp0backup"
for %%S in (base sound) do (
  "%~dp0tools\7z.exe" t "%~dp0pack.7z" >nul
  copy /y "%data_dir%\%%S.pak" "%backup_dir%"
)
move /y "%backup_dir%\*.pak" "%data_dir%"
