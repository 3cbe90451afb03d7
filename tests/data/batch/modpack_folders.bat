@echo off
echo === HD texture pack ===
echo Backing up the original textures...
if not exist "backup" mkdir "backup"
move /y data\textures.pak backup\textures.pak
echo Copying the new files...
copy /y "%~dp0data\textures.pak" data\
xcopy "%~dp0data\hd" data\hd /s /e /i /y
copy /y "%~dp0sound\music\track01.ogg" sound\music\
echo.
echo All done. Have fun!
pause
