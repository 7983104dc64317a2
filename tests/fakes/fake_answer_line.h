// An answer line that keeps every answer byte and request, and how many key
// events the keyboard had sent when each went out, so tests can check that a
// frame's answer precedes its keystrokes and that no request cuts into them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resident/receiver/answer_line.h"
#include "tests/fakes/fake_keyboard.h"

namespace tellurin::fakes {

class FakeAnswerLine : public AnswerLine {
public:
    explicit FakeAnswerLine(const FakeKeyboard& keyboard) : keyboard_(keyboard) {}
    AnswerOutcome WriteAnswer(std::uint8_t answer) override {
        answers_.push_back(answer);
        keyEventsBefore_.push_back(keyboard_.Events().size());
        writes_ += answer == kAck ? "A" : answer == kNak ? "N" : "?";
        return outcome;
    }
    AnswerOutcome WriteRequest(const std::uint8_t* bytes, std::uint32_t count) override {
        requests_.emplace_back(bytes, bytes + count);
        keyEventsBeforeRequest_.push_back(keyboard_.Events().size());
        writes_ += "R";
        return outcome;
    }
    // What each write reports: a line without CTS holds every answer back
    // for the whole wait (TimedOut).
    AnswerOutcome outcome = AnswerOutcome::Written;
    const std::vector<std::uint8_t>& Answers() const { return answers_; }
    const std::vector<std::size_t>& KeyEventsBefore() const { return keyEventsBefore_; }
    const std::vector<std::string>& Requests() const { return requests_; }
    const std::vector<std::size_t>& KeyEventsBeforeRequest() const { return keyEventsBeforeRequest_; }
    // Every write in order: answers as in AnswerLetters, "R" for a request.
    const std::string& Writes() const { return writes_; }
    // "A" for ACK, "N" for NAK, "?" otherwise: compact for table tests.
    std::string AnswerLetters() const {
        std::string letters;
        for (auto answer : answers_) letters += answer == kAck ? 'A' : answer == kNak ? 'N' : '?';
        return letters;
    }

private:
    const FakeKeyboard& keyboard_;
    std::vector<std::uint8_t> answers_;
    std::vector<std::size_t> keyEventsBefore_;
    std::vector<std::string> requests_;
    std::vector<std::size_t> keyEventsBeforeRequest_;
    std::string writes_;
};

}  // namespace tellurin::fakes
