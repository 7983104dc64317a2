// The settings dialog's one record for the library (zero when the library is
// loaded; the resident program loads it anew for every run), and the
// procedures of its windows.
#pragma once

#include <windows.h>

#include <string>

#include "settings/dialog/settings_window.h"

namespace tellurin {

struct SettingsDialogRun {
    HINSTANCE Module;
    HWND ResidentWindow;
    std::wstring HelpFilePath;  // empty when the program directory was too long for it
    HANDLE SetupMutex;
    HANDLE SettingsThread;
    HWND SettingsWindow;
    HWND CurrentPage;
    SettingsWindowState State;
};

SettingsDialogRun& TheSettingsDialog();

INT_PTR CALLBACK SettingsWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CommunicationPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FunctionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

// HTML Help, bound from the system's hhctrl.ocx at first use; 0 when it is not there.
HWND CallHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);
constexpr UINT kHelpDisplayToc = 0x0001;
constexpr UINT kHelpCloseAll = 0x0012;
constexpr UINT kHelpGetWindowHandle = 0x0020;
constexpr UINT kHelpInitialize = 0x001C;
constexpr UINT kHelpUninitialize = 0x001D;
constexpr UINT kHelpPretranslateMessage = 0x00FD;

// Opens the help file at the topic of the page on show.
void ShowHelpForCurrentPage(HWND window);

}  // namespace tellurin
