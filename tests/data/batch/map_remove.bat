@echo off
:: Takes the pack's maps back out of the game folder
cd /d "%~dp0"
cd ..\..\Game
del /q maps\dm03.map maps\dm04.map
del /q maps\ctf03.map
if exist maps\extra rd /s /q maps\extra
echo Removed.
