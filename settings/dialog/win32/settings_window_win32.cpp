// The settings window on Win32: the tab control and its three pages, the
// buttons and the menu. Decisions are in settings_window.cpp.
#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>

#include "settings/dialog/win32/settings_dialog.h"
#include "settings/store/settings_store.h"
#include "settings/store/win32/library_state.h"
#include "settings/store/win32/win32_registry.h"

namespace tellurin {
namespace {

constexpr wchar_t kSaveQuestion[] = L"設定内容が変更されています。\n\n\u3000設定を保存しますか？";

// The pages in the order of their tabs: the tab's text, the page's dialog
// resource and its procedure.
struct PageEntry {
    const wchar_t* TabText;
    int Resource;
    DLGPROC Procedure;
};
const PageEntry kPages[kPageCount] = {{L" 通信設定 ", 106, CommunicationPageProcedure},
                                      {L" 機能設定 ", 107, FunctionPageProcedure},
                                      {L" データ編集 ", 109, EditPageProcedure}};
constexpr int kEditPageIndex = 2;

bool SwitchToPage(HWND window, int index);

class Win32SettingsWindowActions final : public SettingsWindowActions {
public:
    explicit Win32SettingsWindowActions(HWND window) : window_(window) {}

    SaveQuestionAnswer AskToSaveChanges() override {
        switch (MessageBoxW(window_, kSaveQuestion, L"Tellurin", MB_YESNOCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND)) {
            case IDYES: return SaveQuestionAnswer::Yes;
            case IDNO: return SaveQuestionAnswer::No;
            default: return SaveQuestionAnswer::Cancel;
        }
    }
    void PostClose() override { (void)PostMessageW(window_, UM_CLOSE_SETTINGS, 0, 0); }
    void AfterApply() override {
        (void)SendDlgItemMessageW(window_, kCommandApply, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        (void)SendDlgItemMessageW(window_, kCommandOk, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        (void)EnableWindow(GetDlgItem(window_, kCommandApply), FALSE);
        (void)SetFocus(GetDlgItem(window_, kTabControlId));
        CheckAppliedHotKey();
    }
    void ShowHelp() override { ShowHelpForCurrentPage(window_); }
    void ShowAbout() override {
        (void)DialogBoxParamW(TheSettingsDialog().Module, MAKEINTRESOURCEW(108), window_, AboutBoxProcedure, 0);
    }
    std::int32_t SaveSettings() override {
        CurrentUserRegistry registry;
        return tellurin::SaveSettings(registry, LibraryWorkingSettings());
    }
    // The communication page's device boxes and the data-editing page's rule
    // boxes can be invalid: the first page with one is shown with its note,
    // and its first invalid box takes the focus.
    bool PagesValid() override {
        SettingsDialogRun& run = TheSettingsDialog();
        int pageIndex;
        int boxId = 0;
        if (!DeviceValuesValid(run.CommunicationPage)) {
            pageIndex = kCommunicationPageIndex;
            for (int index = kDeviceBoxCount - 1; index >= 0; --index)
                if ((run.CommunicationPage.Invalid & (1u << index)) != 0) boxId = kDeviceBoxes[index].Id;
        } else if (!EditRulesValid(run.EditPage)) {
            pageIndex = kEditPageIndex;
            for (int index = kRuleBoxCount - 1; index >= 0; --index)
                if ((run.EditPage.Invalid & (1u << index)) != 0) boxId = kRuleBoxes[index].Id;
        } else {
            return true;
        }
        (void)MessageBeep(MB_ICONWARNING);
        if (run.State.CurrentPageIndex != pageIndex) {
            (void)SendDlgItemMessageW(window_, kTabControlId, TCM_SETCURSEL, pageIndex, 0);
            (void)SwitchToPage(window_, pageIndex);
        }
        (void)SetFocus(GetDlgItem(run.CurrentPage, boxId));
        return false;
    }

private:
    HWND window_;
};

void DestroyCurrentPage(SettingsDialogRun& run) {
    if (run.CurrentPage != nullptr) (void)DestroyWindow(run.CurrentPage);
    run.CurrentPage = nullptr;
}

void PlacePage(HWND window, HWND page) {
    HWND tabs = GetDlgItem(window, kTabControlId);
    RECT area;
    (void)GetClientRect(tabs, &area);
    (void)SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    (void)MapWindowPoints(tabs, window, reinterpret_cast<POINT*>(&area), 2);
    (void)EnableThemeDialogTexture(page, ETDT_ENABLETAB);
    (void)MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
    (void)ShowWindow(page, SW_SHOW);
    (void)BringWindowToTop(page);
}

// Builds the page of the index from the working settings; false when it
// could not be created.
bool SwitchToPage(HWND window, int index) {
    SettingsDialogRun& run = TheSettingsDialog();
    HWND focus = GetFocus();
    DestroyCurrentPage(run);
    run.State.CurrentPageIndex = index;
    run.CurrentPage = CreateDialogParamW(run.Module, MAKEINTRESOURCEW(kPages[index].Resource), window,
                                         kPages[index].Procedure, 0);
    if (run.CurrentPage == nullptr) return false;
    PlacePage(window, run.CurrentPage);
    (void)SetFocus(focus != nullptr && IsWindow(focus) ? focus : run.CurrentPage);
    return true;
}

void FailWithPageError(HWND window) {
    TheSettingsDialog().State.SettingsExitCode = kDialogPageFailed;
    (void)PostMessageW(window, UM_CLOSE_SETTINGS, 0, 0);
}

INT_PTR InitialiseWindow(HWND window) {
    SettingsDialogRun& run = TheSettingsDialog();
    // Shared: loaded once per process, not once per opening of the dialog; at
    // the sizes the system uses for window icons at its scaling (each icon
    // holds images from 16 to 48 pixels).
    const auto icon = [&](int id, int width, int height) {
        return LoadImageW(run.Module, MAKEINTRESOURCEW(id), IMAGE_ICON, GetSystemMetrics(width),
                          GetSystemMetrics(height), LR_DEFAULTCOLOR | LR_SHARED);
    };
    (void)SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon(103, SM_CXSMICON, SM_CYSMICON)));
    (void)SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon(104, SM_CXICON, SM_CYICON)));
    HWND tabs = GetDlgItem(window, kTabControlId);
    for (int index = 0; index < kPageCount; ++index) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPages[index].TabText);
        (void)SendMessageW(tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
    }
    (void)SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
    run.CurrentPage = nullptr;
    if (!SwitchToPage(window, 0)) {
        FailWithPageError(window);
        return TRUE;
    }
    (void)SetFocus(GetDlgItem(window, kCommandOk));
    return FALSE;  // the focus has been set here
}

void CloseSettingsWindow(HWND window) {
    SettingsDialogRun& run = TheSettingsDialog();
    if (!run.HelpFilePath.empty() &&
        CallHtmlHelp(window, run.HelpFilePath.c_str(), HH_GET_WIN_HANDLE, reinterpret_cast<DWORD_PTR>(L"MyType")))
        (void)CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    DestroyCurrentPage(run);
    (void)DestroyWindow(window);
}

}  // namespace

INT_PTR CALLBACK SettingsWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SettingsDialogRun& run = TheSettingsDialog();
    switch (message) {
        case WM_INITDIALOG:
            return InitialiseWindow(window);
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
                const auto selected = static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0));
                if (selected >= 0 && selected < kPageCount && selected != run.State.CurrentPageIndex &&
                    !SwitchToPage(window, selected))
                    FailWithPageError(window);
            }
            return TRUE;
        }
        case WM_COMMAND: {
            Win32SettingsWindowActions actions(window);
            HandleSettingsCommand(run.State, LibraryWorkingSettings(), actions, LOWORD(wParam));
            return TRUE;
        }
        case WM_SIZE:
            // The window and its controls scale themselves when it moves to a
            // display of another scaling; the page then fills the tab's new area.
            if (run.CurrentPage != nullptr) PlacePage(window, run.CurrentPage);
            return FALSE;
        case UM_UPDATE_APPLY:
            (void)EnableWindow(GetDlgItem(window, kCommandApply), ApplyEnabled(LibraryWorkingSettings()));
            return TRUE;
        case UM_CLOSE_SETTINGS:
            CloseSettingsWindow(window);
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(run.State.SettingsExitCode);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace tellurin
