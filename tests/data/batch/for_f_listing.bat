@echo off
rem Installs every map named in the pack's list
for /f "usebackq delims=" %%m in ("%~dp0maps.txt") do copy /y "%~dp0maps\%%m" maps\
echo Installed.
