// The settings window's decisions; see settings_window.h.
#include "settings/dialog/settings_window.h"

namespace tellurin {

void BeginSettingsRun(SettingsWindowState& state, WorkingSettings& working) {
    state.SaveOnClose = true;
    state.SettingsExitCode = 0;
    working.FunctionChanged = working.CommChanged = working.EditChanged = working.DeviceChanged = false;
}

bool ApplyEnabled(const WorkingSettings& working) {
    return working.CommChanged || working.FunctionChanged || working.EditChanged || working.DeviceChanged;
}

void HandleSettingsCommand(SettingsWindowState& state, WorkingSettings& working, SettingsWindowActions& actions,
                           int command) {
    switch (command) {
        case kCommandOk:
            if (actions.PagesValid()) actions.PostClose();
            return;
        case kCommandCancel:
            if (ApplyEnabled(working)) {
                switch (actions.AskToSaveChanges()) {
                    case SaveQuestionAnswer::Cancel: return;  // the window stays, edits and flags too
                    case SaveQuestionAnswer::Yes: if (!actions.PagesValid()) return; break;
                    case SaveQuestionAnswer::No: state.SaveOnClose = false; break;
                }
            } else {
                state.SaveOnClose = false;
            }
            actions.PostClose();
            return;
        case kCommandApply:
            if (!actions.PagesValid()) return;
            state.SettingsExitCode = actions.SaveSettings();
            working.FunctionChanged = working.CommChanged = working.EditChanged = working.DeviceChanged = false;
            actions.AfterApply();
            if (state.SettingsExitCode > kLargestSuccessCode) actions.PostClose();
            return;
        case kMenuExit:
            // Edits not yet applied are dropped without a question.
            state.SaveOnClose = false;
            state.SettingsExitCode = kDialogExitProgram;
            actions.PostClose();
            return;
        case kMenuHelp:
            actions.ShowHelp();
            return;
        case kMenuAbout:
            actions.ShowAbout();
            return;
        default:
            return;
    }
}

std::int32_t FinishSettingsRun(const SettingsWindowState& state, std::int32_t quitCode,
                               SettingsWindowActions& actions) {
    if (quitCode <= kLargestSuccessCode && state.SaveOnClose) return actions.SaveSettings();
    return quitCode;
}

}  // namespace tellurin
