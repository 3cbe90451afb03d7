@echo off
rem Widescreen patch for the disc image. Make a copy of game.bin first!
if not exist disc\game.bin (
    echo disc\game.bin not found
    pause
    exit /b 1
)
copy disc\game.bin disc\game.bin.bak
"%~dp0ApplyPPF3.exe" a disc\game.bin "%~dp0patches\widescreen.ppf"
echo Patched.
pause
