@echo off
title German translation
echo Deutsche Uebersetzung wird installiert...
if not exist text\en\menu.txt goto notfound
if not exist text\en.orig md text\en.orig
copy text\en\*.txt text\en.orig\ > nul
copy /y "%~dp0lang\de\*.txt" text\en\ > nul
echo Fertig.
goto end
:notfound
echo Das Spiel wurde nicht gefunden. Bitte in den Spielordner kopieren.
:end
pause
