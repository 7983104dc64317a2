// The answer line on Win32: an answer byte or a request command written
// overlapped to the port with the receiver's write status block, waited for at
// most 5000 ms.
#pragma once

#include <windows.h>

#include "resident/receiver/answer_line.h"

namespace tellurin {

constexpr DWORD kAnswerWriteWaitMilliseconds = 5000;

class OverlappedAnswerLine final : public AnswerLine {
public:
    // The event is the receiver's WriteEvent (auto reset); both outlive this object.
    OverlappedAnswerLine(HANDLE port, HANDLE writeEvent);
    ~OverlappedAnswerLine() override;
    OverlappedAnswerLine(const OverlappedAnswerLine&) = delete;
    OverlappedAnswerLine& operator=(const OverlappedAnswerLine&) = delete;

    AnswerOutcome WriteAnswer(std::uint8_t answer) override;
    AnswerOutcome WriteRequest(const std::uint8_t* bytes, std::uint32_t count) override;

private:
    void EndPendingWrite();

    HANDLE port_;
    OVERLAPPED block_{};
    BYTE buffer_[kLongestWrite] = {};  // must live as long as the write
    bool writePending_ = false;
};

}  // namespace tellurin
