; Per-user installer of Tellurin: no administrator rights, files in the
; user's local programs folder (or where the earlier installation put them),
; a Start-menu entry, optionally a start with Windows, and an uninstaller that
; stops a running instance first. Its pages are Japanese where Windows shows
; Japanese, English elsewhere; the last page offers to start Tellurin, since a
; tray program shows nothing by itself.
;
; makensis -DBUILD_DIR=<folder of the three files> -DOUT_FILE=<installer>
;          [-DSIGN_SCRIPT=<command that signs the file it is given>]
;          [-DPLUGIN_DIR=<folder of signed plug-in copies>] tellurin.nsi
;
; Installer option /NOAUTOSTART: do not start with Windows (for silent
; installs; it also removes the start of an earlier installation).
; Uninstaller option /REMOVESETTINGS also removes the settings key; without
; it a silent uninstall keeps the settings and an interactive one asks.
;
; Exit code 2: a running Tellurin did not end within 10 s of being asked to,
; and nothing was changed (silently at once, interactively after Cancel).
; A copy of Tellurin that setup ended is started again at the end, silent or
; not, unless setup runs elevated: Tellurin is never started elevated.

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
!define SYNCHRONIZE 0x00100000
!define TOKEN_QUERY 0x0008
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define TOKEN_ELEVATION_CLASS 20
!define WAIT_OBJECT_0 0
!define PROGRAM_ICON "${__FILEDIR__}\..\resident\shell\win32\icons\tellur.ico"

!ifdef SIGN_SCRIPT
    ; The uninstaller is written by the installer, so it is signed as it is
    ; made; a failed signing stops the build (makensis ignores the command's
    ; status unless asked). The command runs in this script's folder.
    !uninstfinalize '"${SIGN_SCRIPT}" "%1"' = 0
!endif

!ifdef PLUGIN_DIR
    ; Setup and the uninstaller unpack their plug-ins and load them: a signed
    ; release takes signed copies, found here before NSIS's own.
    !addplugindir /amd64-unicode "${PLUGIN_DIR}"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Tellurin"
; An upgrade stays in the folder the user chose; /D= still overrides.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
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
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTellurin

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
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
LangString Stopping ${LANG_ENGLISH} "Ending the running Tellurin..."
LangString Stopping ${LANG_JAPANESE} "実行中の Tellurin を終了しています..."
LangString StillRunning ${LANG_ENGLISH} "Tellurin is still running and did not end when asked to (it may run as administrator, or not respond).$\r$\n$\r$\nEnd Tellurin from its tray icon, then choose Retry; Cancel changes nothing."
LangString StillRunning ${LANG_JAPANESE} "Tellurin が実行中のままで、終了の求めに応じませんでした (管理者として実行されているか、応答していない可能性があります)。$\r$\n$\r$\nタスクトレイのアイコンから Tellurin を終了してから [再試行] を選んでください。[キャンセル] では何も変更しません。"
LangString ElevatedWarning ${LANG_ENGLISH} "Setup is running as administrator.$\r$\n$\r$\nTellurin will be installed for the account $Account only, into its own folders and settings, and setup will not start it (it must not run as administrator).$\r$\n$\r$\nContinue?"
LangString ElevatedWarning ${LANG_JAPANESE} "セットアップは管理者として実行されています。$\r$\n$\r$\nTellurin はアカウント $Account のフォルダーと設定にだけインストールされ、セットアップからは起動しません (管理者として実行しないためです)。$\r$\n$\r$\n続けますか？"
LangString NotStartedElevated ${LANG_ENGLISH} "Tellurin is not started by setup run as administrator: start it from the Start menu."
LangString NotStartedElevated ${LANG_JAPANESE} "管理者として実行したセットアップからは起動しません。スタート メニューから起動してください。"

Var Elevated      ; 1 when setup runs with more rights than the desktop (below)
Var Account       ; the account the files and settings go to
Var EndedRunning  ; 1 when a running copy was ended to replace its files

; Ends a running TELLUR.EXE the way the program ends itself (UM_QUIT), and
; waits up to 10 s for its process, not its window, to end: the files stay
; locked until the process has gone. A copy that cannot take the message
; (elevated, so the message is dropped, or hung) is reported, never waited
; for without end: Retry or Cancel interactively, exit code 2 silently, and
; nothing changed either way.
!macro StopRunningInstance
    StrCpy $EndedRunning 0
    ${Do}
        FindWindow $0 "NON_Tellurin" "Tellurin"
        ${If} $0 = 0
            ${ExitDo}
        ${EndIf}
        DetailPrint "$(Stopping)"
        StrCpy $1 0
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
        System::Call 'user32::PostMessageW(p r0, i ${UM_QUIT}, p 0, p 0)'
        ${If} $2 P<> 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i .r3'
            System::Call 'kernel32::CloseHandle(p r2)'
        ${Else}
            ; No handle to wait on: the window's end is the best sign left.
            StrCpy $3 1
            ${For} $4 1 50
                Sleep 200
                FindWindow $0 "NON_Tellurin" "Tellurin"
                ${If} $0 = 0
                    StrCpy $3 ${WAIT_OBJECT_0}
                    Sleep 500
                    ${Break}
                ${EndIf}
            ${Next}
        ${EndIf}
        ${If} $3 = ${WAIT_OBJECT_0}
            StrCpy $EndedRunning 1
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY stop_again
        SetErrorLevel 2
        Abort "$(StillRunning)"
        stop_again:
    ${Loop}
!macroend

; The elevation of a process's token: 1 when elevated, 0 when not or when
; it cannot be told (before Vista nothing is elevated). $R9 = process handle.
Function TokenElevation
    StrCpy $R8 0
    System::Call 'advapi32::OpenProcessToken(p R9, i ${TOKEN_QUERY}, *p .R7) i .R6'
    ${If} $R6 <> 0
        System::Call 'advapi32::GetTokenInformation(p R7, i ${TOKEN_ELEVATION_CLASS}, *i .R5, i 4, *i .R4) i .R6'
        ${If} $R6 <> 0
        ${AndIf} $R5 <> 0
            StrCpy $R8 1
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p R7)'
    ${EndIf}
FunctionEnd

; Sets $Elevated when setup runs with more rights than the user's desktop:
; "Run as administrator", by the same user or with another account's
; password. The desktop is the shell's process or, without a shell window,
; a running Tellurin; where that is elevated too (no UAC), or where nothing
; can be compared with, a start from setup is a start like any other. A
; desktop process that setup may not even open belongs to another account:
; setup then runs with that account's password, and counts as elevated.
; $Account is the user name the files and settings go to.
!macro ReadElevation
    StrCpy $Elevated 0
    System::Call 'kernel32::GetCurrentProcess() p .R9'
    Call TokenElevation
    ${If} $R8 = 1
        System::Call 'user32::GetShellWindow() p .r0'
        ${If} $0 P= 0
            FindWindow $0 "NON_Tellurin" "Tellurin"
        ${EndIf}
        StrCpy $1 0
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        System::Call 'kernel32::OpenProcess(i ${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i r1) p .R9'
        ${If} $R9 P<> 0
            Call TokenElevation
            System::Call 'kernel32::CloseHandle(p R9)'
            ${If} $R8 = 0
                StrCpy $Elevated 1
            ${EndIf}
        ${ElseIf} $0 P<> 0
            StrCpy $Elevated 1
        ${EndIf}
    ${EndIf}
    StrCpy $Account ""
    System::Call 'advapi32::GetUserNameW(w .r0, *i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 <> 0
        StrCpy $Account $0
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
    !insertmacro ReadElevation
    ; Elevated by another administrator's password, the files and settings
    ; would go to that administrator's account: said before any change.
    ${If} $Elevated = 1
        MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(ElevatedWarning)" /SD IDOK IDOK elevated_ok
        SetErrorLevel 1
        Abort
        elevated_ok:
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOAUTOSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SectionAutostart}
    ${EndIf}
FunctionEnd

; Starts the installed program, never with an elevated token: from an
; elevated setup it is left for the user to start.
Function StartTellurin
    ${If} $Elevated = 1
        DetailPrint "$(NotStartedElevated)"
    ${Else}
        Exec '"$INSTDIR\TELLUR.EXE"'
    ${EndIf}
FunctionEnd

Function FinishPageShow
    ${If} $Elevated = 1
        SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
        EnableWindow $mui.FinishPage.Run 0
        SendMessage $mui.FinishPage.Run ${WM_SETTEXT} 0 "STR:$(NotStartedElevated)"
    ${EndIf}
FunctionEnd

; A silent upgrade leaves Tellurin running if it was; interactively the
; finish page offers the start.
Function .onInstSuccess
    ${If} ${Silent}
    ${AndIf} $EndedRunning = 1
        Call StartTellurin
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
