// A keyboard double that simulates a US layout and keeps the state of every
// key, so a test sees what a window would receive: the events in order, the
// text they type, any key left down and any key released that was never
// pressed. Layout gaps (a character without a key, a key without a scan code)
// can be made per test. As on Windows, look-ups answer in the receiver
// thread's own layout until UseFocusedWindowLayout, while an injected scan
// code is read in the focused window's layout, which a test may set apart.
// The focused window's IME is simulated too: closed unless a test opens it,
// and so is the main thread that stops the receiver while it types.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "resident/receiver/keyboard.h"

namespace tellurin::fakes {

struct KeyEvent {
    std::uint32_t Flags;
    std::uint8_t VirtualKey;
    std::uint16_t Scan;  // the scan code, or the UTF-16 unit of a Unicode event
    bool operator==(const KeyEvent&) const = default;
};

enum class FakeLayout {
    Us,
    // QWERTZ: Y and Z change places (Y at scan code 2C, Z at 15), as on the
    // German layout; everything else as on the US layout.
    Qwertz,
    // US-International: the key of ' and " and the key of ` and ~ are dead
    // keys (MapVirtualKeyExW sets the top bit for them); the accent waits and
    // combines with the next character (" then a types a-umlaut, then space
    // the accent itself, then anything else both). Shift+6 (^) is a dead key
    // too, which MapVirtualKeyExW cannot tell: the key's unshifted 6 is not.
    UsInternational,
    // No key types @ (VkKeyScanExA answers -1) and Shift+2 types ", as on the
    // Russian layout's digit row; everything else as on the US layout.
    WithoutAtSign,
};

class FakeKeyboard : public Keyboard {
public:
    void UseFocusedWindowLayout() override { lookupLayout_ = focusedLayout_; }
    std::int16_t KeyForCharacter(char character) override;
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override;
    std::uint32_t CharacterForKey(std::uint8_t virtualKey) override;
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void SendUnicodeEvent(std::uint32_t flags, char16_t unit) override;
    void Pause(std::uint32_t milliseconds) override;
    ImeOpenStatus QueryImeOpenStatus() override;
    bool SetImeOpenStatus(bool open) override;

    void RemoveCharacter(char character) { missingCharacters_.insert(character); }
    void RemoveScanCode(std::uint8_t virtualKey) { keysWithoutScanCode_.insert(virtualKey); }
    // The layout of the window with the focus (the receiver's own stays US).
    void SetFocusedLayout(FakeLayout layout) { focusedLayout_ = layout; }
    // The focused window's IME as a query finds it: Closed, Open, no focus
    // window, or a target that does not answer. takesSets false: the target
    // answers the query but stops answering before a set (a set then fails
    // and changes nothing).
    void SetIme(ImeOpenStatus status, bool takesSets = true) {
        imeStatus_ = status;
        imeTakesSets_ = takesSets;
    }
    // The main thread's stop: receiving is cleared once this many more downs
    // (of any key but a modifier, Unicode events included) have been sent.
    void StopAfterDowns(std::atomic<bool>& receiving, int downs) {
        stopFlag_ = &receiving;
        downsBeforeStop_ = downs;
    }
    ImeOpenStatus ImeStatus() const { return imeStatus_; }
    int ImeQueries() const { return imeQueries_; }
    // Key and Unicode downs sent while the simulated IME was open.
    int KeysWhileImeOpen() const { return keysWhileImeOpen_; }

    // What a focused window would have seen: printable characters as typed
    // (with the Shift state at the time), Unicode events as their characters
    // in UTF-8, any other key or a key pressed with Ctrl or Alt as
    // "{Ctrl+Alt+Shift+name}".
    const std::string& Transcript() const { return transcript_; }
    const std::vector<KeyEvent>& Events() const { return events_; }
    const std::vector<std::uint32_t>& Pauses() const { return pauses_; }
    // Also true for a dead key's accent still waiting for a character.
    bool AnyKeyDown() const;
    // Key-ups of keys that were up, scan codes that name another key in the
    // focused layout, keys pressed twice, enhanced keys (arrows, right Ctrl)
    // sent without the extended flag, malformed Unicode events and half
    // surrogate pairs, IME sets with no query that found it open: each a
    // fault of the code under test.
    const std::vector<std::string>& Faults() const { return faults_; }
    // Events and pauses interleaved, e.g. "v10 ^10 [20]" for tests of
    // ordering: "e" extended, "k" virtual-key event, "u" Unicode event (its
    // unit in four digits), "ime:off"/"ime:on" IME sets.
    const std::string& Trace() const { return trace_; }

private:
    void Type(std::uint8_t key, bool extended);
    void TypeUnicode(char16_t unit);
    void CountDownForStop();

    std::array<bool, 256> keyDown_{};
    std::set<char16_t> unicodeDown_;
    char16_t pendingHighSurrogate_ = 0;
    char pendingAccent_ = 0;  // a dead key's, until the next character
    std::atomic<bool>* stopFlag_ = nullptr;
    int downsBeforeStop_ = 0;
    std::set<char> missingCharacters_;
    std::set<std::uint8_t> keysWithoutScanCode_;
    FakeLayout lookupLayout_ = FakeLayout::Us;
    FakeLayout focusedLayout_ = FakeLayout::Us;
    ImeOpenStatus imeStatus_ = ImeOpenStatus::Closed;
    bool imeTakesSets_ = true;
    bool imeFoundOpen_ = false;
    int imeQueries_ = 0;
    int keysWhileImeOpen_ = 0;
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
