@ECHO OFF
REM Copies every map of the pack into the game's maps folder
IF NOT EXIST maps MD maps
COPY "%~dp0maps\*.map" maps >NUL
XCOPY "%~dp0maps\extra" maps\extra\ /E /Y /Q
ECHO Maps installed.
