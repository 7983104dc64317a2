// The numbers both binaries share, compared with the platform's headers when
// the Windows binaries are built. Each room checks its own numbers beside its
// own Win32 code; this file checks only what the shared layer defines.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include "common/edit_rules.h"
#include "common/message_codes.h"

namespace tellurin {
namespace {

static_assert(UM_GET_IDENTITY >= WM_USER && UM_RECEPTION_CAUSES < WM_APP,
              "private messages lie in the window class's own range");
static_assert(kSettingsDialogStillRunning == STILL_ACTIVE);
static_assert(kDefaultEditRules.FieldKey == VK_TAB, "fields are separated by Tab unless set otherwise");

}  // namespace
}  // namespace tellurin
