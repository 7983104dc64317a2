// The answer line on Win32: one overlapped byte written to the port with the
// receiver's answer status block, waited for at most 5000 ms.
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

private:
    void EndPendingWrite();

    HANDLE port_;
    OVERLAPPED block_{};
    BYTE answerByte_ = 0;  // the buffer must live as long as the write
    bool writePending_ = false;
};

}  // namespace tellurin
