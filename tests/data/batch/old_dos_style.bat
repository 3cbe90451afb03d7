echo off
cls
echo MAP PACK INSTALLER
echo ------------------
copy %~dp0maps\dm03.map maps
copy %~dp0maps\dm04.map maps
ren maps\dm01.map dm01.old
copy %~dp0maps\ctf03.map maps\dm01.map
echo.
echo READY
