// The about box, and HTML Help bound from the system's own hhctrl.ocx (never
// from the current directory) when help is first asked for. Before the help
// window shows, the help file loses the mark of the web a downloaded zip gave
// it, and the window type's size, in pixels at 96 dpi, is scaled to the
// screen's.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "common/message_codes.h"
#include "common/win32/system_function.h"
#include "settings/dialog/win32/settings_dialog.h"

namespace tellurin {
namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFunction boundFunction = nullptr;
bool bindingTried = false;

HtmlHelpFunction BindHtmlHelp() {
    if (bindingTried) return boundFunction;
    bindingTried = true;
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 12 >= MAX_PATH) return nullptr;
    std::wcscat(path, L"\\hhctrl.ocx");
    HMODULE control = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    boundFunction = FindSystemFunction<HtmlHelpFunction>(control, "HtmlHelpW");
    return boundFunction;
}

// HTML Help shows nothing but "navigation to the webpage was canceled" for a
// file that carries the mark of the web (the Zone.Identifier stream Explorer
// copies from a downloaded zip to what it extracts). Removing the stream is
// what the file's Unblock does; where it cannot be removed (no right to
// write, a volume without streams) the help opens as it would have.
void RemoveMarkOfTheWeb(const std::wstring& helpFile) {
    (void)DeleteFileW((helpFile + L":Zone.Identifier").c_str());
}

// hhctrl keeps a window type for the process once it has it, so the scaling
// is done once, or a second F1 would scale the scaled size again.
bool windowTypeScaled = false;

// The help file's window type ("MyType") gives its position and size in
// pixels at 96 dpi; on a screen set to more, the window would open small. The
// scaled window is kept within the work area.
void ScaleHelpWindowType(const std::wstring& helpFile) {
    if (windowTypeScaled) return;
    windowTypeScaled = true;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    (void)ReleaseDC(nullptr, screen);
    if (dpi <= USER_DEFAULT_SCREEN_DPI) return;
    HH_WINTYPE* stored = nullptr;
    const std::wstring typeName = helpFile + L">MyType";
    (void)CallHtmlHelp(nullptr, typeName.c_str(), HH_GET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&stored));
    if (stored == nullptr || stored->pszType == nullptr) return;
    HH_WINTYPE scaled = *stored;
    const auto scale = [dpi](LONG value) { return static_cast<LONG>(MulDiv(value, dpi, USER_DEFAULT_SCREEN_DPI)); };
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    (void)SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const LONG width = std::min(scale(scaled.rcWindowPos.right - scaled.rcWindowPos.left), area.right - area.left);
    const LONG height = std::min(scale(scaled.rcWindowPos.bottom - scaled.rcWindowPos.top), area.bottom - area.top);
    const LONG left = std::max(area.left, std::min(scale(scaled.rcWindowPos.left), area.right - width));
    const LONG top = std::max(area.top, std::min(scale(scaled.rcWindowPos.top), area.bottom - height));
    scaled.rcWindowPos = {left, top, left + width, top + height};
    scaled.iNavWidth = scale(scaled.iNavWidth);
    scaled.fsValidMembers |= HHWIN_PARAM_RECT | HHWIN_PARAM_NAV_WIDTH;
    (void)CallHtmlHelp(nullptr, helpFile.c_str(), HH_SET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&scaled));
}

// The label of the build that runs.
constexpr const wchar_t* kWordSizeLabel = sizeof(void*) == 8 ? L"64bit version" : L"32bit version";

}  // namespace

HWND CallHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
    return boundFunction != nullptr ? boundFunction(caller, file, command, data) : nullptr;
}

void BeginHelpForThisRun() {
    SettingsDialogRun& run = TheSettingsDialog();
    run.HelpCookie = 0;
    run.HelpInitialised = boundFunction != nullptr;
    if (run.HelpInitialised) (void)CallHtmlHelp(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&run.HelpCookie));
}

void EndHelpForThisRun() {
    SettingsDialogRun& run = TheSettingsDialog();
    if (run.HelpInitialised) (void)CallHtmlHelp(nullptr, nullptr, HH_UNINITIALIZE, run.HelpCookie);
    run.HelpInitialised = false;
}

void ShowHelpForCurrentPage(HWND window) {
    SettingsDialogRun& run = TheSettingsDialog();
    if (run.HelpFilePath.empty()) return;  // the program directory was too long for a help path
    if (!run.HelpInitialised && BindHtmlHelp() != nullptr) BeginHelpForThisRun();
    RemoveMarkOfTheWeb(run.HelpFilePath);
    ScaleHelpWindowType(run.HelpFilePath);
    std::wstring path = run.HelpFilePath;
    path += run.State.CurrentPageIndex == 1 ? L"::/HTML/function.html" : L"::/HTML/communication.html";
    (void)CallHtmlHelp(window, path.c_str(), HH_DISPLAY_TOC, 0);
}

INT_PTR CALLBACK AboutBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto identity = reinterpret_cast<const wchar_t* const*>(
                SendMessageW(TheSettingsDialog().ResidentWindow, UM_GET_IDENTITY, 0, 0));
            wchar_t version[16] = L"";
            if (identity != nullptr && std::wcslen(identity[1]) + std::wcslen(identity[2]) <= 10)
                (void)wsprintfW(version, L"Ver %s.%s", identity[1], identity[2]);
            (void)SetDlgItemTextW(box, 1031, version);
            (void)SetDlgItemTextW(box, 1032, kWordSizeLabel);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                (void)EndDialog(box, 0);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace tellurin
