// The settings dialog's one record for the library (zero when the library is
// loaded; the resident program loads it anew for every run), and the
// procedures of its windows.
#pragma once

#include <windows.h>

#include <htmlhelp.h>

#include <string>

#include "settings/dialog/communication_page.h"
#include "settings/dialog/edit_page.h"
#include "settings/dialog/function_page.h"
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
    CommunicationPageState CommunicationPage;
    EditPageState EditPage;
    DWORD_PTR HelpCookie;   // from HH_INITIALIZE, for HH_UNINITIALIZE
    bool HelpInitialised;   // HH_INITIALIZE was called on this run's thread
    HACCEL Accelerators;    // loaded at the first opening, kept for the next
};

SettingsDialogRun& TheSettingsDialog();

INT_PTR CALLBACK SettingsWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CommunicationPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FunctionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

// A key group on a page: its list filled from the key table and the chord
// shown; a notification of its list or boxes passed to the chord, with the
// page's flag (false when the control is not the group's).
void FillKeyGroup(HWND page, const KeyGroup& group, KeyChord chord);
void ShowChord(HWND page, const KeyGroup& group, KeyChord chord);
bool KeyGroupCommand(HWND page, const KeyGroup& group, KeyChord& chord, bool& changed, int id, int notification);
// Asks the settings window to enable or disable Apply.
void UpdateApply(HWND page);
// A box's text as the user left it.
std::u16string ControlText(HWND page, int id);
// After Apply has saved: checks a changed request hot key against the other
// programs' and shows the answer on the communication page.
void CheckAppliedHotKey();

// HTML Help, bound from the system's hhctrl.ocx when help is first shown;
// every call answers 0 while it is not bound (or not installed).
HWND CallHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);
// HH_INITIALIZE / HH_UNINITIALIZE for the dialog's thread, when help is bound.
void BeginHelpForThisRun();
void EndHelpForThisRun();

// Opens the help file at the topic of the page on show.
void ShowHelpForCurrentPage(HWND window);

}  // namespace tellurin
