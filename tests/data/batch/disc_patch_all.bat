@echo off
setlocal
set PATCHER="%~dp0ApplyPPF3.exe"
set IMAGE=disc\game.bin
for %%p in ("%~dp0patches\*.ppf") do (
    echo Applying %%~nxp ...
    %PATCHER% a %IMAGE% "%%p"
)
endlocal
