// Keystroke synthesis: the exact event sequences, modifier order and release,
// pauses by key speed, terminator rules and layout gaps.
#include <gtest/gtest.h>

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
        TypeFrame(units, settings, scans, keyboard);
    }
    FunctionSettings settings;
    fakes::FakeKeyboard keyboard;
    ModifierScanCodes scans{};
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
    const char* frame;
    std::string trace;  // "v" down, "^" up, "e" extended, "[ms]" pause
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class EventSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(EventSequence, SendsExactlyTheseEventsAndPauses) {
    const SequenceCase& c = GetParam();
    Typing typing(c.settings);
    typing.Type(c.frame);
    EXPECT_EQ(typing.keyboard.Trace(), c.trace);
    EXPECT_FALSE(typing.keyboard.AnyKeyDown()) << "a key was left down";
    EXPECT_TRUE(typing.keyboard.Faults().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Examples, EventSequence,
    ::testing::Values(
        // Defaults, frame "Ab": Shift held for A only, Enter after the frame.
        SequenceCase{"DefaultsFrameAb", kDefaultFunctionSettings, "Ab",
                     "v10 v41 ^41 [20] ^10 v42 ^42 [20] v0D ^0D [20] "},
        // Caps Lock mode: "aB1" types as "A", "b", "1".
        SequenceCase{"CapsLockInvertsLetters", WithKeys(0, 0, 0, 9, u'Y'), "aBzZ1",
                     "v10 v41 ^41 ^10 v42 ^42 v10 v5A ^5A ^10 v5A ^5A v31 ^31 "},
        // One Shift press for "AB", released at the end of the frame.
        SequenceCase{"ShiftKeptAcrossKeysReleasedAtEnd", WithKeys(0, 0, 0, 9), "AB", "v10 v41 ^41 v42 ^42 ^10 "},
        // Head key Ctrl+A: Ctrl released by the first key that does not need it.
        SequenceCase{"HeadKeyCtrlA", WithKeys(0x0241, 0, 0), "x",
                     "v11 v41 ^41 [20] ^11 v58 ^58 [20] "},
        // Modifiers in the fixed order Shift, Ctrl, Alt, for presses and releases.
        SequenceCase{"AllModifiersInOrder", WithKeys(0x0741, 0, 0, 9), "a",
                     "v10 v11 v12 v41 ^41 ^10 ^11 ^12 v41 ^41 "},
        // Terminator held modifiers are released at the end, with no pause after.
        SequenceCase{"TerminatorShiftTabReleased", WithKeys(0, 0x0109, 0, 9), "1", "v31 ^31 v10 v09 ^09 ^10 "},
        // TermKey1 0: the second terminator is never typed.
        SequenceCase{"NoFirstTerminatorNoSecond", WithKeys(0, 0x0000, 0x000D, 9), "1", "v31 ^31 "},
        // TermKey1 0xFF: skipped, the second terminator still typed.
        SequenceCase{"FirstTerminatorFFSecondTyped", WithKeys(0, 0x00FF, 0x000D, 9), "1", "v31 ^31 v0D ^0D "},
        // Head key 0x00FF types nothing, like 0.
        SequenceCase{"HeadKeyFFIsNoKey", WithKeys(0x00FF, 0, 0, 9), "1", "v31 ^31 "},
        // Bit 11 on a terminator: both events extended; bits 12-14 ignored.
        SequenceCase{"ExtendedTerminator", WithKeys(0, 0x7825, 0, 9), "1", "v31 ^31 ev25 e^25 "},
        // Arrows and right Ctrl are extended keys whether or not bit 11 is set;
        // bit 11 still extends any other key (Enter becomes the keypad's Enter).
        SequenceCase{"ArrowTerminatorWithoutBit11", WithKeys(0, 0x0028, 0x0026, 9), "1",
                     "v31 ^31 ev28 e^28 ev26 e^26 "},
        SequenceCase{"RightCtrlHeadKey", WithKeys(0x00A3, 0, 0, 9), "1", "evA3 e^A3 v31 ^31 "},
        SequenceCase{"Bit11OnEnter", WithKeys(0, 0x080D, 0, 9), "1", "v31 ^31 ev0D e^0D "},
        // Both terminators with pauses at step 0.
        SequenceCase{"TwoTerminatorsSlowest", WithKeys(0, 0x0009, 0x000D, 0), "1",
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

TEST(Keystrokes, CharacterWithoutKeyIsSkippedWithoutEventOrPause) {
    Typing typing(WithKeys(0, 0, 0, 5));
    typing.keyboard.RemoveCharacter('~');
    typing.Type("a~b");
    EXPECT_EQ(typing.keyboard.Transcript(), "ab");
    EXPECT_EQ(typing.keyboard.Pauses().size(), 2u);
}

TEST(Keystrokes, KeyWithoutScanCodeStillSyncsModifiersAndPauses) {
    Typing typing(WithKeys(0, 0, 0, 5));
    typing.keyboard.RemoveScanCode(0x41);  // "A"
    typing.Type("Ab");
    EXPECT_EQ(typing.keyboard.Trace(), "v10 [20] ^10 v42 ^42 [20] ");
}

TEST(Keystrokes, HeadKeyWithoutScanCodeStillPauses) {
    Typing typing(WithKeys(0x0070, 0, 0, 5));  // F1
    typing.keyboard.RemoveScanCode(0x70);
    typing.Type("b");
    EXPECT_EQ(typing.keyboard.Trace(), "[20] v42 ^42 [20] ");
}

TEST(Keystrokes, ShiftStateBitsAboveAltInLayoutNeverReachEvents) {
    // A layout answer with bits 11-15 set (as for some dead keys) is masked.
    struct NoisyLayout : fakes::FakeKeyboard {
        std::int16_t KeyForCharacter(char character) override {
            return static_cast<std::int16_t>(fakes::FakeKeyboard::KeyForCharacter(character) | 0x3800);
        }
    } keyboard;
    const ModifierScanCodes scans = LookUpModifierScanCodes(keyboard);
    TypeFrame(u"a", WithKeys(0, 0, 0, 9), scans, keyboard);
    EXPECT_EQ(keyboard.Trace(), "v41 ^41 ");
}

TEST(Keystrokes, EveryPrintableCharacterTypesItself) {
    std::string printable;
    for (char character = 0x20; character <= 0x7E; ++character) printable += character;
    Typing typing(WithKeys(0, 0, 0, 9));
    typing.Type(printable.c_str());
    EXPECT_EQ(typing.keyboard.Transcript(), printable);
    EXPECT_FALSE(typing.keyboard.AnyKeyDown());
    EXPECT_TRUE(typing.keyboard.Faults().empty());
}

}  // namespace
}  // namespace tellurin
