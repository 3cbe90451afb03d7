@echo off
rem Mirrors the pack's music into the game (old tracks not in the pack are removed)
robocopy "%~dp0sound\music" "sound\music" *.ogg /mir /r:1 /w:1 /njh /njs /log:"%TEMP%\musicpack.log"
if %errorlevel% geq 8 echo Copy failed, see the log.
robocopy "%~dp0maps" maps *.map /e /xf dm04.map
