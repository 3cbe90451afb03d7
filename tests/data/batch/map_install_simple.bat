@echo off
echo Installing the Northern Front map pack...
copy /y "%~dp0maps\dm03.map" maps\
copy /y "%~dp0maps\dm04.map" maps\
copy /y "%~dp0maps\ctf03.map" maps\
echo Done! Start the game and pick the maps from the server list.
pause
