// Driver: finds windows, dialogs and message boxes of other processes and acts
// on them the way a user would, for the end-to-end tests.
//
//   driver.exe find <class|-> <title|-> [<wait ms>]          prints the handle; exit 1 if none
//   driver.exe post <class|-> <title|-> <message> [<wParam> [<lParam>]]
//   driver.exe close <class|-> <title|->                     posts WM_CLOSE
//   driver.exe foreground <class|-> <title|->                brings the window to the foreground
//   driver.exe rect <class|-> <title|->                      prints "WIDTHxHEIGHT+LEFT+TOP" in screen pixels
//   driver.exe locale                                        prints "ui=<language id> acp=<ANSI code page>"
//   driver.exe box-text [<wait ms> [<title>]]                text of the "Tellurin" message box (UTF-8), or of
//                                                            a box of that title owned by another window (an
//                                                            installer's boxes share its window's title)
//   driver.exe box-answer yes|no|ok|cancel|retry [<wait ms> [<title>]]   clicks a button of that box
//   driver.exe balloon [<wait ms>]                           text of a tray balloon on show (UTF-8): Wine's
//                                                            shell shows it as a visible top-level tooltip
//   driver.exe menu-choose <letter> [<wait ms>]             waits for a popup menu on show (class #32768) and
//                                                            chooses its item by the letter of its mnemonic,
//                                                            typed as a user would
//   driver.exe usage <class|-> <title|->                     prints "handles=N threads=N working=BYTES pagefile=BYTES"
//                                                            of the window's process, as the system counts them
//   driver.exe stand-in <seconds>                            shows a window of the resident program's class and
//                                                            title that ignores every private message (as an
//                                                            elevated or hung copy does for a caller), for that long
//   driver.exe hold-hotkey <modifiers> <key> <seconds>      registers the hot key (MOD_* bits, virtual key) as
//                                                            another program would, prints "held" (or "refused
//                                                            <error>") and keeps it that long
//   driver.exe starting-copy <mutex> <ms> <seconds>          a copy still starting: holds the program's
//                                                            single-instance mutex with no window for <ms>,
//                                                            then shows the program's window, which ends on
//                                                            UM_QUIT (exit 0); exit 3 when <seconds> ran out
//   driver.exe mutex-held <mutex> [<wait ms>]                exit 0 once a mutex of that name exists
//   driver.exe hold-file <path> <ready file> <seconds>       keeps a file open, sharing nothing (as a program
//                                                            that has it open does), for that long; makes the
//                                                            ready file once it holds it
// Controls of a dialog, found by id among all its descendants:
//   driver.exe click <dialog title> <id>                     posts BM_CLICK
//   driver.exe select <dialog title> <id> <index>            list selection, as CBN_SELENDOK
//   driver.exe slide <dialog title> <id> <position>          trackbar position, as WM_HSCROLL
//   driver.exe tab <dialog title> <id> <index>               TCM_SETCURFOCUS (the tab control notifies its parent)
//   driver.exe command <dialog title> <id>                   posts WM_COMMAND (menu items)
//   driver.exe state <dialog title> <id>                     prints "<checked> <enabled> <selection> <text>"
//   driver.exe visible <dialog title> <id>                   prints 1 when the control is visible, else 0
//
// Numbers may be decimal or 0x-hex. Arguments are wide, so Japanese titles pass.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

#include "common/message_codes.h"

namespace {

std::wstring Argument(const wchar_t* text) { return std::wcscmp(text, L"-") == 0 ? L"" : text; }

void PrintUtf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    std::printf("%s\n", narrow.c_str());
}

unsigned long long Number(const wchar_t* text) { return std::wcstoull(text, nullptr, 0); }

// Polls for a window, so a test can wait for one that is about to appear.
// With "shown", only a visible one counts: a dialog is shown once its
// WM_INITDIALOG has returned, so its pages and their values are in place.
HWND FindWithWait(const std::wstring& windowClass, const std::wstring& title, DWORD waitMs, bool shown = false) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowW(windowClass.empty() ? nullptr : windowClass.c_str(),
                                 title.empty() ? nullptr : title.c_str());
        if (found != nullptr && shown && !IsWindowVisible(found)) found = nullptr;
        if (found != nullptr || GetTickCount() - start >= waitMs) return found;
        Sleep(50);
    }
}

struct OwnedBoxSearch {
    const wchar_t* Title;
    HWND Found;
};

BOOL CALLBACK MatchOwnedBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<OwnedBoxSearch*>(parameter);
    wchar_t className[16] = {};
    wchar_t title[256] = {};
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, title, 256);
    if (std::wcscmp(className, L"#32770") != 0 || std::wcscmp(title, search->Title) != 0 ||
        GetWindow(window, GW_OWNER) == nullptr || !IsWindowVisible(window))
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindMessageBox(DWORD waitMs, const wchar_t* ownedTitle = nullptr) {
    if (ownedTitle == nullptr) return FindWithWait(L"#32770", L"Tellurin", waitMs);
    const DWORD start = GetTickCount();
    for (;;) {
        OwnedBoxSearch search{ownedTitle, nullptr};
        EnumWindows(MatchOwnedBox, reinterpret_cast<LPARAM>(&search));
        if (search.Found != nullptr || GetTickCount() - start >= waitMs) return search.Found;
        Sleep(50);
    }
}

BOOL CALLBACK TakeVisibleTooltipText(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    if (!IsWindowVisible(window) || GetClassNameW(window, name, 64) == 0 || std::wcscmp(name, TOOLTIPS_CLASSW) != 0)
        return TRUE;
    // WM_GETTEXT itself: GetWindowTextW reads only the caption the system
    // keeps for another process's window, not the tip's text.
    wchar_t text[512] = {};
    if (SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text)) == 0) return TRUE;
    *reinterpret_cast<std::wstring*>(found) = text;
    return FALSE;
}

// The text of a visible top-level tooltip with text; empty when none shows.
std::wstring VisibleTooltipText() {
    std::wstring found;
    EnumWindows(TakeVisibleTooltipText, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct ControlSearch {
    int Id;
    HWND Found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ControlSearch*>(parameter);
    if (GetDlgCtrlID(window) != search->Id) return TRUE;
    search->Found = window;
    return FALSE;
}

// A control anywhere below the dialog (the pages are child dialogs).
HWND FindControl(const wchar_t* dialogTitle, int id) {
    HWND dialog = FindWithWait(L"#32770", dialogTitle, 3000);
    if (dialog == nullptr) return nullptr;
    ControlSearch search{id, nullptr};
    EnumChildWindows(dialog, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

int ButtonId(const wchar_t* answer) {
    if (std::wcscmp(answer, L"yes") == 0) return IDYES;
    if (std::wcscmp(answer, L"no") == 0) return IDNO;
    if (std::wcscmp(answer, L"ok") == 0) return IDOK;
    if (std::wcscmp(answer, L"cancel") == 0) return IDCANCEL;
    if (std::wcscmp(answer, L"retry") == 0) return IDRETRY;
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: driver find|post|close|menu-choose|stand-in|hold-hotkey|starting-copy|mutex-held|hold-file|box-text|box-answer|click|select|slide|tab|command|state|visible|text|settext ...\n");
    return 2;
}

int ControlCommand(const std::wstring& command, int argc, wchar_t** argv) {
    if (command == L"command") {
        HWND dialog = FindWithWait(L"#32770", argv[2], 3000);
        return dialog != nullptr && PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(Number(argv[3])), 0) ? 0 : 1;
    }
    const int id = static_cast<int>(Number(argv[3]));
    HWND control = FindControl(argv[2], id);
    if (control == nullptr) return 1;
    HWND parent = GetParent(control);
    if (command == L"click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    // An edit box's text through WM_GETTEXT (GetWindowText does not ask a
    // window of another process), and WM_SETTEXT, after which a one-line edit
    // box tells its parent EN_CHANGE as typing would.
    if (command == L"text") {
        wchar_t text[4096] = {};
        SendMessageW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
        PrintUtf8(text);
        return 0;
    }
    if (command == L"settext" && argc >= 5)
        return SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Argument(argv[4]).c_str())) ? 0 : 1;
    if (command == L"visible") {
        PrintUtf8(IsWindowVisible(control) ? L"1" : L"0");
        return 0;
    }
    if (command == L"state") {
        wchar_t text[256] = {};
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        const bool list = _wcsicmp(className, L"ComboBox") == 0;
        const LRESULT checked = list ? 0 : SendMessageW(control, BM_GETCHECK, 0, 0);
        const LRESULT selection = list ? SendMessageW(control, CB_GETCURSEL, 0, 0) : -1;
        if (!list) GetWindowTextW(control, text, 256);
        else if (selection >= 0) SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text));
        std::wstring line = std::to_wstring(checked) + L" " + std::to_wstring(IsWindowEnabled(control) ? 1 : 0) +
                            L" " + std::to_wstring(selection) + L" " + text;
        PrintUtf8(line);
        return 0;
    }
    if (argc < 5) return Usage();
    const auto value = static_cast<WPARAM>(Number(argv[4]));
    if (command == L"select") {
        SendMessageW(control, CB_SETCURSEL, value, 0);
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (command == L"slide") {
        SendMessageW(control, TBM_SETPOS, TRUE, static_cast<LPARAM>(value));
        SendMessageW(parent, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, value), reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (command == L"tab") {
        SendMessageW(control, TCM_SETCURFOCUS, value, 0);
        return 0;
    }
    return Usage();
}

int ThreadCount(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId) ++count;
    CloseHandle(snapshot);
    return count;
}

// The system's handle table (information class 16), as the kernel lists it:
// Wine's GetProcessHandleCount answers 0 for another process, this does not.
struct SystemHandleEntry {
    ULONG OwnerProcessId;
    BYTE ObjectType;
    BYTE Flags;
    USHORT Value;
    PVOID Object;
    ULONG Access;
};
struct SystemHandleTable {
    ULONG Count;
    SystemHandleEntry Entries[1];
};

int HandleCount(DWORD processId) {
    using QuerySystem = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QuerySystem>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return -1;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    std::string buffer(1 << 16, '\0');
    LONG status;
    ULONG needed = 0;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) == kLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    int count = 0;
    for (ULONG index = 0; index < table->Count; ++index)
        if (table->Entries[index].OwnerProcessId == processId) ++count;
    return count;
}

int PrintUsage(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) return 1;
    PROCESS_MEMORY_COUNTERS memory{};
    const bool ok = K32GetProcessMemoryInfo(process, &memory, sizeof(memory));
    CloseHandle(process);
    if (!ok) return 1;
    std::printf("handles=%d threads=%d working=%llu pagefile=%llu\n", HandleCount(processId), ThreadCount(processId),
                static_cast<unsigned long long>(memory.WorkingSetSize),
                static_cast<unsigned long long>(memory.PagefileUsage));
    return 0;
}

// A window that looks like the resident program's to FindWindow but lets
// every message go to the default procedure, so UM_QUIT ends nothing.
int StandIn(DWORD seconds) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NON_Tellurin";
    if (RegisterClassW(&windowClass) == 0) return 1;
    HWND window = CreateWindowW(L"NON_Tellurin", L"Tellurin", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(50);
    }
    DestroyWindow(window);
    return 0;
}

// A copy of the resident program in its start-up (library loading, no
// window yet), then running: only UM_QUIT ends it early.
LRESULT CALLBACK StartingCopyProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == tellurin::UM_QUIT) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int StartingCopy(const wchar_t* mutexName, DWORD msWithoutWindow, DWORD seconds) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, mutexName);
    if (mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
    const DWORD start = GetTickCount();
    const DWORD limit = seconds * 1000;
    Sleep(msWithoutWindow < limit ? msWithoutWindow : limit);
    int exitCode = 3;
    if (msWithoutWindow < limit) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = StartingCopyProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"NON_Tellurin";
        HWND window = RegisterClassW(&windowClass) == 0
                          ? nullptr
                          : CreateWindowW(L"NON_Tellurin", L"Tellurin", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                          nullptr, windowClass.hInstance, nullptr);
        if (window == nullptr) return 1;
        while (GetTickCount() - start < limit && exitCode != 0) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) exitCode = 0;
                DispatchMessageW(&message);
            }
            Sleep(20);
        }
        DestroyWindow(window);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}

}  // namespace

// A visible popup menu window (the tray menu while it is up).
HWND FindVisibleMenu(DWORD waitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu != nullptr && IsWindowVisible(menu)) return menu;
        if (GetTickCount() - start >= waitMs) return nullptr;
        Sleep(50);
    }
}

// The key goes to the thread that owns the foreground, whose menu loop reads it.
int ChooseMenuItem(wchar_t letter, DWORD waitMs) {
    if (FindVisibleMenu(waitMs) == nullptr) return 1;
    const WORD key = static_cast<WORD>(towupper(letter));
    INPUT presses[2] = {};
    for (INPUT& press : presses) {
        press.type = INPUT_KEYBOARD;
        press.ki.wVk = key;
        press.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        press.ki.dwFlags = KEYEVENTF_SCANCODE;  // Wine reads wVk as well
    }
    presses[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    return SendInput(2, presses, sizeof(INPUT)) == 2 ? 0 : 1;
}

// The registration belongs to this thread, so it lasts while the thread does.
int HoldHotKey(UINT modifiers, UINT key, DWORD seconds) {
    if (!RegisterHotKey(nullptr, 1, modifiers, key)) {
        std::printf("refused %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(seconds * 1000);
    (void)UnregisterHotKey(nullptr, 1);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];

    if (command == L"find" && argc >= 4) {
        HWND window = FindWithWait(Argument(argv[2]), Argument(argv[3]), argc >= 5 ? static_cast<DWORD>(Number(argv[4])) : 0,
                                   argc >= 6 && std::wcscmp(argv[5], L"shown") == 0);
        if (window == nullptr) return 1;
        std::printf("%p\n", static_cast<void*>(window));
        return 0;
    }
    if ((command == L"post" && argc >= 5) || (command == L"close" && argc >= 4)) {
        HWND window = FindWithWait(Argument(argv[2]), Argument(argv[3]), 2000);
        if (window == nullptr) return 1;
        const UINT message = command == L"close" ? WM_CLOSE : static_cast<UINT>(Number(argv[4]));
        const WPARAM wParam = command == L"post" && argc >= 6 ? static_cast<WPARAM>(Number(argv[5])) : 0;
        const LPARAM lParam = command == L"post" && argc >= 7 ? static_cast<LPARAM>(Number(argv[6])) : 0;
        return PostMessageW(window, message, wParam, lParam) ? 0 : 1;
    }
    if (command == L"usage" && argc >= 4) {
        HWND window = FindWithWait(Argument(argv[2]), Argument(argv[3]), 2000);
        return window != nullptr ? PrintUsage(window) : 1;
    }
    if (command == L"menu-choose" && argc >= 3)
        return ChooseMenuItem(argv[2][0], argc >= 4 ? static_cast<DWORD>(Number(argv[3])) : 3000);
    if (command == L"stand-in" && argc >= 3) return StandIn(static_cast<DWORD>(Number(argv[2])));
    if (command == L"hold-hotkey" && argc >= 5)
        return HoldHotKey(static_cast<UINT>(Number(argv[2])), static_cast<UINT>(Number(argv[3])),
                          static_cast<DWORD>(Number(argv[4])));
    if (command == L"hold-file" && argc >= 5) {
        HANDLE held = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held == INVALID_HANDLE_VALUE) return 1;
        HANDLE ready = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready == INVALID_HANDLE_VALUE) return 1;
        CloseHandle(ready);
        Sleep(static_cast<DWORD>(Number(argv[4])) * 1000);
        CloseHandle(held);
        return 0;
    }
    if (command == L"mutex-held" && argc >= 3) {
        const DWORD waitMs = argc >= 4 ? static_cast<DWORD>(Number(argv[3])) : 0;
        const DWORD start = GetTickCount();
        for (;;) {
            HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, argv[2]);
            if (mutex != nullptr) {
                CloseHandle(mutex);
                return 0;
            }
            if (GetTickCount() - start >= waitMs) return 1;
            Sleep(50);
        }
    }
    if (command == L"starting-copy" && argc >= 5)
        return StartingCopy(argv[2], static_cast<DWORD>(Number(argv[3])), static_cast<DWORD>(Number(argv[4])));
    if (command == L"locale") {
        std::printf("ui=%04X acp=%u\n", static_cast<unsigned>(GetUserDefaultUILanguage()), GetACP());
        return 0;
    }
    if (command == L"rect" && argc >= 4) {
        SetProcessDPIAware();  // screen pixels, not coordinates scaled for an unaware program
        HWND window = FindWithWait(Argument(argv[2]), Argument(argv[3]), 2000);
        RECT area;
        if (window == nullptr || !GetWindowRect(window, &area)) return 1;
        std::printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
        return 0;
    }
    if (command == L"foreground" && argc >= 4) {
        HWND window = FindWithWait(Argument(argv[2]), Argument(argv[3]), 2000);
        return window != nullptr && SetForegroundWindow(window) ? 0 : 1;
    }
    if (command == L"box-text") {
        HWND box = FindMessageBox(argc >= 3 ? static_cast<DWORD>(Number(argv[2])) : 0, argc >= 4 ? argv[3] : nullptr);
        if (box == nullptr) return 1;
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        PrintUtf8(text);
        return 0;
    }
    if (command == L"balloon") {
        const DWORD waitMs = argc >= 3 ? static_cast<DWORD>(Number(argv[2])) : 0;
        const DWORD start = GetTickCount();
        std::wstring text = VisibleTooltipText();
        while (text.empty() && GetTickCount() - start < waitMs) {
            Sleep(100);
            text = VisibleTooltipText();
        }
        if (text.empty()) return 1;
        PrintUtf8(text);
        return 0;
    }
    if (command == L"box-answer" && argc >= 3) {
        const int button = ButtonId(argv[2]);
        if (button == 0) return Usage();
        HWND box = FindMessageBox(argc >= 4 ? static_cast<DWORD>(Number(argv[3])) : 0, argc >= 5 ? argv[4] : nullptr);
        if (box == nullptr) return 1;
        HWND buttonWindow = GetDlgItem(box, button);
        if (buttonWindow == nullptr) return 1;
        // An owned box of a busy program (an installer's worker thread) may
        // not take a simulated mouse click; its button's notification it does.
        if (argc >= 5)
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(buttonWindow));
        else
            PostMessageW(buttonWindow, BM_CLICK, 0, 0);
        return 0;
    }
    if ((command == L"click" || command == L"select" || command == L"slide" || command == L"tab" ||
         command == L"command" || command == L"state" || command == L"visible" || command == L"text" ||
         command == L"settext") && argc >= 4)
        return ControlCommand(command, argc, argv);
    return Usage();
}
