// A keyboard double that simulates a US layout and keeps the state of every
// key, so a test sees what a window would receive: the events in order, the
// text they type, any key left down and any key released that was never
// pressed. Layout gaps (a character without a key, a key without a scan code)
// can be made per test.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "resident/receiver/keyboard.h"

namespace tellurin::fakes {

struct KeyEvent {
    std::uint32_t Flags;
    std::uint8_t VirtualKey;
    std::uint8_t ScanCode;
    bool operator==(const KeyEvent&) const = default;
};

class FakeKeyboard : public Keyboard {
public:
    std::int16_t KeyForCharacter(char character) override;
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override;
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void Pause(std::uint32_t milliseconds) override;

    void RemoveCharacter(char character) { missingCharacters_.insert(character); }
    void RemoveScanCode(std::uint8_t virtualKey) { keysWithoutScanCode_.insert(virtualKey); }

    // What a focused window would have seen: printable characters as typed
    // (with the Shift state at the time), any other key or a key pressed with
    // Ctrl or Alt as "{Ctrl+Alt+Shift+name}".
    const std::string& Transcript() const { return transcript_; }
    const std::vector<KeyEvent>& Events() const { return events_; }
    const std::vector<std::uint32_t>& Pauses() const { return pauses_; }
    bool AnyKeyDown() const;
    // Key-ups of keys that were up, scan codes that do not match the key,
    // keys pressed twice, and enhanced keys (arrows, right Ctrl) sent without
    // the extended flag: each a fault of the code under test.
    const std::vector<std::string>& Faults() const { return faults_; }
    // Events and pauses interleaved, e.g. "v10 ^10 [20]" for tests of ordering.
    const std::string& Trace() const { return trace_; }

private:
    std::array<bool, 256> keyDown_{};
    std::set<char> missingCharacters_;
    std::set<std::uint8_t> keysWithoutScanCode_;
    std::string transcript_;
    std::vector<KeyEvent> events_;
    std::vector<std::uint32_t> pauses_;
    std::vector<std::string> faults_;
    std::string trace_;
};

// The US layout's answer for a character, ignoring per-test gaps.
std::int16_t UsLayoutKeyForCharacter(char character);
std::uint32_t UsLayoutScanCode(std::uint8_t virtualKey);

}  // namespace tellurin::fakes
