@echo off
set /p LANG=Which language (de/fr)? 
copy /y "%~dp0lang\%LANG%\menu.txt" text\en\menu.txt
copy /y "%~dp0lang\%LANG%\dialog.txt" text\en\dialog.txt
echo OK
