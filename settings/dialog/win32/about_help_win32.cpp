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
    boundFunction = FindSystemFunction<HtmlHelpFunction>(LoadSystemLibrary(L"hhctrl.ocx"), "HtmlHelpW");
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

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return USER_DEFAULT_SCREEN_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    (void)ReleaseDC(nullptr, screen);
    return dpi;
}

// A rectangle given in pixels at 96 dpi, scaled to the dpi and kept within
// the work area.
RECT ScaledWithinWorkArea(const RECT& at96, int dpi) {
    const auto scale = [dpi](LONG value) { return static_cast<LONG>(MulDiv(value, dpi, USER_DEFAULT_SCREEN_DPI)); };
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    (void)SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const LONG width = std::min(scale(at96.right - at96.left), area.right - area.left);
    const LONG height = std::min(scale(at96.bottom - at96.top), area.bottom - area.top);
    const LONG left = std::max(area.left, std::min(scale(at96.left), area.right - width));
    const LONG top = std::max(area.top, std::min(scale(at96.top), area.bottom - height));
    return RECT{left, top, left + width, top + height};
}

// hhctrl keeps a window type for the process once it has it, so the type is
// scaled once, or a second F1 would scale the scaled size again.
enum class TypeScaling { NotTried, Done, Unavailable };
TypeScaling typeScaling = TypeScaling::NotTried;

// The help file's window type ("MyType") gives the window's position and
// size in pixels at 96 dpi; on a screen set to more, the window would open
// small. Where hhctrl lends the type out, it is scaled before any window is
// made from it.
void ScaleHelpWindowType(const std::wstring& helpFile, int dpi) {
    if (typeScaling != TypeScaling::NotTried) return;
    typeScaling = TypeScaling::Unavailable;
    HH_WINTYPE* stored = nullptr;
    const std::wstring typeName = helpFile + L">MyType";
    (void)CallHtmlHelp(nullptr, typeName.c_str(), HH_GET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&stored));
    if (stored == nullptr || stored->pszType == nullptr) return;
    HH_WINTYPE scaled = *stored;
    scaled.rcWindowPos = ScaledWithinWorkArea(scaled.rcWindowPos, dpi);
    scaled.iNavWidth = MulDiv(scaled.iNavWidth, dpi, USER_DEFAULT_SCREEN_DPI);
    scaled.fsValidMembers |= HHWIN_PARAM_RECT | HHWIN_PARAM_NAV_WIDTH;
    // The type is named with the file ("file.chm>MyType"); a set that did not
    // take (the answer says nothing either way) leaves the window to be
    // scaled once it is made.
    (void)CallHtmlHelp(nullptr, typeName.c_str(), HH_SET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&scaled));
    HH_WINTYPE* now = nullptr;
    (void)CallHtmlHelp(nullptr, typeName.c_str(), HH_GET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&now));
    if (now != nullptr && EqualRect(&now->rcWindowPos, &scaled.rcWindowPos)) typeScaling = TypeScaling::Done;
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
    const int dpi = ScreenDpi();
    const bool scaling = dpi > USER_DEFAULT_SCREEN_DPI;
    if (scaling) ScaleHelpWindowType(run.HelpFilePath, dpi);
    const bool opening =
        CallHtmlHelp(window, run.HelpFilePath.c_str(), HH_GET_WIN_HANDLE, reinterpret_cast<DWORD_PTR>(L"MyType")) == nullptr;
    std::wstring path = run.HelpFilePath;
    // The topic of each page, in the order of the tabs.
    const wchar_t* const topics[kPageCount] = {L"::/HTML/communication.html", L"::/HTML/function.html",
                                               L"::/HTML/edit.html"};
    const int page = run.State.CurrentPageIndex;
    path += topics[page >= 0 && page < kPageCount ? page : 0];
    HWND help = CallHtmlHelp(window, path.c_str(), HH_DISPLAY_TOC, 0);
    // Where hhctrl lends no window type out, a window it has just made at the
    // type's 96-dpi size is scaled instead; one the user has already placed
    // is left where it is.
    RECT at96;
    if (scaling && opening && typeScaling == TypeScaling::Unavailable && help != nullptr &&
        GetWindowRect(help, &at96)) {
        const RECT scaled = ScaledWithinWorkArea(at96, dpi);
        (void)SetWindowPos(help, nullptr, scaled.left, scaled.top, scaled.right - scaled.left,
                           scaled.bottom - scaled.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
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
