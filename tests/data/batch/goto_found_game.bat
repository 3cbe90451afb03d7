@echo off
setlocal enabledelayedexpansion
set "GAME_DIR="
if exist "C:\Game\game.exe" (set "GAME_DIR=C:\Game" & goto :found_game)
if exist "D:\Games\Game\game.exe" (set "GAME_DIR=D:\Games\Game" & goto :found_game)
set /p GAME_DIR=Where is the game? 
:found_game
set OK=0
del "%GAME_DIR%\dxgi.dll" 2>nul
copy /y "%~dp0data\textures.pak" "%GAME_DIR%\data\" >nul && set /a OK+=1
echo   !OK! file copied.
