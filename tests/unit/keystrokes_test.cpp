// Keystroke synthesis: the exact event sequences, modifier order and release,
// pauses by key speed, terminator rules, layout gaps and dead keys, the
// focused window's layout, Unicode characters, a stop in the middle of a frame
// and the IME guard.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "resident/receiver/keystrokes.h"
#include "tests/fakes/fake_keyboard.h"

namespace tellurin {
namespace {

struct Typing {
    explicit Typing(FunctionSettings settings) : settings(settings) {
        scans = LookUpModifierScanCodes(keyboard);
    }
    void Type(const char* text) {
        std::u16string units;
        for (const char* cursor = text; *cursor != '\0'; ++cursor) units += static_cast<unsigned char>(*cursor);
        Type(units);
    }
    void Type(std::u16string_view text) { TypeFrame(text, settings, scans, keyboard, receiving); }
    FunctionSettings settings;
    fakes::FakeKeyboard keyboard;
    ModifierScanCodes scans{};
    std::atomic<bool> receiving{true};
};

FunctionSettings WithKeys(KeyChord head, KeyChord term1, KeyChord term2, std::uint16_t speed = 5,
                          char16_t capsLock = u'N') {
    FunctionSettings settings = kDefaultFunctionSettings;
    settings.HeadKey = head;
    settings.TermKey1 = term1;
    settings.TermKey2 = term2;
    settings.KeySpeed = speed;
    settings.CapsLock = capsLock;
    return settings;
}

struct SequenceCase {
    const char* name;
    FunctionSettings settings;
    std::u16string_view frame;
    // "v" down, "^" up, "e" extended, "k" by virtual key, "u" Unicode, "[ms]" pause
    std::string trace;
    fakes::FakeLayout layout = fakes::FakeLayout::Us;  // the focused window's
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class EventSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(EventSequence, SendsExactlyTheseEventsAndPauses) {
    const SequenceCase& c = GetParam();
    Typing typing(c.settings);
    typing.keyboard.SetFocusedLayout(c.layout);
    typing.Type(c.frame);
    EXPECT_EQ(typing.keyboard.Trace(), c.trace);
    EXPECT_FALSE(typing.keyboard.AnyKeyDown()) << "a key was left down";
    EXPECT_TRUE(typing.keyboard.Faults().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Examples, EventSequence,
    ::testing::Values(
        // Defaults, frame "Ab": Shift held for A only, Enter after the frame.
        SequenceCase{"DefaultsFrameAb", kDefaultFunctionSettings, u"Ab",
                     "v10 v41 ^41 [20] ^10 v42 ^42 [20] v0D ^0D [20] "},
        // Caps Lock mode: "aB1" types as "A", "b", "1".
        SequenceCase{"CapsLockInvertsLetters", WithKeys(0, 0, 0, 9, u'Y'), u"aBzZ1",
                     "v10 v41 ^41 ^10 v42 ^42 v10 v5A ^5A ^10 v5A ^5A v31 ^31 "},
        // One Shift press for "AB", released at the end of the frame.
        SequenceCase{"ShiftKeptAcrossKeysReleasedAtEnd", WithKeys(0, 0, 0, 9), u"AB", "v10 v41 ^41 v42 ^42 ^10 "},
        // Head key Ctrl+A: Ctrl released by the first key that does not need it.
        SequenceCase{"HeadKeyCtrlA", WithKeys(0x0241, 0, 0), u"x",
                     "v11 v41 ^41 [20] ^11 v58 ^58 [20] "},
        // Modifiers in the fixed order Shift, Ctrl, Alt, for presses and releases.
        SequenceCase{"AllModifiersInOrder", WithKeys(0x0741, 0, 0, 9), u"a",
                     "v10 v11 v12 v41 ^41 ^10 ^11 ^12 v41 ^41 "},
        // Terminator held modifiers are released at the end, with no pause after.
        SequenceCase{"TerminatorShiftTabReleased", WithKeys(0, 0x0109, 0, 9), u"1", "v31 ^31 v10 v09 ^09 ^10 "},
        // TermKey1 0: the second terminator is never typed.
        SequenceCase{"NoFirstTerminatorNoSecond", WithKeys(0, 0x0000, 0x000D, 9), u"1", "v31 ^31 "},
        // TermKey1 0xFF: skipped, the second terminator still typed.
        SequenceCase{"FirstTerminatorFFSecondTyped", WithKeys(0, 0x00FF, 0x000D, 9), u"1", "v31 ^31 v0D ^0D "},
        // Head key 0x00FF types nothing, like 0.
        SequenceCase{"HeadKeyFFIsNoKey", WithKeys(0x00FF, 0, 0, 9), u"1", "v31 ^31 "},
        // Bit 11 on a terminator: both events extended; bits 12-14 ignored.
        SequenceCase{"ExtendedTerminator", WithKeys(0, 0x7825, 0, 9), u"1", "v31 ^31 ev25 e^25 "},
        // Arrows and right Ctrl are extended keys whether or not bit 11 is set;
        // bit 11 still extends any other key (Enter becomes the keypad's Enter).
        SequenceCase{"ArrowTerminatorWithoutBit11", WithKeys(0, 0x0028, 0x0026, 9), u"1",
                     "v31 ^31 ev28 e^28 ev26 e^26 "},
        SequenceCase{"RightCtrlHeadKey", WithKeys(0x00A3, 0, 0, 9), u"1", "evA3 e^A3 v31 ^31 "},
        SequenceCase{"Bit11OnEnter", WithKeys(0, 0x080D, 0, 9), u"1", "v31 ^31 ev0D e^0D "},
        // Key byte 0xFF names no key: the first terminator is skipped with its
        // modifier bits, which press nothing.
        SequenceCase{"FirstTerminatorFFWithShiftPressesNothing", WithKeys(0, 0x01FF, 0x0009, 9), u"1",
                     "v31 ^31 v09 ^09 "},
        // Execute has no scan code on the US layout: sent by its virtual key
        // inside its Alt, never a lone Alt tap (which opens the menu bar).
        SequenceCase{"AltExecuteByVirtualKey", WithKeys(0, 0x042B, 0, 9), u"1", "v31 ^31 v12 kv2B k^2B ^12 "},
        // Bit 11 extends a key sent by its virtual key too.
        SequenceCase{"ExtendedExecuteByVirtualKey", WithKeys(0, 0x082B, 0, 9), u"1", "v31 ^31 ekv2B ek^2B "},
        // NumLock's scan code is a plain 45: no extended flag.
        SequenceCase{"NumLockNotExtended", WithKeys(0, 0x0090, 0, 9), u"1", "v31 ^31 v90 ^90 "},
        // Other characters go as Unicode events after the held Shift is
        // released, with the pause of the key speed.
        SequenceCase{"UnicodeAfterShiftReleased", kDefaultFunctionSettings, u"A東",
                     "v10 v41 ^41 [20] ^10 uv6771 u^6771 [20] v0D ^0D [20] "},
        // The head key's Ctrl is released before a Unicode character too.
        SequenceCase{"UnicodeAfterHeadKeyCtrl", WithKeys(0x0241, 0, 0, 9), u"ｱ", "v11 v41 ^41 ^11 uvFF71 u^FF71 "},
        // A character beyond the BMP: both surrogates, in order, one pause.
        SequenceCase{"SurrogatePairOnePause", WithKeys(0, 0, 0, 5), u"\U0001F600", "uvD83D u^D83D uvDE00 u^DE00 [20] "},
        SequenceCase{"HighestCharacter", WithKeys(0, 0, 0, 9), u"\U0010FFFF", "uvDBFF u^DBFF uvDFFF u^DFFF "},
        // C1 control characters are left out like C0 ones; a high surrogate
        // without its low half too, and the letter after it is typed.
        SequenceCase{"C1ControlsLeftOut", WithKeys(0, 0, 0, 9), u"\u0080a\u009F", "v41 ^41 "},
        SequenceCase{"LoneHighSurrogateBeforeA", WithKeys(0, 0, 0, 9), u"\xD83D" u"A", "v10 v41 ^41 ^10 "},
        // US-International's ' and " are dead keys: they go as Unicode events,
        // after the held Shift is released, and never combine with the e.
        SequenceCase{"DeadKeysGoAsUnicode", WithKeys(0, 0, 0, 9), u"A\"e'",
                     "v10 v41 ^41 ^10 uv0022 u^0022 v45 ^45 uv0027 u^0027 ", fakes::FakeLayout::UsInternational},
        // A layout without @: a Unicode event with its pause instead of nothing.
        SequenceCase{"NoKeyForAtSign", WithKeys(0, 0, 0, 5), u"A@b",
                     "v10 v41 ^41 [20] ^10 uv0040 u^0040 [20] v42 ^42 [20] ", fakes::FakeLayout::WithoutAtSign},
        // Both terminators with pauses at step 0.
        SequenceCase{"TwoTerminatorsSlowest", WithKeys(0, 0x0009, 0x000D, 0), u"1",
                     "v31 ^31 [150] v09 ^09 [150] v0D ^0D [150] "}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

TEST(Keystrokes, PauseFollowsKeySpeedTableAndStepNineNeverSleeps) {
    const std::uint32_t expected[10] = {150, 100, 70, 50, 30, 20, 15, 10, 5, 0};
    for (std::uint16_t speed = 0; speed <= 9; ++speed) {
        Typing typing(WithKeys(0x0009, 0x000D, 0x0009, speed));
        typing.Type("ab");
        const std::vector<std::uint32_t> pauses = typing.keyboard.Pauses();
        if (expected[speed] == 0) {
            EXPECT_TRUE(pauses.empty());
        } else {
            EXPECT_EQ(pauses, std::vector<std::uint32_t>(5, expected[speed])) << "step " << speed;
        }
    }
}

TEST(Keystrokes, KeySpeedAboveNineTypesAtTheFastestStep) {
    for (std::uint16_t speed : {10, 15, 0xFFFF}) {
        Typing typing(WithKeys(0, 0x000D, 0, speed));
        typing.Type("abc");
        EXPECT_TRUE(typing.keyboard.Pauses().empty()) << "step " << speed;
        EXPECT_EQ(typing.keyboard.Transcript(), "abc{Enter}");
    }
}

TEST(Keystrokes, CharacterWithoutKeyGoesAsUnicodeAsReceived) {
    // Caps Lock mode looks up X for x; Caps Lock does not act on a Unicode
    // event, so the x goes as it came.
    Typing typing(WithKeys(0, 0, 0, 5, u'Y'));
    typing.keyboard.RemoveCharacter('X');
    typing.Type("x");
    EXPECT_EQ(typing.keyboard.Trace(), "uv0078 u^0078 [20] ");
}

TEST(Keystrokes, CharacterWhoseKeyHasNoScanCodeGoesAsUnicode) {
    Typing typing(WithKeys(0, 0, 0, 5));
    typing.keyboard.RemoveScanCode(0x41);  // "A"
    typing.Type("Ab");
    EXPECT_EQ(typing.keyboard.Trace(), "uv0041 u^0041 [20] v42 ^42 [20] ");
}

TEST(Keystrokes, HeadKeyWithoutScanCodeGoesByVirtualKeyAndPauses) {
    Typing typing(WithKeys(0x0070, 0, 0, 5));  // F1
    typing.keyboard.RemoveScanCode(0x70);
    typing.Type("b");
    EXPECT_EQ(typing.keyboard.Trace(), "kv70 k^70 [20] v42 ^42 [20] ");
}

TEST(Keystrokes, ShiftStateBitsAboveAltInLayoutNeverReachEvents) {
    // A layout answer with bits 11-15 set (as for some dead keys) is masked.
    struct NoisyLayout : fakes::FakeKeyboard {
        std::int16_t KeyForCharacter(char character) override {
            return static_cast<std::int16_t>(fakes::FakeKeyboard::KeyForCharacter(character) | 0x3800);
        }
    } keyboard;
    const ModifierScanCodes scans = LookUpModifierScanCodes(keyboard);
    const std::atomic<bool> receiving{true};
    TypeFrame(u"a", WithKeys(0, 0, 0, 9), scans, keyboard, receiving);
    EXPECT_EQ(keyboard.Trace(), "v41 ^41 ");
}

TEST(Keystrokes, EveryPrintableCharacterTypesItselfInEveryLayout) {
    std::string printable;
    for (char character = 0x20; character <= 0x7E; ++character) printable += character;
    for (const auto layout : {fakes::FakeLayout::Us, fakes::FakeLayout::Qwertz, fakes::FakeLayout::UsInternational,
                              fakes::FakeLayout::WithoutAtSign}) {
        Typing typing(WithKeys(0, 0, 0, 9));
        typing.keyboard.SetFocusedLayout(layout);
        typing.Type(printable.c_str());
        EXPECT_EQ(typing.keyboard.Transcript(), printable) << static_cast<int>(layout);
        EXPECT_FALSE(typing.keyboard.AnyKeyDown()) << static_cast<int>(layout);
        EXPECT_TRUE(typing.keyboard.Faults().empty()) << static_cast<int>(layout);
    }
}

TEST(Keystrokes, KeysAreLookedUpInTheFocusedWindowsLayout) {
    // The receiver thread's own layout is US; the focused window's is QWERTZ,
    // in which the scan code of the US Z is Y.
    Typing typing(WithKeys(0, 0, 0, 9));
    typing.keyboard.SetFocusedLayout(fakes::FakeLayout::Qwertz);
    typing.Type("Zy");
    EXPECT_EQ(typing.keyboard.Transcript(), "Zy");
    EXPECT_TRUE(typing.keyboard.Faults().empty()) << typing.keyboard.Faults().front();
}

TEST(Keystrokes, JapaneseTextHalfWidthKanaAndEmojiArriveWhole) {
    Typing typing(WithKeys(0, 0x000D, 0, 9));
    // Half a surrogate pair on either side is no character and is left out.
    typing.Type(u"東京都港区1-2-3 ｱｲｳ\xDE00\U0001F600\xD83D");
    EXPECT_EQ(typing.keyboard.Transcript(), "東京都港区1-2-3 ｱｲｳ😀{Enter}");
    EXPECT_FALSE(typing.keyboard.AnyKeyDown());
    EXPECT_TRUE(typing.keyboard.Faults().empty()) << typing.keyboard.Faults().front();
}

struct ImeCase {
    const char* name;
    char16_t imeOff;
    ImeOpenStatus found;
    bool takesSets;
    std::string trace;
    ImeOpenStatus after;
    int queries;
    std::u16string_view frame = u"a";
    KeyChord term1 = 0x000D;
    int stopAfterDowns = 0;  // the main thread stops receiving after this many downs; 0: never
};

void PrintTo(const ImeCase& c, std::ostream* out) { *out << c.name; }

class ImeGuardDecision : public ::testing::TestWithParam<ImeCase> {};

TEST_P(ImeGuardDecision, TouchesTheImeOnlyWhenOpenAndAllowed) {
    const ImeCase& c = GetParam();
    FunctionSettings settings = WithKeys(0, c.term1, 0, 9);
    settings.ImeOff = c.imeOff;
    Typing typing(settings);
    typing.keyboard.SetIme(c.found, c.takesSets);
    if (c.stopAfterDowns != 0) typing.keyboard.StopAfterDowns(typing.receiving, c.stopAfterDowns);
    typing.Type(c.frame);
    EXPECT_EQ(typing.keyboard.Trace(), c.trace);
    EXPECT_FALSE(typing.keyboard.AnyKeyDown());
    EXPECT_EQ(typing.keyboard.ImeStatus(), c.after);
    EXPECT_EQ(typing.keyboard.ImeQueries(), c.queries);
    EXPECT_TRUE(typing.keyboard.Faults().empty()) << typing.keyboard.Faults().front();
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ImeGuardDecision,
    ::testing::Values(
        ImeCase{"ClosedStaysClosed", u'Y', ImeOpenStatus::Closed, true, "v41 ^41 v0D ^0D ", ImeOpenStatus::Closed, 1},
        // Closed before the first key, reopened once the keys have had time
        // to be taken: 100 ms and 2 ms for each of the four events.
        ImeCase{"OpenIsClosedAndReopened", u'Y', ImeOpenStatus::Open, true,
                "ime:off v41 ^41 v0D ^0D [108] ime:on ", ImeOpenStatus::Open, 1},
        // Reopened only after the terminator's Shift is released; the
        // Unicode events count like the others.
        ImeCase{"ShiftTabTerminatorReleasedFirst", u'Y', ImeOpenStatus::Open, true,
                "ime:off v41 ^41 uv6771 u^6771 v10 v09 ^09 ^10 [116] ime:on ", ImeOpenStatus::Open, 1, u"a東", 0x0109},
        // A stop after the A: Shift released, the IME reopened, B, C and
        // Enter dropped.
        ImeCase{"StopWithShiftHeld", u'Y', ImeOpenStatus::Open, true, "ime:off v10 v41 ^41 ^10 [108] ime:on ",
                ImeOpenStatus::Open, 1, u"ABC", 0x000D, 1},
        ImeCase{"NoFocusWindow", u'Y', ImeOpenStatus::NoFocusWindow, true, "v41 ^41 v0D ^0D ",
                ImeOpenStatus::NoFocusWindow, 1},
        // A status query that times out: typed as it is, nothing touched.
        ImeCase{"QueryTimesOut", u'Y', ImeOpenStatus::NoAnswer, true, "v41 ^41 v0D ^0D ", ImeOpenStatus::NoAnswer,
                1},
        // A close that times out may still be taken late: the reopening follows.
        ImeCase{"CloseTimesOutStillReopened", u'Y', ImeOpenStatus::Open, false,
                "ime:off v41 ^41 v0D ^0D [108] ime:on ", ImeOpenStatus::Open, 1},
        ImeCase{"ImeOffNoNeverAsks", u'N', ImeOpenStatus::Open, true, "v41 ^41 v0D ^0D ", ImeOpenStatus::Open, 0},
        // Only 'Y' switches the IME off; any other value (here NUL) types as it is.
        ImeCase{"ImeOffNulNeverAsks", u'\0', ImeOpenStatus::Open, true, "v41 ^41 v0D ^0D ", ImeOpenStatus::Open, 0}),
    [](const ::testing::TestParamInfo<ImeCase>& info) { return std::string(info.param.name); });

TEST(Keystrokes, ImeReopeningWaitsTwoMillisecondsMorePerEventUpToASecond) {
    // n letters and Enter send 2n + 2 events.
    for (const auto& [letters, delay] : {std::pair{1, 108u}, {223, 996u}, {230, 1000u}, {1000, 1000u}}) {
        FunctionSettings settings = WithKeys(0, 0x000D, 0, 9);
        Typing typing(settings);
        typing.keyboard.SetIme(ImeOpenStatus::Open);
        typing.Type(std::string(static_cast<std::size_t>(letters), 'a').c_str());
        EXPECT_EQ(typing.keyboard.Pauses(), std::vector<std::uint32_t>{delay}) << letters << " letters";
    }
}

TEST(Keystrokes, NoKeyReachesAnOpenImeWhenImeOffIsSet) {
    Typing typing(WithKeys(0x0241, 0x000D, 0, 9));
    typing.keyboard.SetIme(ImeOpenStatus::Open);
    typing.Type(u"a東");
    EXPECT_EQ(typing.keyboard.KeysWhileImeOpen(), 0);
    EXPECT_EQ(typing.keyboard.ImeStatus(), ImeOpenStatus::Open);
}

}  // namespace
}  // namespace tellurin
