// The first two pages on Win32, and the key groups every page shares: they fill their controls from the working settings
// and pass each notification to the page logic, then ask the settings window
// to update Apply. The communication page also checks, after Apply, whether
// another program holds the request hot key.
#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

#include "settings/dialog/communication_page.h"
#include "settings/dialog/function_page.h"
#include "settings/dialog/win32/settings_dialog.h"
#include "settings/store/win32/library_state.h"

namespace tellurin {
namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void FillList(HWND page, int id, const char16_t* const* texts, int count, int selected) {
    (void)SendDlgItemMessageW(page, id, CB_RESETCONTENT, 0, 0);
    for (int index = 0; index < count; ++index)
        (void)SendDlgItemMessageW(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(texts[index])));
    (void)SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int SelectedIndex(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }

void ShowRadioGroup(HWND page, const RadioGroup& group, int checked) {
    for (int index = 0; group.Values[index] != u'\0'; ++index)
        (void)CheckDlgButton(page, group.FirstId + index, index == checked ? BST_CHECKED : BST_UNCHECKED);
}

int CheckedInGroup(HWND page, const RadioGroup& group) {
    for (int index = 0; group.Values[index] != u'\0'; ++index)
        if (IsChecked(page, group.FirstId + index)) return index;
    return -1;
}

const RadioGroup* GroupOfButton(int id) {
    for (const RadioGroup* group : {&kDataBitGroup, &kStopBitGroup, &kParityGroup, &kFlowControlGroup}) {
        int buttons = 0;
        while (group->Values[buttons] != u'\0') ++buttons;
        if (id >= group->FirstId && id < group->FirstId + buttons) return group;
    }
    return nullptr;
}

// Room for every valid value, and for a few characters more so that a wrong
// one can be typed and named.
WPARAM DeviceBoxLimit(DeviceBoxKind kind) {
    switch (kind) {
        case DeviceBoxKind::FrameGap: return 5;
        case DeviceBoxKind::RequestCommand: return kRequestCommandCharacters;
        case DeviceBoxKind::RequestInterval: return 8;
        case DeviceBoxKind::RequestTimeout: return 6;
    }
    return 0;
}

void ShowCommunicationNote(HWND page) {
    const std::u16string note = CommunicationNote(TheSettingsDialog().CommunicationPage);
    const std::u16string marked = note.empty() ? note : u"※" + note;
    (void)SetDlgItemTextW(page, kCommunicationNoteId, reinterpret_cast<const wchar_t*>(marked.c_str()));
}

// True when another program holds the chord: registering it is refused with
// ERROR_HOTKEY_ALREADY_REGISTERED. A registration that succeeds is undone at
// once; the resident program registers the chord itself when the port opens
// (while the dialog is open the port is closed, so it holds none).
bool HotKeyHeldElsewhere(KeyChord chord) {
    constexpr int kCheckId = 0xBFFF;  // the top of the range a program may use
    const UINT modifiers = ((chord & kChordShift) != 0 ? MOD_SHIFT : 0U) |
                           ((chord & kChordCtrl) != 0 ? MOD_CONTROL : 0U) | ((chord & kChordAlt) != 0 ? MOD_ALT : 0U);
    if (RegisterHotKey(nullptr, kCheckId, modifiers, chord & kChordKeyMask)) {
        (void)UnregisterHotKey(nullptr, kCheckId);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

void InitialiseCommunicationPage(HWND page) {
    const CommunicationPageView view = ShowCommunicationPage(LibraryWorkingSettings().Communication);
    (void)SendDlgItemMessageW(page, 1003, CB_RESETCONTENT, 0, 0);
    for (int number = 1; number <= kPortCount; ++number)
        (void)SendDlgItemMessageW(page, 1003, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(PortName(number).c_str())));
    (void)SendDlgItemMessageW(page, 1003, CB_SETCURSEL, static_cast<WPARAM>(view.PortIndex), 0);
    FillList(page, 1004, kBaudRateTexts, static_cast<int>(kBaudRateCount), view.BaudIndex);
    FillList(page, 1015, kProtocolTexts, kProtocolCount, view.ProtocolIndex);
    ShowRadioGroup(page, kDataBitGroup, view.DataBitChecked);
    ShowRadioGroup(page, kStopBitGroup, view.StopBitChecked);
    ShowRadioGroup(page, kParityGroup, view.ParityChecked);
    ShowRadioGroup(page, kFlowControlGroup, view.FlowControlChecked);
    // Each box's text is set before its change is listened to: the state
    // already holds it, so the change it reports is none.
    const CommunicationPageState& state = TheSettingsDialog().CommunicationPage;
    for (int index = 0; index < kDeviceBoxCount; ++index) {
        const DeviceBox& box = kDeviceBoxes[index];
        (void)SendDlgItemMessageW(page, box.Id, EM_SETLIMITTEXT, DeviceBoxLimit(box.Kind), 0);
        (void)SetDlgItemTextW(page, box.Id, reinterpret_cast<const wchar_t*>(state.Typed[index].c_str()));
    }
    FillKeyGroup(page, kRequestHotKeyGroup, LibraryWorkingSettings().Device.RequestHotKey);
    ShowCommunicationNote(page);
}

void CommunicationCommand(HWND page, int id, int notification) {
    WorkingSettings& working = LibraryWorkingSettings();
    if (notification == CBN_SELENDOK && id == 1003) {
        wchar_t text[8] = {};
        const int index = SelectedIndex(page, id);
        if (index >= 0 && index < kPortCount) {
            (void)GetDlgItemTextW(page, id, text, 8);
            (void)SelectPort(working, index, reinterpret_cast<const char16_t*>(text));
        }
    } else if (notification == CBN_SELENDOK && id == 1004) {
        (void)SelectBaudRate(working, SelectedIndex(page, id));
    } else if (notification == CBN_SELENDOK && id == 1015) {
        (void)SelectProtocol(working, SelectedIndex(page, id));
    } else if (const RadioGroup* group = GroupOfButton(id)) {
        (void)SelectRadio(working, *group, CheckedInGroup(page, *group));
    } else if (KeyGroupCommand(page, kRequestHotKeyGroup, working.Device.RequestHotKey, working.DeviceChanged, id,
                               notification)) {
        return;
    } else if (notification == EN_CHANGE &&
               TypeDeviceValue(TheSettingsDialog().CommunicationPage, working, DeviceBoxIndex(id),
                               ControlText(page, id))) {
        ShowCommunicationNote(page);
    }
}

KeyChord& ChordOf(FunctionSettings& settings, const KeyGroup& group) {
    if (group.ListId == kHeadKeyGroup.ListId) return settings.HeadKey;
    if (group.ListId == kTermKey1Group.ListId) return settings.TermKey1;
    return settings.TermKey2;
}

void ShowTermKey2Availability(HWND page, const FunctionSettings& settings) {
    const TermKey2Availability state = TermKey2GroupState(settings);
    (void)EnableWindow(GetDlgItem(page, kTermKey2Group.ListId), state.ListEnabled);
    for (int id : {kTermKey2Group.ShiftId, kTermKey2Group.CtrlId, kTermKey2Group.AltId})
        (void)EnableWindow(GetDlgItem(page, id), state.BoxesEnabled);
}

void InitialiseFunctionPage(HWND page) {
    const FunctionSettings& settings = LibraryWorkingSettings().Function;
    FillKeyGroup(page, kHeadKeyGroup, settings.HeadKey);
    FillKeyGroup(page, kTermKey1Group, settings.TermKey1);
    FillKeyGroup(page, kTermKey2Group, settings.TermKey2);
    if ((settings.TermKey1 & kChordKeyMask) == 0)
        for (int id : {kTermKey2Group.ListId, kTermKey2Group.ShiftId, kTermKey2Group.CtrlId, kTermKey2Group.AltId})
            (void)EnableWindow(GetDlgItem(page, id), FALSE);
    HWND slider = GetDlgItem(page, kKeySpeedSliderId);
    (void)SendMessageW(slider, TBM_SETLINESIZE, 0, 1);
    (void)SendMessageW(slider, TBM_SETPAGESIZE, 0, 1);
    (void)SendMessageW(slider, TBM_SETTICFREQ, 1, 0);
    (void)SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 9));
    (void)SendMessageW(slider, TBM_SETPOS, TRUE, settings.KeySpeed);
    (void)CheckDlgButton(page, kCapsLockBoxId, settings.CapsLock == u'Y' ? BST_CHECKED : BST_UNCHECKED);
    (void)CheckDlgButton(page, kTrayIconBoxId, settings.TrayIcon == u'Y' ? BST_CHECKED : BST_UNCHECKED);
    FillList(page, kCharacterCodeListId, kCharacterCodeTexts, kCharacterCodeCount,
             CharacterCodeIndex(settings.CharacterCode));
    (void)CheckDlgButton(page, kImeOffBoxId, settings.ImeOff == u'Y' ? BST_CHECKED : BST_UNCHECKED);
}

void FunctionCommand(HWND page, int id, int notification) {
    WorkingSettings& working = LibraryWorkingSettings();
    FunctionSettings& settings = working.Function;
    for (const KeyGroup* group : {&kHeadKeyGroup, &kTermKey1Group, &kTermKey2Group}) {
        if (!KeyGroupCommand(page, *group, ChordOf(settings, *group), working.FunctionChanged, id, notification))
            continue;
        if (group == &kTermKey1Group) ShowTermKey2Availability(page, settings);
        return;
    }
    if (id == kCapsLockBoxId) (void)SetYesNo(working, settings.CapsLock, IsChecked(page, id));
    if (id == kTrayIconBoxId) (void)SetYesNo(working, settings.TrayIcon, IsChecked(page, id));
    if (id == kCharacterCodeListId && notification == CBN_SELENDOK)
        (void)SelectCharacterCode(working, SelectedIndex(page, id));
    if (id == kImeOffBoxId) (void)SetYesNo(working, settings.ImeOff, IsChecked(page, id));
}

}  // namespace

void UpdateApply(HWND page) { (void)SendMessageW(GetParent(page), UM_UPDATE_APPLY, 0, 0); }

std::u16string ControlText(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void CheckAppliedHotKey() {
    SettingsDialogRun& run = TheSettingsDialog();
    const KeyChord chord = LibraryWorkingSettings().Device.RequestHotKey;
    if (HotKeyToCheck(run.CommunicationPage, LibraryWorkingSettings().Device))
        HotKeyChecked(run.CommunicationPage, HotKeyHeldElsewhere(chord));
    if (run.State.CurrentPageIndex == kCommunicationPageIndex && run.CurrentPage != nullptr)
        ShowCommunicationNote(run.CurrentPage);
}

void ShowChord(HWND page, const KeyGroup& group, KeyChord chord) {
    const KeyChordView view = ShowKeyChord(chord);
    (void)SendDlgItemMessageW(page, group.ListId, CB_SETCURSEL, static_cast<WPARAM>(view.ListIndex), 0);
    (void)CheckDlgButton(page, group.ShiftId, view.Shift ? BST_CHECKED : BST_UNCHECKED);
    (void)CheckDlgButton(page, group.CtrlId, view.Ctrl ? BST_CHECKED : BST_UNCHECKED);
    (void)CheckDlgButton(page, group.AltId, view.Alt ? BST_CHECKED : BST_UNCHECKED);
    for (int id : {group.ShiftId, group.CtrlId, group.AltId}) (void)EnableWindow(GetDlgItem(page, id), view.BoxesEnabled);
}

void FillKeyGroup(HWND page, const KeyGroup& group, KeyChord chord) {
    (void)SendDlgItemMessageW(page, group.ListId, CB_RESETCONTENT, 0, 0);
    for (const KeyTableEntry& entry : KeyTable)
        (void)SendDlgItemMessageW(page, group.ListId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry.Text)));
    ShowChord(page, group, chord);
}

bool KeyGroupCommand(HWND page, const KeyGroup& group, KeyChord& chord, bool& changed, int id, int notification) {
    if (id == group.ListId) {
        if (notification == CBN_SELENDOK && SetKey(changed, chord, SelectedIndex(page, id))) ShowChord(page, group, chord);
        return true;
    }
    const std::pair<int, KeyChord> boxes[] = {{group.ShiftId, kChordShift}, {group.CtrlId, kChordCtrl}, {group.AltId, kChordAlt}};
    for (const auto& [boxId, bit] : boxes)
        if (id == boxId) {
            (void)SetModifier(changed, chord, bit, IsChecked(page, boxId));
            return true;
        }
    return false;
}

INT_PTR CALLBACK CommunicationPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseCommunicationPage(page);
            return TRUE;
        case WM_COMMAND:
            CommunicationCommand(page, LOWORD(wParam), HIWORD(wParam));
            UpdateApply(page);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK FunctionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitialiseFunctionPage(page);
            return TRUE;
        case WM_COMMAND:
            FunctionCommand(page, LOWORD(wParam), HIWORD(wParam));
            UpdateApply(page);
            return TRUE;
        case WM_HSCROLL: {
            HWND slider = GetDlgItem(page, kKeySpeedSliderId);
            if (reinterpret_cast<HWND>(lParam) != slider) return FALSE;
            (void)SetKeySpeed(LibraryWorkingSettings(), static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
            UpdateApply(page);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

}  // namespace tellurin
