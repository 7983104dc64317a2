// The settings window's decisions: OK, Cancel with its question, Apply, the
// menu, the Apply button's state, and the code the dialog's thread ends with.
#pragma once

#include <cstdint>

#include "settings/store/settings_store.h"

namespace tellurin {

constexpr int kCommandOk = 1;
constexpr int kCommandCancel = 2;
constexpr int kCommandApply = 1002;
constexpr int kTabControlId = 1001;
constexpr int kMenuExit = 40001;
constexpr int kMenuHelp = 40002;
constexpr int kMenuAbout = 40003;
constexpr std::uint32_t UM_UPDATE_APPLY = 0x700;
constexpr std::uint32_t UM_CLOSE_SETTINGS = 0x701;

// Codes of the dialog's end; at most 2 counts as success.
constexpr std::int32_t kDialogEndedNormally = 0;
constexpr std::int32_t kDialogExitProgram = 1;
constexpr std::int32_t kDialogWindowFailed = 11;
constexpr std::int32_t kDialogPageFailed = 12;
constexpr std::int32_t kLargestSuccessCode = 2;

struct SettingsWindowState {
    bool SaveOnClose;
    std::int32_t SettingsExitCode;
    int CurrentPageIndex;  // 0 communication, 1 function, 2 data editing; also picks the help topic
};
constexpr int kPageCount = 3;
constexpr int kCommunicationPageIndex = 0;

enum class SaveQuestionAnswer { Yes, No, Cancel };

struct SettingsWindowActions {
    virtual ~SettingsWindowActions() = default;
    // "設定内容が変更されています。..." with Yes, No and Cancel.
    virtual SaveQuestionAnswer AskToSaveChanges() = 0;
    virtual void PostClose() = 0;  // UM_CLOSE_SETTINGS to the window itself
    // Apply stops being the default button, OK becomes it again, Apply is
    // disabled and the tab control takes the focus.
    virtual void AfterApply() = 0;
    virtual void ShowHelp() = 0;
    virtual void ShowAbout() = 0;
    virtual std::int32_t SaveSettings() = 0;
    // True when every page holds values that can be saved; else the page
    // that does not is shown, saying why, and nothing is saved or closed.
    virtual bool PagesValid() = 0;
};

// A new run of the dialog: saving on close, no changes yet.
void BeginSettingsRun(SettingsWindowState& state, WorkingSettings& working);

bool ApplyEnabled(const WorkingSettings& working);

void HandleSettingsCommand(SettingsWindowState& state, WorkingSettings& working, SettingsWindowActions& actions,
                           int command);

// The thread's exit code once its message loop has ended with quitCode.
std::int32_t FinishSettingsRun(const SettingsWindowState& state, std::int32_t quitCode,
                               SettingsWindowActions& actions);

}  // namespace tellurin
