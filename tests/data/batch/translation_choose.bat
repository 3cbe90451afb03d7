@echo off
echo 1 = Deutsch
echo 2 = Francais
choice /c 12 /m "Language"
if errorlevel 2 goto french
if errorlevel 1 goto german
:german
set LANG=de
goto install
:french
set LANG=fr
:install
xcopy "%~dp0lang\%LANG%\*.txt" "text\en\" /y
echo Language %LANG% installed.
