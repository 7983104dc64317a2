// A write still pending when its 5000 ms wait ends (flow control holding the
// line, say) is cancelled and waited for before the status block and the bytes
// are reused, so a later answer or the end of the receiver never races it.
#include "resident/receiver/win32/overlapped_answer_line.h"

#include <algorithm>

#include "resident/receiver/win32/cancel_port_operation.h"

namespace tellurin {

OverlappedAnswerLine::OverlappedAnswerLine(HANDLE port, HANDLE writeEvent) : port_(port) {
    block_.hEvent = writeEvent;
}

OverlappedAnswerLine::~OverlappedAnswerLine() { EndPendingWrite(); }

void OverlappedAnswerLine::EndPendingWrite() {
    if (!writePending_) return;
    DWORD written = 0;
    if (!GetOverlappedResult(port_, &block_, &written, FALSE) && GetLastError() == ERROR_IO_INCOMPLETE) {
        CancelPortOperation(port_, &block_);
        (void)GetOverlappedResult(port_, &block_, &written, TRUE);
    }
    writePending_ = false;
}

AnswerOutcome OverlappedAnswerLine::WriteAnswer(std::uint8_t answer) { return WriteRequest(&answer, 1); }

AnswerOutcome OverlappedAnswerLine::WriteRequest(const std::uint8_t* bytes, std::uint32_t count) {
    EndPendingWrite();
    count = std::min(count, kLongestWrite);
    std::copy(bytes, bytes + count, buffer_);
    block_.Offset = 0;
    block_.OffsetHigh = 0;
    block_.Internal = 0;
    block_.InternalHigh = 0;
    if (WriteFile(port_, buffer_, count, nullptr, &block_)) return AnswerOutcome::Written;
    if (GetLastError() != ERROR_IO_PENDING) return AnswerOutcome::Failed;
    writePending_ = true;
    if (WaitForSingleObject(block_.hEvent, kAnswerWriteWaitMilliseconds) == WAIT_OBJECT_0) {
        writePending_ = false;
        DWORD written = 0;
        const bool ok = GetOverlappedResult(port_, &block_, &written, FALSE) && written == count;
        return ok ? AnswerOutcome::Written : AnswerOutcome::Failed;
    }
    EndPendingWrite();
    return AnswerOutcome::TimedOut;
}

}  // namespace tellurin
