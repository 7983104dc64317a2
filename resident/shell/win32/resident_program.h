// The resident program's one record for the process: settings, reporter,
// library client, receiver, window marks and the Win32 objects behind them.
// The window procedure and start-up find it here.
#pragma once

#include <windows.h>

#include "common/settings_records.h"
#include "resident/receiver/win32/receiver.h"
#include "resident/shell/library_client.h"
#include "resident/shell/messages.h"
#include "resident/shell/resident_window.h"

namespace tellurin {

struct ResidentProgram {
    HINSTANCE Instance = nullptr;
    HWND Window = nullptr;
    HANDLE InstanceMutex = nullptr;
    CommunicationSettings Communication = kDefaultCommunicationSettings;
    FunctionSettings Function = kDefaultFunctionSettings;
    EditRules Edit = kDefaultEditRules;
    DeviceSettings Device = kDefaultDeviceSettings;
    MessageReporter Reporter;
    SettingsLibraryClient Client{};
    Receiver ReceiverThread{Communication, Function, Edit, Device};
    ResidentMarks Marks{};
    HICON TrayIconImage = nullptr;      // icon 102, while receiving
    HICON TrayIconIdleImage = nullptr;  // icon 103, grey, otherwise
    UINT TaskbarCreatedMessage = 0;
    CRITICAL_SECTION QuitLock{};
    CRITICAL_SECTION BusyLock{};
    bool LocksInitialised = false;
    ReceiverEvents Events{};
};

ResidentProgram& TheResidentProgram();

// Window procedure of the "NON_Tellurin" class.
LRESULT CALLBACK ResidentWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The message box every report goes through.
class ErrorMessageBox final : public MessageBoxSurface {
public:
    void ShowErrorBox(const std::u16string& text) override;
};

// LoadLibraryExW by full path only (never the current directory), GetProcAddress, FreeLibrary.
// systemFolderSearch: the LOAD_LIBRARY_SEARCH_ flags are there (SetDefaultDllDirectories exists).
class Win32LibraryBinding final : public LibraryBinding {
public:
    explicit Win32LibraryBinding(bool systemFolderSearch) : systemFolderSearch_(systemFolderSearch) {}
    void* Load(const char16_t* fullPath) override;
    void* Find(void* module, const char* entryName) override;
    void Free(void* module) override;

private:
    bool systemFolderSearch_;
};

}  // namespace tellurin
