@echo off
cd /d %~dp0
if not exist backup\*.* (
  echo No backup found.
  goto :eof
)
for %%f in (backup\*.*) do copy /y "%%f" "..\..\Game\%%~nxf"
del /q ..\..\Game\autoexec.cfg
