; The installer for Windows, made by scripts/make-windows-installer.sh with
; Debian's NSIS from the folder of the zip for users:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.00 -DFILEVERSION=1.0.0.0
;            -DSOURCE=<unzipped folder> -DOUTFILE=<setup.exe> solvane.nsi
; Per machine, into the 32-bit program folder; the same files as the zip.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane"
!define UNINSTALLER "Désinstaller.exe"
!define PUBLISHER "Les développeurs de Solvane"
!define SIMULATION_SHORTCUT "$SMPROGRAMS\Solvane sur le module simulé.lnk"
!define RECORDING_SHORTCUT "$SMPROGRAMS\Solvane avec enregistrement.lnk"
!define REPLAY_SHORTCUT "$SMPROGRAMS\Rejouer un enregistrement.lnk"

Name "Solvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\Solvane"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE_3LINES
!define MUI_FINISHPAGE_TEXT "Solvane est installé dans $INSTDIR.$\r$\n$\r$\nPour surveiller votre module, copiez le Quelbin.dll de son fabricant (version 32 bits) dans ce dossier, à côté de Solvane.exe.$\r$\n$\r$\nSans module, « Solvane sur le module simulé » du menu Démarrer montre chaque fonction."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\LISEZMOI.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Lire LISEZMOI.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

VIProductVersion "${FILEVERSION}"
VIFileVersion "${FILEVERSION}"
VIAddVersionKey /LANG=${LANG_FRENCH} "ProductName" "Solvane"
VIAddVersionKey /LANG=${LANG_FRENCH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FRENCH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FRENCH} "FileDescription" "Installation de Solvane ${VERSION}"
VIAddVersionKey /LANG=${LANG_FRENCH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_FRENCH} "LegalCopyright" "© 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_FRENCH} "OriginalFilename" "Solvane-${VERSION}-setup.exe"

; Shortcuts and the uninstaller's entry for every user of the machine.
Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File "${SOURCE}\Solvane.exe"
    File "${SOURCE}\Tarvox.dll"
    File "${SOURCE}\LISEZMOI.txt"
    SetOutPath "$INSTDIR\Simulation"
    File "${SOURCE}\Simulation\Quelbin.dll"
    File "${SOURCE}\Simulation\Lancer la simulation.cmd"
    SetOutPath "$INSTDIR\Enregistrement"
    File "${SOURCE}\Enregistrement\Quelbin.dll"
    File "${SOURCE}\Enregistrement\Lancer avec enregistrement.cmd"
    SetOutPath "$INSTDIR\Rejeu"
    File "${SOURCE}\Rejeu\Quelbin.dll"
    File "${SOURCE}\Rejeu\Rejouer un enregistrement.cmd"
    ; The MQTT agent and the remote module's library, where the zip has them.
    !if /FileExists "${SOURCE}/solvane-agent.exe"
        SetOutPath "$INSTDIR"
        File "${SOURCE}\solvane-agent.exe"
        SetOutPath "$INSTDIR\Distant"
        File "${SOURCE}\Distant\Quelbin.dll"
        File "${SOURCE}\Distant\Lancer le module distant.cmd"
        File "${SOURCE}\Distant\connexion-exemple.cmd"
    !endif

    ; Both start in the program's folder, which is never searched for
    ; libraries by name anyway.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Solvane.lnk" "$INSTDIR\Solvane.exe"
    CreateShortCut "${SIMULATION_SHORTCUT}" "$INSTDIR\Simulation\Lancer la simulation.cmd" \
        "" "$INSTDIR\Solvane.exe"
    ; The recording and the replay run a copy of Solvane.exe of each user's
    ; (see their scripts); a recording dropped on the replay's shortcut is
    ; the one played.
    CreateShortCut "${RECORDING_SHORTCUT}" \
        "$INSTDIR\Enregistrement\Lancer avec enregistrement.cmd" "" "$INSTDIR\Solvane.exe"
    CreateShortCut "${REPLAY_SHORTCUT}" "$INSTDIR\Rejeu\Rejouer un enregistrement.cmd" "" \
        "$INSTDIR\Solvane.exe"

    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Solvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Solvane.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Exactly what was installed, and the maker's Quelbin.dll that the last page
; asked for; a folder that still holds anything else stays.
Section "Uninstall"
    Delete "$SMPROGRAMS\Solvane.lnk"
    Delete "${SIMULATION_SHORTCUT}"
    Delete "$INSTDIR\Simulation\Quelbin.dll"
    Delete "$INSTDIR\Simulation\Lancer la simulation.cmd"
    RMDir "$INSTDIR\Simulation"
    Delete "${RECORDING_SHORTCUT}"
    Delete "${REPLAY_SHORTCUT}"
    Delete "$INSTDIR\Enregistrement\Quelbin.dll"
    Delete "$INSTDIR\Enregistrement\Lancer avec enregistrement.cmd"
    RMDir "$INSTDIR\Enregistrement"
    Delete "$INSTDIR\Rejeu\Quelbin.dll"
    Delete "$INSTDIR\Rejeu\Rejouer un enregistrement.cmd"
    RMDir "$INSTDIR\Rejeu"
    Delete "$INSTDIR\Distant\Quelbin.dll"
    Delete "$INSTDIR\Distant\Lancer le module distant.cmd"
    Delete "$INSTDIR\Distant\connexion-exemple.cmd"
    RMDir "$INSTDIR\Distant"
    Delete "$INSTDIR\solvane-agent.exe"
    Delete "$INSTDIR\Solvane.exe"
    Delete "$INSTDIR\Tarvox.dll"
    Delete "$INSTDIR\LISEZMOI.txt"
    Delete "$INSTDIR\Quelbin.dll"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
