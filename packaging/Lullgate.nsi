; Lullgate's installer, built on Debian with makensis (scripts/package). Per machine, under the
; 64-bit Program Files; a Start-menu shortcut and an Add/Remove Programs entry; config\url.xml is
; written for the folder actually chosen, and the reminder's scheduled task registered.
; Silent for administrators: /S [/NOREMINDERS] [/D=<folder>] (/D= last, as NSIS wants it).
;
; Lullgate runs elevated from the install folder, so before any file is written there the folder,
; and every folder on its way, is checked and secured (LullgateInstallHelper.exe "prepare", run from
; the installer's own temporary folder, as NSIS runs its plug-ins): a folder a standard user made or
; a junction is refused, with a message, or with /S with exit code 10 and a line in setup.log in the
; admin log folder. Every later step runs the helper from the secured install folder.
; The uninstaller removes exactly what the installer added. The pause values, the consent record
; and the logs under ProgramData belong to the user and to Windows, and stay.
;
; Defined by MakeInstaller.cmake: VERSION, DIST_DIR, OUT_FILE, ICON_FILE, HELPER, FILES_NSH (File
; commands), DELETES_NSH (Delete/RMDir commands); SIGN_COMMAND when the files are to be signed.
; A 64-bit installer for a 64-bit program (it also runs where no 32-bit layer is installed).
Target amd64-unicode
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define PRODUCT "Lullgate"
!define PUBLISHER "Norvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lullgate"
; Written by the Windows Installer package (packaging/Lullgate.wxs.in).
!define MSI_KEY "SOFTWARE\Norvane\Lullgate"
!define HELPER_EXE "LullgateInstallHelper.exe"
!define FOLDER_REFUSED 10

!ifdef SIGN_COMMAND
; The installer and the uninstaller it writes are signed as they are made.
!finalize '"${SIGN_COMMAND}" "%1"' = 0
!uninstfinalize '"${SIGN_COMMAND}" "%1"' = 0
!endif

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An update goes where the installed version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

Var Reminders ; 1 unless /NOREMINDERS was given

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lullgate.exe"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckInstallFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

; Runs the helper from the temporary folder: $0 its exit code, $1 what it printed.
!macro RunTempHelper ARGUMENTS
    InitPluginsDir
    File "/oname=$PLUGINSDIR\${HELPER_EXE}" "${HELPER}"
    nsExec::ExecToStack '"$PLUGINSDIR\${HELPER_EXE}" ${ARGUMENTS}'
    Pop $0
    Pop $1
!macroend

; Runs the helper installed in $INSTDIR; what it printed goes to the details. No program starts
; from a path longer than MAX_PATH: for such a folder the temporary copy runs, told the folder.
!macro RunInstalledHelper ARGUMENTS
    StrLen $0 "$INSTDIR\${HELPER_EXE}"
    ${If} $0 < 260
        nsExec::ExecToStack '"$INSTDIR\${HELPER_EXE}" ${ARGUMENTS}'
    ${Else}
        nsExec::ExecToStack '"$PLUGINSDIR\${HELPER_EXE}" ${ARGUMENTS} "$INSTDIR"'
    ${EndIf}
    Pop $0
    Pop $1
    ${If} $1 != ""
        DetailPrint "$1"
    ${EndIf}
!macroend

; schtasks itself, by its full path: the uninstaller has no helper that could start from every folder.
!macro RemoveTask
    nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /Delete /TN "Lullgate\Reminders" /F'
    Pop $0
    Pop $1
    ${If} $0 != 0
        DetailPrint "The reminder's task is not removed: schtasks ended with $0."
    ${EndIf}
!macroend

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
    ReadRegStr $0 HKLM "${MSI_KEY}" "InstallDir"
    ${If} $0 != ""
        MessageBox MB_ICONSTOP "${PRODUCT} is installed by its Windows Installer package. Uninstall it first, then run this setup." /SD IDOK
        Abort
    ${EndIf}
    StrCpy $Reminders 1
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/NOREMINDERS" $1
    ${IfNot} ${Errors}
        StrCpy $Reminders 0
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; Leaving the folder page: a folder that would be refused is said at once, so another can be chosen.
Function CheckInstallFolder
    !insertmacro RunTempHelper 'check "$INSTDIR"'
    ${If} $0 != 0
        MessageBox MB_ICONEXCLAMATION "$1"
        Abort
    ${EndIf}
FunctionEnd

Section "Install"
    ; Before any file is written: the log tree, then the install folder, made or checked and secured.
    !insertmacro RunTempHelper 'prepare "$INSTDIR"'
    ${If} $0 != 0
        DetailPrint "$1"
        MessageBox MB_ICONSTOP "$1" /SD IDOK
        SetErrorLevel ${FOLDER_REFUSED}
        Quit
    ${ElseIf} $1 != ""
        DetailPrint "$1"
    ${EndIf}

    ; $INSTDIR never becomes the working folder (see MakeInstaller.cmake): files go by full name.
    !include "${FILES_NSH}"
    File "/oname=$INSTDIR\${HELPER_EXE}" "${HELPER}"

    ; The link configuration names the documents by their place on this machine.
    !insertmacro RunInstalledHelper "url"

    ; A reinstall with /NOREMINDERS removes the task an earlier installation registered.
    ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "Reminders"
    ${If} $Reminders == 1
        !insertmacro RunInstalledHelper "add-task"
    ${ElseIf} $2 == 1
        !insertmacro RemoveTask
    ${EndIf}

    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The shortcut starts in the install folder ($OUTDIR), where a working folder can be that long
    ; (MAX_PATH less a file name's room, as for CreateDirectory).
    StrLen $0 "$INSTDIR"
    ${If} $0 < 248
        SetOutPath "$INSTDIR"
    ${EndIf}
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Lullgate.exe" "" "$INSTDIR\Lullgate.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Lullgate.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; Whether there is a task for the uninstaller to remove.
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Reminders" $Reminders
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Reminders"
    ${If} $0 == 1
        !insertmacro RemoveTask
    ${EndIf}
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\config\url.xml"
    !include "${DELETES_NSH}"
    Delete "$INSTDIR\${HELPER_EXE}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
