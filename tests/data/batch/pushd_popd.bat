@echo off
pushd "%~dp0"
copy /y config\autoexec.cfg "%CD%\config\autoexec.bak"
popd
pushd maps
del /q ctf02.map
copy /y "%~dp0maps\ctf03.map" .
popd
