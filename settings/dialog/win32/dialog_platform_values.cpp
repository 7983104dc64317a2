// The settings dialog's hand-written platform numbers, compared with the
// platform's headers when the Windows binaries are built: a wrong value breaks
// the build rather than passing tests that share it.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include "settings/dialog/function_page.h"
#include "settings/dialog/settings_window.h"

namespace tellurin {
namespace {

// The function page's key list: "付加しない", Enter, Tab, the arrows, Space,
// A to Z, F1 to F12, comma, Execute and right Ctrl.
constexpr bool KeyListMatches() {
    constexpr std::uint8_t fixed[] = {0, VK_RETURN, VK_TAB, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_SPACE};
    int index = 0;
    for (const std::uint8_t key : fixed)
        if (KeyTable[index++].VirtualKey != key) return false;
    for (int letter = 0; letter < 26; ++letter)
        if (KeyTable[index++].VirtualKey != 'A' + letter) return false;
    for (int function = 0; function < 12; ++function)
        if (KeyTable[index++].VirtualKey != VK_F1 + function) return false;
    return KeyTable[index++].VirtualKey == VK_OEM_COMMA && KeyTable[index++].VirtualKey == VK_EXECUTE &&
           KeyTable[index++].VirtualKey == VK_RCONTROL && index == kKeyTableSize;
}
static_assert(KeyListMatches());

// Commands and the dialog's private messages.
static_assert(kCommandOk == IDOK && kCommandCancel == IDCANCEL);
static_assert(UM_UPDATE_APPLY >= WM_USER && UM_CLOSE_SETTINGS < WM_APP,
              "private messages lie in the window class's own range");

}  // namespace
}  // namespace tellurin
