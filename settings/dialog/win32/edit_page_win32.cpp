// The data-editing page on Win32: it fills its boxes from the page's state,
// passes each change to the page logic, and shows the preview with the local
// time and the note naming an invalid rule. When it opens, the sample is the
// last frame the resident program received, from its TELLUR_LAST_FRAME export.
#include <windows.h>

#include <string>

#include "common/tellurs_entries.h"
#include "common/win32/local_clock.h"
#include "settings/dialog/edit_page.h"
#include "settings/dialog/win32/settings_dialog.h"
#include "settings/store/win32/library_state.h"

namespace tellurin {
namespace {

// Frames hold at most 1023 characters, each at most a surrogate pair.
constexpr std::size_t kLastFrameUnits = 2 * 1023 + 1;
// The sample escaped: at most four units per unit of a frame.
constexpr WPARAM kSampleLimit = 4 * 2 * 1023;

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The resident program's last frame, as received; empty when none has come.
// The program is this process's (its interface was checked when the dialog
// started), so its export is called directly.
std::u16string LastFrame() {
    const auto entry = reinterpret_cast<LastFrameEntry>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), kProgramLastFrameName)));
    if (entry == nullptr) return u"";
    std::u16string frame(kLastFrameUnits, u'\0');
    const std::size_t units = entry(frame.data(), frame.size());
    frame.resize(units < frame.size() ? units : frame.size() - 1);
    return frame;
}

WPARAM TextLimit(RuleBoxKind kind) {
    switch (kind) {
        case RuleBoxKind::Number: return 4;
        case RuleBoxKind::FieldSeparator: return RuleTextUnits(kFieldSeparatorCharacters) - 1;
        case RuleBoxKind::Affix: return RuleTextUnits(kAffixCharacters) - 1;
        default: return RuleTextUnits(kReplacementCharacters) - 1;
    }
}

void ShowPreview(HWND page) {
    const EditPageState& state = TheSettingsDialog().EditPage;
    LocalClock clock;
    const std::u16string preview = PreviewText(state, LibraryWorkingSettings(), clock);
    const std::u16string note = InvalidRuleNote(state);
    std::u16string marked;
    if (!note.empty()) marked.append(u"※").append(note);
    (void)SetDlgItemTextW(page, kPreviewBoxId, Wide(preview));
    (void)SetDlgItemTextW(page, kRuleNoteId, Wide(marked));
}

void InitialiseEditPage(HWND page) {
    EditPageState& state = TheSettingsDialog().EditPage;
    OpenEditPage(state, state.Opened ? u"" : LastFrame());
    // Each box's text is set before its change is listened to: the state
    // already holds it, so the change it reports is none.
    for (int index = 0; index < kRuleBoxCount; ++index) {
        const RuleBox& box = kRuleBoxes[index];
        (void)SendDlgItemMessageW(page, box.Id, EM_SETLIMITTEXT, TextLimit(box.Kind), 0);
        (void)SetDlgItemTextW(page, box.Id, Wide(state.Typed[index]));
    }
    FillKeyGroup(page, kFieldKeyGroup, LibraryWorkingSettings().Edit.FieldKey);
    (void)SendDlgItemMessageW(page, kSampleBoxId, EM_SETLIMITTEXT, kSampleLimit, 0);
    (void)SetDlgItemTextW(page, kSampleBoxId, Wide(state.Sample));
    ShowPreview(page);
}

void EditCommand(HWND page, int id, int notification) {
    EditPageState& state = TheSettingsDialog().EditPage;
    WorkingSettings& working = LibraryWorkingSettings();
    if (KeyGroupCommand(page, kFieldKeyGroup, working.Edit.FieldKey, working.EditChanged, id, notification)) {
        ShowPreview(page);
        return;
    }
    if (notification != EN_CHANGE) return;
    if (id == kSampleBoxId) {
        state.Sample = ControlText(page, id);
        ShowPreview(page);
    } else if (TypeRule(state, working, RuleBoxIndex(id), ControlText(page, id))) {
        ShowPreview(page);
    }
}

}  // namespace

INT_PTR CALLBACK EditPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseEditPage(page);
            return TRUE;
        case WM_COMMAND:
            EditCommand(page, LOWORD(wParam), HIWORD(wParam));
            UpdateApply(page);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace tellurin
