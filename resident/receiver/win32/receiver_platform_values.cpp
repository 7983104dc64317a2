// The receiver's hand-written platform numbers, compared with the platform's
// headers when the Windows binaries are built: a wrong value breaks the build
// rather than passing tests that share it.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include <cstddef>
#include <type_traits>

#include "common/data_editing.h"
#include "resident/receiver/input_target.h"
#include "resident/receiver/keyboard.h"
#include "resident/receiver/receiver_loop.h"

namespace tellurin {
namespace {

// The port-event mask of the receiver, and its wait without a time-out.
static_assert(kPortEventReceivedCharacter == EV_RXCHAR && kPortEventLineError == EV_ERR);
static_assert(kNoTimeout == INFINITE);

// Key events and the keys the receiver names. The enhanced keys are those
// whose scan code carries the E0 prefix; NumLock's is a plain 45.
static_assert(kKeyEventScanCode == KEYEVENTF_SCANCODE && kKeyEventExtended == KEYEVENTF_EXTENDEDKEY &&
              kKeyEventKeyUp == KEYEVENTF_KEYUP && kKeyEventUnicode == KEYEVENTF_UNICODE);
static_assert(kVirtualKeyDown == 0 && kVirtualKeyUp == KEYEVENTF_KEYUP &&
              kUnicodeDown == KEYEVENTF_UNICODE && kUnicodeUp == (KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
// MapVirtualKeyExW marks a dead key with the top bit of its UINT answer.
static_assert(kDeadKeyBit == UINT{1} << (sizeof(UINT) * 8 - 1));
static_assert(kVkShift == VK_SHIFT && kVkControl == VK_CONTROL && kVkMenu == VK_MENU);
constexpr std::uint8_t kExpectedEnhancedKeys[] = {VK_PRIOR, VK_NEXT,   VK_END,    VK_HOME,   VK_LEFT,
                                                  VK_UP,    VK_RIGHT,  VK_DOWN,   VK_INSERT, VK_DELETE,
                                                  VK_DIVIDE, VK_RCONTROL, VK_RMENU};
static_assert(sizeof(kEnhancedKeyboardKeys) == sizeof(kExpectedEnhancedKeys));
constexpr bool EnhancedKeysMatch() {
    for (std::size_t index = 0; index < sizeof(kExpectedEnhancedKeys); ++index)
        if (kEnhancedKeyboardKeys[index] != kExpectedEnhancedKeys[index]) return false;
    return true;
}
static_assert(EnhancedKeysMatch());

// The keys an editing rule's own text types.
static_assert(kTabKeyChord == VK_TAB && kEnterKeyChord == VK_RETURN);

// ClearCommError's errors, as the receiver records them.
static_assert(kCommErrorReceiveQueueOverflow == CE_RXOVER && kCommErrorOverrun == CE_OVERRUN &&
              kCommErrorParity == CE_RXPARITY && kCommErrorFraming == CE_FRAME && kCommErrorBreak == CE_BREAK);

// The loop's clock is GetTickCount's 32-bit count, whose wrap it handles by
// unsigned subtraction.
static_assert(std::is_same_v<decltype(GetTickCount()), DWORD> && sizeof(DWORD) == sizeof(std::uint32_t));

// Integrity levels of the input target's judgement.
static_assert(kIntegrityMedium == SECURITY_MANDATORY_MEDIUM_RID && kIntegrityHigh == SECURITY_MANDATORY_HIGH_RID);

}  // namespace
}  // namespace tellurin
