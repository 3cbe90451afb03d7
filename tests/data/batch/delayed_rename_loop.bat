@echo off
setlocal enabledelayedexpansion
cd maps
for %%f in (dm*.map) do (
    set NAME=%%~nf
    ren "%%f" "!NAME!_classic.map"
)
cd ..
endlocal
