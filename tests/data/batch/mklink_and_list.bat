@echo off
rem A folder link in the profile, filled from the pack's list
mklink /j "%USERPROFILE%\Documents\StarfallMaps" "%CD%\maps"
for /f "usebackq eol=; delims=" %%f in ("%~dp0maps.txt") do copy /y "%~dp0maps\%%f" "%USERPROFILE%\Documents\StarfallMaps\"
