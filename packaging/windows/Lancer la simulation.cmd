@echo off
rem Runs Solvane on the simulated module kept in this folder. Windows looks in
rem the program's own folder before PATH, so a maker's Quelbin.dll placed
rem beside Solvane.exe would be loaded instead: refuse rather than mislead.
rem This file is UTF-8: its accents show in the console's code page 65001.
chcp 65001 >nul
if exist "%~dp0..\Quelbin.dll" (
    echo Un Quelbin.dll se trouve à côté de Solvane.exe : c'est lui que Solvane
    echo chargerait, et non le module simulé. Lancez Solvane.exe directement.
    pause
    exit /b 1
)
set "PATH=%~dp0;%PATH%"
start "" "%~dp0..\Solvane.exe"
