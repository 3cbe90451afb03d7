@echo off
for %%l in (de fr) do (
    if exist "%~dp0lang\%%l" (
        for %%f in ("%~dp0lang\%%l\*.txt") do (
            if not exist "text\%%l" md "text\%%l"
            copy /y "%%f" "text\%%l\%%~nxf" >nul
        )
    )
)
for /l %%n in (1,1,3) do echo slot%%n>>save\slots.txt
