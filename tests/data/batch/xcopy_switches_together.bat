@echo off
rem Copies the pack's maps and music over the game's, switches written together
xcopy "%~dp0maps" maps\ /E/H/Y
xcopy "%~dp0sound" sound\ /s/e/y
echo Done.
