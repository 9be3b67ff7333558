@echo off
rem Runs Solvane on a recording played back as a module by the replay
rem Quelbin.dll of this folder: the file dropped on this script or on its
rem shortcut, or else named when asked. As for the recording, Solvane.exe
rem runs from a copy beside the replay library, in a folder of the user's
rem own, so that a maker's Quelbin.dll beside Solvane.exe is not loaded.
rem This file is UTF-8: its accents show in the console's code page 65001.
chcp 65001 >nul
setlocal
for %%I in ("%~dp0..") do set "program=%%~fI"
set "SOLVANE_REPLAY_FILE=%~f1"
if not defined SOLVANE_REPLAY_FILE (
    echo Faites glisser un enregistrement ^(fichier .csv^) dans cette fenêtre, puis appuyez sur Entrée :
    set /p "SOLVANE_REPLAY_FILE="
)
if not defined SOLVANE_REPLAY_FILE exit /b 1
set "SOLVANE_REPLAY_FILE=%SOLVANE_REPLAY_FILE:"=%"
set "copy=%LOCALAPPDATA%\Solvane\Rejeu"
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
