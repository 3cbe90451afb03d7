@echo off
echo 1 = German, 2 = French
set /p opt=Choose a language: 
if "%opt%"=="1" goto german
if "%opt%"=="2" goto french
echo Nothing chosen.
goto end
:german
xcopy "%~dp0lang\de\*" text\en\ /Y
goto end
:french
xcopy "%~dp0lang\fr\*" text\en\ /Y
:end
echo Done.
