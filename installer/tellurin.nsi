; Per-user installer of Tellurin: no administrator rights, files in the
; user's local programs folder, a Start-menu entry, optionally a start with
; Windows, and an uninstaller that stops a running instance first.
;
; makensis -DBUILD_DIR=<64-bit build> -DOUT_FILE=<installer> tellurin.nsi
; Uninstaller option /REMOVESETTINGS also removes the settings key; without
; it a silent uninstall keeps the settings and an interactive one asks.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Tellurin"
!define VERSION "3.0.4.3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "SOFTWARE\Quorvel\Tellurin"
!define UM_QUIT 0x604

!include "FileFunc.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Tellurin"
ShowInstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "LegalCopyright" "Tellurin developers"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

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

Section "Tellurin" SectionProgram
    SectionIn RO
    SetShellVarContext current
    !insertmacro StopRunningInstance
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}\TELLUR.EXE"
    File "${BUILD_DIR}\TELLURS.DLL"
    File "${BUILD_DIR}\TELLURHLP.CHM"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Tellurin"
    CreateShortcut "$SMPROGRAMS\Tellurin\Tellurin.lnk" "$INSTDIR\TELLUR.EXE"
    CreateShortcut "$SMPROGRAMS\Tellurin\Tellurin をアンインストール.lnk" "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tellurin developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TELLUR.EXE"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Windows と一緒に起動する (start with Windows)" SectionAutostart
    WriteRegStr HKCU "${RUN_KEY}" "Tellurin" '"$INSTDIR\TELLUR.EXE"'
SectionEnd

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
    RMDir "$SMPROGRAMS\Tellurin"
    DeleteRegValue HKCU "${RUN_KEY}" "Tellurin"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVESETTINGS" $R1
    ${IfNot} ${Errors}
        DeleteRegKey HKCU "${SETTINGS_KEY}"
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_ICONQUESTION "Tellurin の設定も削除しますか？" /SD IDNO IDNO keep_settings
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        keep_settings:
    ${EndIf}
SectionEnd
