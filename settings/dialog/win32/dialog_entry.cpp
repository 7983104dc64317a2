// TELLURS_00: the start and finish of the settings dialog, and the dialog's
// thread with its message loop.
#include <windows.h>

#include <commctrl.h>

#include <type_traits>

#include "common/message_codes.h"
#include "common/tellurs_entries.h"
#include "settings/dialog/win32/settings_dialog.h"
#include "settings/store/win32/library_state.h"
#include "settings/store/win32/win32_registry.h"

namespace tellurin {
namespace {

constexpr DWORD kFinishWaitMilliseconds = 10000;
constexpr std::size_t kHelpPathUnits = 260;

// The save the thread's end and Apply perform, over the current user's registry.
std::int32_t SaveWorkingSettings() {
    CurrentUserRegistry registry;
    return SaveSettings(registry, LibraryWorkingSettings());
}

// Only the save is needed at the thread's end.
class ThreadEndActions final : public SettingsWindowActions {
public:
    SaveQuestionAnswer AskToSaveChanges() override { return SaveQuestionAnswer::Cancel; }
    void PostClose() override {}
    void AfterApply() override {}
    void ShowHelp() override {}
    void ShowAbout() override {}
    std::int32_t SaveSettings() override { return SaveWorkingSettings(); }
    bool PagesValid() override { return true; }
};

DWORD WINAPI SettingsThreadProcedure(LPVOID) {
    SettingsDialogRun& run = TheSettingsDialog();
    BeginSettingsRun(run.State, LibraryWorkingSettings());
    BeginCommunicationPage(run.CommunicationPage, LibraryWorkingSettings().Device);
    BeginEditPage(run.EditPage, LibraryWorkingSettings().Edit);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    (void)InitCommonControlsEx(&controls);
    if (run.Accelerators == nullptr) run.Accelerators = LoadAcceleratorsW(run.Module, MAKEINTRESOURCEW(101));
    HACCEL accelerators = run.Accelerators;

    std::int32_t code = kDialogWindowFailed;
    run.SettingsWindow = CreateDialogParamW(run.Module, MAKEINTRESOURCEW(105), nullptr, SettingsWindowProcedure, 0);
    if (run.SettingsWindow != nullptr) {
        (void)ShowWindow(run.SettingsWindow, SW_SHOW);
        (void)SetForegroundWindow(run.SettingsWindow);
        BeginHelpForThisRun();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (TranslateAcceleratorW(run.SettingsWindow, accelerators, &message)) continue;
            if (IsDialogMessageW(run.SettingsWindow, &message)) continue;
            if (CallHtmlHelp(nullptr, nullptr, HH_PRETRANSLATEMESSAGE, reinterpret_cast<DWORD_PTR>(&message)))
                continue;
            (void)TranslateMessage(&message);
            (void)DispatchMessageW(&message);
        }
        EndHelpForThisRun();
        ThreadEndActions actions;
        code = FinishSettingsRun(run.State, static_cast<std::int32_t>(message.wParam), actions);
    }
    (void)PostMessageW(run.ResidentWindow, UM_SETTINGS_CLOSED, 0, 0);
    return static_cast<DWORD>(code);
}

std::int32_t StartDialog(HWND residentWindow, const char16_t* programDirectory,
                         const CommunicationSettings* communication, const FunctionSettings* function) {
    SettingsDialogRun& run = TheSettingsDialog();
    run.ResidentWindow = residentWindow;
    // A directory too long for the help path disables help rather than
    // pointing it at another file.
    run.HelpFilePath.clear();
    if (programDirectory != nullptr) {
        std::wstring path = reinterpret_cast<const wchar_t*>(programDirectory);
        path += L"\\TELLURHLP.CHM";
        if (path.size() + 1 <= kHelpPathUnits) run.HelpFilePath = path;
    }
    WorkingSettings& working = LibraryWorkingSettings();
    if (communication != nullptr) working.Communication = *communication;
    if (function != nullptr) working.Function = *function;
    // The editing rules and the device's values are the store's, read afresh
    // for every opening: the program passes none, and an invalid value shows
    // its default.
    CurrentUserRegistry registry;
    working.Edit = kDefaultEditRules;
    ReadEditKey(registry, working.Edit, kEditKeyPath);
    working.Device = kDefaultDeviceSettings;
    ReadDeviceKey(registry, working.Device, kCommunicationKeyPath);

    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"TELLUR_SETUP");
    if (mutex == nullptr) return MessageSetupNotInitialised;
    const DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        (void)CloseHandle(mutex);
        return MessageSetupNotInitialised;
    }
    HANDLE thread = CreateThread(nullptr, 0, SettingsThreadProcedure, nullptr, 0, nullptr);
    if (thread == nullptr) {
        (void)CloseHandle(mutex);
        return MessageSetupNotInitialised;
    }
    run.SetupMutex = mutex;
    run.SettingsThread = thread;
    return MessageNone;
}

std::int32_t FinishDialog() {
    SettingsDialogRun& run = TheSettingsDialog();
    if (run.SettingsThread == nullptr) return MessageFunctionFailure;
    // A thread still running after the wait reports STILL_ACTIVE; the
    // resident program then keeps the library loaded under it.
    (void)WaitForSingleObject(run.SettingsThread, kFinishWaitMilliseconds);
    DWORD exitCode = kSettingsDialogStillRunning;
    (void)GetExitCodeThread(run.SettingsThread, &exitCode);
    (void)CloseHandle(run.SettingsThread);
    (void)CloseHandle(run.SetupMutex);
    run.SettingsThread = nullptr;
    run.SetupMutex = nullptr;
    return static_cast<std::int32_t>(exitCode);
}

}  // namespace

SettingsDialogRun& TheSettingsDialog() {
    static SettingsDialogRun run{};
    return run;
}

}  // namespace tellurin

extern "C" __declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_00(void* owner, const char16_t* programDirectory,
                                                                       tellurin::CommunicationSettings* communication,
                                                                       tellurin::FunctionSettings* function) {
    // A finish has nothing to do unless a start was let through.
    if (owner == nullptr) return tellurin::FinishDialog();
    if (!tellurin::LoadedByOwnProgram()) return tellurin::MessageSetupNotInitialised;
    return tellurin::StartDialog(static_cast<HWND>(owner), programDirectory, communication, function);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tellurin::TheSettingsDialog().Module = module;
        (void)DisableThreadLibraryCalls(module);
        // The library stays in the process from its first load: the resident
        // program's loads and frees then only count references. The C++
        // runtime linked in here keeps per-thread state (a TLS directory);
        // unloading such a library and loading it again crashed the resident
        // program under Wine, within a few port openings or at the first
        // thread start after a dialog had run.
        HMODULE self = nullptr;
        (void)GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                 reinterpret_cast<LPCWSTR>(&DllMain), &self);
    }
    return TRUE;
}

static_assert(std::is_same_v<decltype(&TELLURS_00), tellurin::SettingsDialogEntry>);
