@echo off
echo Setting the resolution in the registry...
regedit /s "%~dp0config\widescreen.reg"
copy /y "%~dp0config\config.cfg" config.cfg
