@echo off
rem Runs Solvane on a module published over MQTT by solvane-agent, through
rem the MQTT Quelbin.dll kept in this folder. The broker and the module come
rem from connexion.cmd beside this file (copy connexion-exemple.cmd), or from
rem variables already set. As for the simulation, a maker's Quelbin.dll
rem beside Solvane.exe would be loaded instead: refuse rather than mislead.
rem This file is UTF-8: its accents show in the console's code page 65001.
chcp 65001 >nul
if exist "%~dp0..\Quelbin.dll" (
    echo Un Quelbin.dll se trouve à côté de Solvane.exe : c'est lui que Solvane
    echo chargerait, et non le module distant. Lancez Solvane.exe directement.
    pause
    exit /b 1
)
if exist "%~dp0connexion.cmd" call "%~dp0connexion.cmd"
if not defined SOLVANE_MQTT_URL (
    echo Indiquez le serveur MQTT et le module dans connexion.cmd
    echo ^(copiez connexion-exemple.cmd^), par exemple :
    echo set SOLVANE_MQTT_URL=mqtts://serveur.labo:8883/bench-3
    pause
    exit /b 1
)
set "PATH=%~dp0;%PATH%"
start "" "%~dp0..\Solvane.exe"
