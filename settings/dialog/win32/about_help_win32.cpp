// The about box, and HTML Help bound from the system's own hhctrl.ocx (never
// from the current directory) when help is first asked for.
#include <windows.h>

#include <cwchar>

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
