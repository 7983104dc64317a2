// The resident program's thirteen message texts and the rule that the exit
// code is the code of the last message shown.
#pragma once

#include <cstdint>
#include <string>

#include "common/message_codes.h"

namespace tellurin {

extern const char16_t* const MessageTable[kMessageCodeCount];

// The text shown for a code: code 4 formatted with the detail number; a code
// outside the table (no operation returns one) is shown as a function failure
// naming the code, so the user still learns something went wrong.
std::u16string MessageText(std::int32_t code, std::int32_t detail);

}  // namespace tellurin
