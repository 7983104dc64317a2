// See messages.h. The index is written before the box is shown: a box is
// modal and the program may end while it is up.
#include "resident/shell/messages.h"

#include "resident/shell/message_table.h"

namespace tellurin {

void ShowMessage(MessageReporter& reporter, std::int32_t code, std::int32_t detail) {
    reporter.LastMessageIndex = code;
    std::u16string text = MessageText(code, detail);
    if (text.size() > 127) text.resize(127);  // the box's text buffer holds 128 units
    if (reporter.Surface != nullptr) reporter.Surface->ShowErrorBox(text);
}

}  // namespace tellurin
