@echo off
rem Runs Solvane with the recording Quelbin.dll of this folder beneath the
rem module's own library, which it records: the maker's Quelbin.dll beside
rem Solvane.exe, or else the simulated module. Windows looks for a library in
rem the program's own folder first, where the maker's stands: so Solvane.exe
rem runs from a copy beside the recording library, in a folder of the user's
rem own, with the program's folder on PATH for Tarvox.dll.
rem This file is UTF-8: its accents show in the console's code page 65001.
chcp 65001 >nul
setlocal
for %%I in ("%~dp0..") do set "program=%%~fI"
if not defined SOLVANE_RECORD_LIBRARY (
    if exist "%program%\Quelbin.dll" (
        set "SOLVANE_RECORD_LIBRARY=%program%\Quelbin.dll"
    ) else (
        set "SOLVANE_RECORD_LIBRARY=%program%\Simulation\Quelbin.dll"
    )
)
if not defined SOLVANE_RECORD_DIR set "SOLVANE_RECORD_DIR=%USERPROFILE%\Documents\Solvane\Enregistrements"
set "copy=%LOCALAPPDATA%\Solvane\Enregistrement"
if not exist "%copy%" mkdir "%copy%"
rem Read from errorlevel: Wine's cmd takes "||" after a built-in command
rem whatever it returned.
copy /Y "%program%\Solvane.exe" "%copy%\Solvane.exe" >nul
if errorlevel 1 goto failed
copy /Y "%~dp0Quelbin.dll" "%copy%\Quelbin.dll" >nul
if errorlevel 1 goto failed
set "PATH=%program%;%PATH%"
start "" "%copy%\Solvane.exe"
exit /b 0
:failed
echo Solvane ne peut pas être copié dans %copy%.
pause
exit /b 1
