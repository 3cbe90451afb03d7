@echo off
rem Keeps the original intro videos and puts the short ones in
cd sound
ren music music_original
md music
copy "%~dp0sound\music\*.ogg" music
cd ..
move /y save\slot1.sav save\slot1.keep
