@echo off
for /f "delims=" %%a in ('dir starfall.ini /b /s') do set "D=%%a"
cd /d "%D:starfall.ini=%\sound\sfx\"
del shot.wav
copy /y "%~dp0sound\music\track01.ogg" "%cd%"
echo Sounds replaced.
