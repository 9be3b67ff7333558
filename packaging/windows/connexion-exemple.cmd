@echo off
rem Copiez ce fichier sous le nom connexion.cmd et indiquez :
rem - le serveur MQTT et le module publié par solvane-agent (mqtts:// pour TLS) ;
rem - l'utilisateur et un fichier dont la première ligne est son mot de passe ;
rem - le certificat de l'autorité qui a signé celui du serveur (mqtts://).
set SOLVANE_MQTT_URL=mqtts://serveur.labo:8883/bench-3
set SOLVANE_MQTT_USERNAME=operator-alice
set SOLVANE_MQTT_PASSWORD_FILE=%~dp0motdepasse.txt
set SOLVANE_MQTT_CAFILE=%~dp0ca.crt
