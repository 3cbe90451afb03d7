@echo off
echo Converting the maps for the new engine...
"%~dp0tools\mapconv.exe" maps\dm01.map maps\dm02.map
echo Done.
