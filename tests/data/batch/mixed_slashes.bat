@echo off
rem Written by someone used to forward slashes
copy /y "%~dp0maps/dm03.map" "maps/dm03.map"
del maps/dm02.map
echo x> maps/installed.txt
