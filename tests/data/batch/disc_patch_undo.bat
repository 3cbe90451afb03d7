@echo off
REM Removes the undub patch again (the patch keeps the original bytes)
"%~dp0ApplyPPF3.exe" u "disc\game.bin" "%~dp0patches\undub.ppf"
if errorlevel 1 echo Could not undo the patch & pause
