; Per-user installer of Tellurin: no administrator rights, files in the
; user's local programs folder, a Start-menu entry, optionally a start with
; Windows, and an uninstaller that stops a running instance first. Its pages
; are Japanese where Windows shows Japanese, English elsewhere; the last page
; offers to start Tellurin, since a tray program shows nothing by itself.
;
; makensis -DBUILD_DIR=<folder of the three files> -DOUT_FILE=<installer>
;          [-DSIGN_SCRIPT=<command that signs the file it is given>] tellurin.nsi
;
; Installer option /NOAUTOSTART: do not start with Windows (for silent
; installs; it also removes the start of an earlier installation).
; Uninstaller option /REMOVESETTINGS also removes the settings key; without
; it a silent uninstall keeps the settings and an interactive one asks.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
; The installed files carry the time they were installed, not the build's, so
; that the same sources always give the same installer.
SetDateSave off

!define PRODUCT "Tellurin"
!define VERSION "3.0.4.3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "SOFTWARE\Quorvel\Tellurin"
!define UM_QUIT 0x604
!define PROGRAM_ICON "${__FILEDIR__}\..\resident\shell\win32\icons\tellur.ico"

!ifdef SIGN_SCRIPT
    ; The uninstaller is written by the installer, so it is signed as it is made.
    !uninstfinalize '"${SIGN_SCRIPT}" "%1"'
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Tellurin"
ShowInstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=0 "LegalCopyright" "Tellurin developers"

!define MUI_ICON "${PROGRAM_ICON}"
!define MUI_UNICON "${PROGRAM_ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\TELLUR.EXE"
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used where Windows shows neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString ProgramSection ${LANG_ENGLISH} "Tellurin"
LangString ProgramSection ${LANG_JAPANESE} "Tellurin"
LangString AutostartSection ${LANG_ENGLISH} "Start with Windows"
LangString AutostartSection ${LANG_JAPANESE} "Windows と一緒に起動する"
LangString StartNow ${LANG_ENGLISH} "Start Tellurin now"
LangString StartNow ${LANG_JAPANESE} "Tellurin を起動する"
LangString UninstallShortcut ${LANG_ENGLISH} "Uninstall Tellurin"
LangString UninstallShortcut ${LANG_JAPANESE} "Tellurin をアンインストール"
LangString RemoveSettings ${LANG_ENGLISH} "Also remove Tellurin's settings?"
LangString RemoveSettings ${LANG_JAPANESE} "Tellurin の設定も削除しますか？"

; Ends a running TELLUR.EXE the way the program ends itself (UM_QUIT), and
; waits up to 10 s for its window to go.
!macro StopRunningInstance
    FindWindow $0 "NON_Tellurin" "Tellurin"
    ${If} $0 <> 0
        System::Call 'user32::PostMessageW(p r0, i ${UM_QUIT}, p 0, p 0)'
        StrCpy $1 0
        ${Do}
            Sleep 200
            IntOp $1 $1 + 1
            FindWindow $0 "NON_Tellurin" "Tellurin"
        ${LoopUntil} $0 = 0
        ${OrIf} $1 >= 50
        Sleep 500
    ${EndIf}
!macroend

Section "$(ProgramSection)" SectionProgram
    SectionIn RO
    SetShellVarContext current
    ; An upgrade replaces the files of a running copy: it is ended first.
    !insertmacro StopRunningInstance
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}\TELLUR.EXE"
    File "${BUILD_DIR}\TELLURS.DLL"
    File "${BUILD_DIR}\TELLURHLP.CHM"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Tellurin"
    CreateShortcut "$SMPROGRAMS\Tellurin\Tellurin.lnk" "$INSTDIR\TELLUR.EXE"
    ; One uninstall shortcut, whatever the language of an earlier installation.
    Delete "$SMPROGRAMS\Tellurin\Tellurin をアンインストール.lnk"
    Delete "$SMPROGRAMS\Tellurin\Uninstall Tellurin.lnk"
    CreateShortcut "$SMPROGRAMS\Tellurin\$(UninstallShortcut).lnk" "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tellurin developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TELLUR.EXE"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(AutostartSection)" SectionAutostart
    WriteRegStr HKCU "${RUN_KEY}" "Tellurin" '"$INSTDIR\TELLUR.EXE"'
SectionEnd

; An upgrade with the start now unticked takes back the earlier installation's.
Section "-AutostartOff"
    ${IfNot} ${SectionIsSelected} ${SectionAutostart}
        DeleteRegValue HKCU "${RUN_KEY}" "Tellurin"
    ${EndIf}
SectionEnd

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOAUTOSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SectionAutostart}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    !insertmacro StopRunningInstance
    Delete "$INSTDIR\TELLUR.EXE"
    Delete "$INSTDIR\TELLURS.DLL"
    Delete "$INSTDIR\TELLURHLP.CHM"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Tellurin\Tellurin.lnk"
    Delete "$SMPROGRAMS\Tellurin\Tellurin をアンインストール.lnk"
    Delete "$SMPROGRAMS\Tellurin\Uninstall Tellurin.lnk"
    RMDir "$SMPROGRAMS\Tellurin"
    DeleteRegValue HKCU "${RUN_KEY}" "Tellurin"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVESETTINGS" $R1
    ${IfNot} ${Errors}
        DeleteRegKey HKCU "${SETTINGS_KEY}"
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveSettings)" /SD IDNO IDNO keep_settings
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        keep_settings:
    ${EndIf}
SectionEnd
