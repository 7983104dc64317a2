; Per-user installer of Tellurin: no administrator rights, files in the
; user's local programs folder (or where the earlier installation put them),
; a Start-menu entry, optionally a start with Windows, and an uninstaller that
; stops a running instance first. Its pages are Japanese where Windows shows
; Japanese, English elsewhere; the last page offers to start Tellurin, since a
; tray program shows nothing by itself. It never reports success over a half
; installation: the folder is checked before the first file is written, and
; the Apps entry, the Start-menu entry and the start with Windows are written
; only once every file is in place.
;
; makensis -DBUILD_DIR=<folder of the three files> -DOUT_FILE=<installer>
;          [-DSIGN_SCRIPT=<command that signs the file it is given>]
;          [-DPLUGIN_DIR=<folder of signed plug-in copies>] tellurin.nsi
;
; Installer options /AUTOSTART and /NOAUTOSTART: start with Windows, or not
; (the latter also removes the start of an earlier installation; it wins
; when both are given). Without either, a first installation starts with
; Windows and an upgrade keeps what the user left.
; Uninstaller option /REMOVESETTINGS also removes the settings key; without
; it a silent uninstall keeps the settings and an interactive one asks.
;
; Exit codes besides NSIS's own (1 cancelled by the user, 2 setup's own
; fatal error):
;   10  a running Tellurin did not end within 10 s of being asked to, and
;       nothing was changed (silently at once, interactively after Cancel);
;   11  refused: setup runs as the system account, or silently elevated under
;       another account than the session's user (the per-machine package is
;       made for that);
;   12  the installation folder cannot be written, or a file could not be
;       placed; the entries of an earlier installation are left as they were.
; A copy of Tellurin that setup ended is started again at the end, silent or
; not, unless setup runs elevated, or cannot tell whether it does: Tellurin
; is never started elevated.

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
!define TOKEN_USER_CLASS 1
!define TOKEN_ELEVATION_TYPE_CLASS 18
!define TOKEN_ELEVATION_TYPE_DEFAULT 1
!define TOKEN_ELEVATION_TYPE_FULL 2
!define TOKEN_ELEVATION_TYPE_LIMITED 3
!define WIN_LOCAL_SYSTEM_SID 22  ; S-1-5-18
!define NAME_SAM_COMPATIBLE 2
!define WTS_CURRENT_SESSION -1
!define WTS_USER_NAME 5
!define WTS_DOMAIN_NAME 7
!define WAIT_OBJECT_0 0
!define WAIT_ABANDONED 0x80
!define ERROR_ACCESS_DENIED 5
; The resident program's single-instance mutex, held from the first moment
; of its start-up until it ends.
!define INSTANCE_MUTEX "TELLUR.EXE"
!define STOP_WAIT_MS 10000
!define EXIT_STILL_RUNNING 10
!define EXIT_REFUSED 11
!define EXIT_CANNOT_WRITE 12
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
; A file that cannot be written stops setup (Retry or Cancel; a silent setup
; cancels) instead of being skipped, which is a silent setup's choice otherwise.
AllowSkipFiles off

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
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderPageOnUpgrade
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
LangString StillRunning ${LANG_ENGLISH} "Tellurin is still running: it did not end within 10 s of being asked to (it may be busy, not responding, or still starting).$\r$\n$\r$\nEnd Tellurin from its tray icon, then choose Retry; Cancel changes nothing."
LangString StillRunning ${LANG_JAPANESE} "Tellurin が実行中のままで、終了を求めてから 10 秒たっても終了しませんでした (処理中か、応答していないか、起動の途中の可能性があります)。$\r$\n$\r$\nタスクトレイのアイコンから Tellurin を終了してから [再試行] を選んでください。[キャンセル] では何も変更しません。"
LangString CannotWrite ${LANG_ENGLISH} "Setup cannot write $WriteProblem.$\r$\n$\r$\nThe folder may be read-only or its path too long, or a file in it may still be in use. Mend that and choose Retry, or choose Cancel and run setup again with another folder; Cancel leaves an earlier installation as it was."
LangString CannotWrite ${LANG_JAPANESE} "$WriteProblem に書き込めません。$\r$\n$\r$\nフォルダーが読み取り専用か、パスが長すぎるか、中のファイルが使用中の可能性があります。解消してから [再試行] を選ぶか、[キャンセル] を選んで別のフォルダーでセットアップをやり直してください。[キャンセル] では以前のインストールをそのまま残します。"
LangString FolderUnusable ${LANG_ENGLISH} "Setup cannot install into $WriteProblem: no folder can be made there (a file may stand in its place, or the path is not complete). Nothing was changed."
LangString FolderUnusable ${LANG_JAPANESE} "$WriteProblem にはインストールできません。そこにはフォルダーを作れません (同じ名前のファイルがあるか、完全なパスではありません)。何も変更していません。"
LangString RefusedSystem ${LANG_ENGLISH} "Setup is running as the system account (SYSTEM), as deployment tools do by default: Tellurin would be installed into that account's profile, where no user can start it.$\r$\n$\r$\nTo install Tellurin for every user of this PC, use the per-machine package Tellurin-${VERSION}-x64.msi; to install it for one user, run this setup as that user."
LangString RefusedSystem ${LANG_JAPANESE} "セットアップがシステム アカウント (SYSTEM) として実行されています (展開ツールの既定です)。このままでは、どのユーザーも起動できないそのアカウントのプロファイルにインストールされます。$\r$\n$\r$\nこの PC のすべてのユーザーにインストールするには、コンピューター単位のパッケージ Tellurin-${VERSION}-x64.msi を使ってください。1 人のユーザーにインストールするには、このセットアップをそのユーザーとして実行してください。"
LangString ElevatedWarning ${LANG_ENGLISH} "Setup is running as administrator under the account $Account, not as the user of this session.$\r$\n$\r$\nTellurin will be installed for $Account only, into that account's folders and settings, and setup will not start it (it must not run as administrator). To install it for every user of this PC, use Tellurin-${VERSION}-x64.msi instead.$\r$\n$\r$\nContinue?"
LangString ElevatedWarning ${LANG_JAPANESE} "セットアップは、このセッションのユーザーではなくアカウント $Account の管理者として実行されています。$\r$\n$\r$\nTellurin は $Account のフォルダーと設定にだけインストールされ、セットアップからは起動しません (管理者として実行しないためです)。この PC のすべてのユーザーにインストールするには、代わりに Tellurin-${VERSION}-x64.msi を使ってください。$\r$\n$\r$\n続けますか？"
LangString NotStartedElevated ${LANG_ENGLISH} "Tellurin is not started by setup run as administrator: start it from the Start menu."
LangString NotStartedElevated ${LANG_JAPANESE} "管理者として実行したセットアップからは起動しません。スタート メニューから起動してください。"

Var Elevated      ; 0 not elevated, 1 elevated, 2 cannot tell (see ReadAccount)
Var RunsAsSystem  ; 1 when setup runs as the system account
Var OtherAccount  ; 1 when setup runs as another account than the session's user
Var Account       ; the account the files and settings go to
Var Upgrade       ; 1 when an earlier installation is in place
Var EndedRunning  ; 1 when a running copy was asked to end to replace its files
Var WriteProblem  ; what setup cannot write, or empty

; Ends a running TELLUR.EXE the way the program ends itself (UM_QUIT) and
; waits, 10 s at most, until no copy is left: no window of the program, its
; single-instance mutex free, and the process that was asked to quit gone
; (its files stay locked until then). A copy that is still starting holds
; the mutex before its window exists (the library's load, which a virus scan
; can stretch, comes first, as at logon): it is waited for, and asked to quit
; as soon as its window appears. One that does not end in time (busy, hung,
; or stuck in its start-up) is reported, never waited for without end: Retry
; or Cancel interactively, exit code 10 silently, and nothing changed either
; way.
!macro StopRunningInstance
    StrCpy $EndedRunning 0
    ${Do}
        StrCpy $R0 0  ; the process asked to quit, when it could be opened
        StrCpy $R3 0  ; the window asked to quit
        System::Call 'kernel32::GetTickCount() i .R1'
        ${Do}
            StrCpy $R2 0  ; 1 while a copy runs
            FindWindow $0 "NON_Tellurin" "Tellurin"
            ${If} $0 <> 0
                StrCpy $R2 1
                ${If} $0 <> $R3
                    DetailPrint "$(Stopping)"
                    StrCpy $R3 $0
                    StrCpy $1 0
                    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
                    ${If} $R0 P= 0
                        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .R0'
                    ${EndIf}
                    System::Call 'user32::PostMessageW(p r0, i ${UM_QUIT}, p 0, p 0)'
                    StrCpy $EndedRunning 1
                ${EndIf}
            ${EndIf}
            StrCpy $5 0  ; 1 when a wait on the mutex paced this round
            System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .r2 ?e'
            Pop $3
            ${If} $2 P<> 0
                ; Taken (or left behind by a copy that ended), the mutex is
                ; given back at once, so that setup never keeps a new start
                ; waiting.
                System::Call 'kernel32::WaitForSingleObject(p r2, i 200) i .r3'
                ${If} $3 = ${WAIT_OBJECT_0}
                ${OrIf} $3 = ${WAIT_ABANDONED}
                    System::Call 'kernel32::ReleaseMutex(p r2)'
                ${Else}
                    StrCpy $R2 1
                    StrCpy $5 1
                ${EndIf}
                System::Call 'kernel32::CloseHandle(p r2)'
            ${ElseIf} $3 = ${ERROR_ACCESS_DENIED}
                StrCpy $R2 1  ; held by a copy this setup may not open: an elevated one
            ${EndIf}
            ${If} $R2 = 1
            ${AndIf} $5 = 0
                Sleep 200
            ${EndIf}
            System::Call 'kernel32::GetTickCount() i .r4'
            IntOp $4 $4 - $R1
            ${If} $R2 = 0
            ${OrIf} $4 >= ${STOP_WAIT_MS}
                ${ExitDo}
            ${EndIf}
        ${Loop}
        ${If} $R0 P<> 0
            ${If} $R2 = 0
                IntOp $4 ${STOP_WAIT_MS} - $4
                ${If} $4 < 0
                    StrCpy $4 0
                ${EndIf}
                System::Call 'kernel32::WaitForSingleObject(p R0, i r4) i .r3'
                ${If} $3 <> ${WAIT_OBJECT_0}
                    StrCpy $R2 1
                ${EndIf}
            ${EndIf}
            System::Call 'kernel32::CloseHandle(p R0)'
        ${EndIf}
        ${If} $R2 = 0
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY stop_again
        SetErrorLevel ${EXIT_STILL_RUNNING}
        Abort "$(StillRunning)"
        stop_again:
    ${Loop}
!macroend

; Reads who setup runs as, from its own token and session:
; $Elevated is 1 when the token's elevation type is full (the elevated half
; of a split token), 0 when it is limited or default (no split token: setup
; has the rights of the user's desktop), and 2 when it cannot be told, which
; counts as elevated where it matters: Tellurin is then never started.
; $RunsAsSystem is 1 for the system account (S-1-5-18), whose token is not
; split, whatever it is elevated to.
; $OtherAccount is 1 when the account setup runs as is not the one logged on
; to the Windows session setup runs in, the owner of the desktop the user
; sees ("Run as different user", an administrator's password typed into a
; standard user's elevation prompt, a deployment service's own account), or
; when nobody is logged on to that session. The session is asked rather
; than the shell's process, which a kiosk shell or a restarting Explorer
; does not have. Where either name cannot be read, it stays 0.
; $Account is the account the files and settings go to.
Function ReadAccount
    StrCpy $Elevated 2
    StrCpy $RunsAsSystem 0
    StrCpy $OtherAccount 0
    System::Call 'kernel32::GetCurrentProcess() p .r0'
    System::Call 'advapi32::OpenProcessToken(p r0, i ${TOKEN_QUERY}, *p .r1) i .r2'
    ${If} $2 <> 0
        System::Call 'advapi32::GetTokenInformation(p r1, i ${TOKEN_ELEVATION_TYPE_CLASS}, *i .r3, i 4, *i .r4) i .r2'
        ${If} $2 <> 0
            ${If} $3 = ${TOKEN_ELEVATION_TYPE_FULL}
                StrCpy $Elevated 1
            ${ElseIf} $3 = ${TOKEN_ELEVATION_TYPE_LIMITED}
            ${OrIf} $3 = ${TOKEN_ELEVATION_TYPE_DEFAULT}
                StrCpy $Elevated 0
            ${EndIf}
        ${EndIf}
        ; TOKEN_USER: the SID's address first, the SID itself after it.
        System::Alloc 256
        Pop $3
        System::Call 'advapi32::GetTokenInformation(p r1, i ${TOKEN_USER_CLASS}, p r3, i 256, *i .r4) i .r2'
        ${If} $2 <> 0
            System::Call '*$3(p .r4)'
            System::Call 'advapi32::IsWellKnownSid(p r4, i ${WIN_LOCAL_SYSTEM_SID}) i .r2'
            ${If} $2 <> 0
                StrCpy $RunsAsSystem 1
            ${EndIf}
        ${EndIf}
        System::Free $3
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}

    StrCpy $Account ""
    System::Call 'secur32::GetUserNameExW(i ${NAME_SAM_COMPATIBLE}, w .r0, *i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 <> 0
        StrCpy $Account $0
        System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i ${WTS_CURRENT_SESSION}, i ${WTS_USER_NAME}, *p .r2, *i .r3) i .r1'
        ${If} $1 <> 0
            System::Call '*$2(&w${NSIS_MAX_STRLEN} .r4)'
            System::Call 'wtsapi32::WTSFreeMemory(p r2)'
            System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i ${WTS_CURRENT_SESSION}, i ${WTS_DOMAIN_NAME}, *p .r2, *i .r3) i .r1'
            ${If} $1 <> 0
                System::Call '*$2(&w${NSIS_MAX_STRLEN} .r5)'
                System::Call 'wtsapi32::WTSFreeMemory(p r2)'
                ; Account names compare without regard to case, as StrCmp does.
                ${If} $4 == ""
                ${OrIf} "$5\$4" != $Account
                    StrCpy $OtherAccount 1
                ${EndIf}
            ${EndIf}
        ${EndIf}
    ${Else}
        System::Call 'advapi32::GetUserNameW(w .r0, *i ${NSIS_MAX_STRLEN}) i .r1'
        ${If} $1 <> 0
            StrCpy $Account $0
        ${EndIf}
    ${EndIf}
FunctionEnd

; Sets $WriteProblem to the path given when that file exists and cannot be
; opened for writing; nothing when an earlier check already failed.
!macro WriteProblemOfFile path
    ${If} $WriteProblem == ""
    ${AndIf} ${FileExists} "${path}"
        ClearErrors
        FileOpen $R8 "${path}" a
        ${If} ${Errors}
            StrCpy $WriteProblem "${path}"
        ${Else}
            FileClose $R8
        ${EndIf}
    ${EndIf}
!macroend

; Sets $WriteProblem to what cannot be written, or empty when setup can
; place every file in $INSTDIR: the folder exists or can be made, a new file
; can be written in it, and every file of an earlier installation can be
; opened for writing (a program file is not while a process that is ending
; still maps it).
Function FindWriteProblem
    StrCpy $WriteProblem ""
    StrCpy $R9 0
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $R9 1  ; made here, so taken away again when nothing can go in
    ${EndIf}
    ClearErrors
    CreateDirectory "$INSTDIR"
    FileOpen $R8 "$INSTDIR\Tellurin-setup.tmp" w
    ${If} ${Errors}
        StrCpy $WriteProblem "$INSTDIR"
        ${If} $R9 = 1
            RMDir "$INSTDIR"
        ${EndIf}
        Return
    ${EndIf}
    FileClose $R8
    Delete "$INSTDIR\Tellurin-setup.tmp"
    !insertmacro WriteProblemOfFile "$INSTDIR\TELLUR.EXE"
    !insertmacro WriteProblemOfFile "$INSTDIR\TELLURS.DLL"
    !insertmacro WriteProblemOfFile "$INSTDIR\TELLURHLP.CHM"
    !insertmacro WriteProblemOfFile "$INSTDIR\Uninstall.exe"
FunctionEnd

Section "$(ProgramSection)" SectionProgram
    SectionIn RO
    SetShellVarContext current
    ; An upgrade replaces the files of a running copy: it is ended first.
    !insertmacro StopRunningInstance
    ; Nothing is written before every file is known to go in. A program
    ; file may stay locked for a moment after its process has gone.
    ${Do}
        ${For} $0 1 10
            Call FindWriteProblem
            ${If} $WriteProblem == ""
                ${Break}
            ${EndIf}
            Sleep 200
        ${Next}
        ${If} $WriteProblem == ""
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CannotWrite)" /SD IDCANCEL IDRETRY check_again
        SetErrorLevel ${EXIT_CANNOT_WRITE}
        Abort "$(CannotWrite)"
        check_again:
    ${Loop}
    ; A file that still cannot be placed (the disk full, say) ends setup with
    ; the same code, before anything points at the folder.
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    StrCpy $WriteProblem "$INSTDIR"
    ClearErrors
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}\TELLUR.EXE"
    File "${BUILD_DIR}\TELLURS.DLL"
    File "${BUILD_DIR}\TELLURHLP.CHM"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    ${If} ${Errors}
        Abort "$(CannotWrite)"
    ${EndIf}
    SetErrorLevel 0
    StrCpy $WriteProblem ""

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

; After the program's section, so written only once every file is in place.
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
    Call ReadAccount
    ; The system account's profile helps nobody; the per-machine package is
    ; what deployment tools that run as the system account are given.
    ${If} $RunsAsSystem = 1
        MessageBox MB_OK|MB_ICONSTOP "$(RefusedSystem)" /SD IDOK
        SetErrorLevel ${EXIT_REFUSED}
        Abort
    ${EndIf}
    ; Elevated under another account, the files and settings would go to that
    ; account: a person is told before any change, a silent setup refuses.
    ${If} $Elevated = 1
    ${AndIf} $OtherAccount = 1
        ${If} ${Silent}
            SetErrorLevel ${EXIT_REFUSED}
            Abort
        ${EndIf}
        MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(ElevatedWarning)" IDOK elevated_ok
        SetErrorLevel 1
        Abort
        elevated_ok:
    ${EndIf}
    ; NSIS puts the earlier or the default folder in the place of a /D=
    ; folder it finds unusable (a file standing there, say), without a word:
    ; setup installs where it was told or nowhere.
    Call ReadRequestedFolder
    StrCpy $1 $INSTDIR
    StrCpy $2 $1 1 -1
    ${If} $2 == "\"
        StrCpy $1 $1 -1
    ${EndIf}
    ${If} $0 != ""
    ${AndIf} $0 != $1
        StrCpy $WriteProblem $0
        MessageBox MB_OK|MB_ICONSTOP "$(FolderUnusable)" /SD IDOK
        SetErrorLevel ${EXIT_CANNOT_WRITE}
        Abort
    ${EndIf}
    ; An upgrade: the Apps entry names a folder that still holds the program.
    ; It keeps the start with Windows as the user left it.
    StrCpy $Upgrade 0
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\TELLUR.EXE"
        StrCpy $Upgrade 1
        ClearErrors
        ReadRegStr $0 HKCU "${RUN_KEY}" "Tellurin"
        ${If} ${Errors}
            !insertmacro UnselectSection ${SectionAutostart}
        ${EndIf}
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AUTOSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SectionAutostart}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/NOAUTOSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SectionAutostart}
    ${EndIf}
FunctionEnd

; $0 = the folder given with /D= on the command line (everything after its
; first " /D=", as NSIS reads it), without a closing backslash; empty when
; none was given.
Function ReadRequestedFolder
    System::Call 'kernel32::GetCommandLineW() w .r1'
    StrCpy $0 ""
    StrLen $2 $1
    ${For} $3 0 $2
        StrCpy $4 $1 4 $3
        ${If} $4 S== " /D="
            IntOp $3 $3 + 4
            StrCpy $0 $1 "" $3
            ${Break}
        ${EndIf}
    ${Next}
    StrCpy $4 $0 1 -1
    ${If} $4 == "\"
        StrCpy $0 $0 -1
    ${EndIf}
FunctionEnd

; An upgrade goes where the earlier installation is (or to /D=).
Function SkipFolderPageOnUpgrade
    ${If} $Upgrade = 1
        Abort
    ${EndIf}
FunctionEnd

; Starts the installed program, never with an elevated token: from an
; elevated setup, or one that cannot tell, it is left for the user to start.
Function StartTellurin
    ${If} $Elevated = 0
        Exec '"$INSTDIR\TELLUR.EXE"'
    ${Else}
        DetailPrint "$(NotStartedElevated)"
    ${EndIf}
FunctionEnd

Function FinishPageShow
    ${If} $Elevated <> 0
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
    ; The Apps entry and the Start-menu entries belong to the copy installed
    ; last, and the start with Windows names its program: a copy left behind
    ; in another folder removes none of them.
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIf} $0 == $INSTDIR
        Delete "$SMPROGRAMS\Tellurin\Tellurin.lnk"
        Delete "$SMPROGRAMS\Tellurin\Tellurin をアンインストール.lnk"
        Delete "$SMPROGRAMS\Tellurin\Uninstall Tellurin.lnk"
        RMDir "$SMPROGRAMS\Tellurin"
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Tellurin"
    StrCpy $1 '"$INSTDIR\TELLUR.EXE"'
    ${If} $0 == $1
        DeleteRegValue HKCU "${RUN_KEY}" "Tellurin"
    ${EndIf}
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
