// Fuzzes frame assembly and keystroke synthesis together: any protocol, any
// function settings (every character code among them), now and then editing
// rules, any bytes split into any blocks. Invariants: only printable characters are typed, at most 1023
// per frame, no modifier is left down after a block, the keyboard sees no
// impossible event, answers go out only under answering protocols and every
// good frame was answered; the decoder is handed only the kept bytes of a
// frame (never NUL or DEL), never more than 1023, never under ASCII, and never a Shift-JIS
// frame on a system without code page 932.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "resident/receiver/frame_assembly.h"
#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_editing.h"
#include "tests/fakes/fake_input_target.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/iconv_text_decoder.h"

using namespace tellurin;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// The layout is asked only for frame characters, and F12 ends every typed
// frame: so the characters of each frame can be counted and checked here.
class CheckingKeyboard : public fakes::FakeKeyboard {
public:
    std::int16_t KeyForCharacter(char character) override {
        Require(character >= 0x20 && character <= 0x7E);
        ++charactersInFrame;
        return FakeKeyboard::KeyForCharacter(character);
    }
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override {
        if (virtualKey == 0x7B && (flags & kKeyEventKeyUp) == 0) {
            Require(charactersInFrame >= (asciiFrames ? 1u : 0u) && charactersInFrame <= characterLimit);
            ++frames;
            charactersInFrame = 0;
        }
        FakeKeyboard::SendKeyEvent(flags, virtualKey, scanCode);
    }
    std::size_t charactersInFrame = 0;
    std::size_t characterLimit = kMaxFrameLength;
    std::size_t frames = 0;
    // A good ASCII frame has a character typed as a key; a decoded frame may
    // hold none that the layout has.
    bool asciiFrames = true;
};

// The C library's converter, with the bytes it is handed checked first.
class CheckingDecoder : public TextDecoder {
public:
    CheckingDecoder(bool ascii, bool shiftJisInstalled) : ascii_(ascii), shiftJisInstalled_(shiftJisInstalled) {}
    bool Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                std::uint32_t capacity, std::uint32_t& unitCount) override {
        Require(!ascii_);
        Require(Installed(code));
        Require(length >= 1 && length <= kMaxFrameLength && capacity >= length);
        for (std::uint32_t index = 0; index < length; ++index)
            Require(bytes[index] != 0x00 && bytes[index] != 0x7F);  // control bytes wait for the editing step
        static fakes::IconvTextDecoder converter;  // opened once for the whole run
        const bool good = converter.Decode(code, bytes, length, units, capacity, unitCount);
        Require(!good || unitCount <= length);
        return good;
    }

    bool Installed(TextCode code) override { return code == TextCode::Utf8 || shiftJisInstalled_; }

private:
    bool ascii_;
    bool shiftJisInstalled_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const char16_t protocols[] = {u'0', u'1', u'2', u'3', u'4', u'5', u'9', u'\0'};
    CommunicationSettings communication = kDefaultCommunicationSettings;
    communication.Protocol = protocols[data[0] % 8];
    FunctionSettings function = kDefaultFunctionSettings;
    function.TermKey1 = 0x007B;  // F12 marks the end of each typed frame
    function.TermKey2 = static_cast<KeyChord>(((data[1] & 0x07) << 8) | 0x09);
    function.KeySpeed = static_cast<std::uint16_t>(data[2] % 12);  // above 9 too
    function.CapsLock = (data[2] & 0x80) ? u'Y' : u'N';
    const char16_t characterCodes[] = {u'0', u'1', u'2', u'3', u'7'};
    function.CharacterCode = characterCodes[(data[1] >> 3) % 5];
    const std::size_t blockSize = 1 + data[3] % 64;
    const bool desktopLocked = (data[3] & 0xC0) == 0xC0;
    const bool shiftJisInstalled = (data[0] & 0x80) == 0;
    const bool edited = (data[2] & 0x40) != 0;
    data += 4;
    size -= 4;

    // Now and then editing rules, drawn from the next bytes: a length check,
    // cuts and an extraction, a replacement, a separator, a prefix and suffix.
    EditRules rules = kDefaultEditRules;
    if (edited && size >= 8) {
        const char16_t* const texts[] = {u"", u"\\x1D", u",", u"\\t", u"0", u"AB", u"\\r\\n", u"{HH}:{mm}", u"\\\\"};
        constexpr std::size_t kTexts = sizeof(texts) / sizeof(texts[0]);
        rules.LengthMin = data[0] % 8;
        rules.LengthMax = data[1] % 4 == 0 ? 0 : static_cast<std::uint16_t>(8 + data[1]);
        rules.CutHead = data[2] % 4;
        rules.CutTail = data[3] % 4;
        rules.ExtractStart = data[4] % 3;
        rules.ExtractLength = data[4] / 64;
        (void)SetRuleText(rules.Find[0], texts[data[5] % kTexts]);
        (void)SetRuleText(rules.With[0], texts[(data[5] / 16) % kTexts]);
        (void)SetRuleText(rules.FieldSeparator, texts[data[6] % kTexts]);
        rules.FieldKey = static_cast<KeyChord>(((data[6] & 0x70) << 4) | 0x09);
        (void)SetRuleText(rules.Prefix, texts[data[7] % kTexts]);
        (void)SetRuleText(rules.Suffix, texts[(data[7] / 16) % kTexts]);
        data += 8;
        size -= 8;
    }
    EditPlan editing;
    (void)PrepareEditing(rules, editing);  // a text its kind refuses reads as the default

    CheckingKeyboard keyboard;
    // Rules may cut a frame to nothing or let a replacement make it longer.
    keyboard.asciiFrames = FrameCodeFor(function.CharacterCode) == FrameCode::Ascii && !edited;
    keyboard.characterLimit = edited ? 8 * kMaxFrameLength : kMaxFrameLength;
    fakes::FakeAnswerLine line(keyboard);
    std::atomic<bool> enabled{true};
    const ModifierScanCodes scans = LookUpModifierScanCodes(keyboard);
    CheckingDecoder decoder(FrameCodeFor(function.CharacterCode) == FrameCode::Ascii, shiftJisInstalled);
    // Now and then no application can take keys: such frames are never typed.
    fakes::FakeInputTarget target;
    target.inputDesktopOpens = !desktopLocked;
    ReceptionCauses causes;
    fakes::CountingCauseListener listener;
    fakes::FixedClock clock;
    fakes::KeptLastFrame lastFrame;
    ReceptionContext context{enabled, communication, function, scans,   line,  keyboard, decoder,
                             target,  causes,        listener, editing, clock, lastFrame};
    static FrameAssembly assembly;
    assembly = FrameAssembly{};
    ResetFrameAssembly(assembly, communication.Protocol);

    for (std::size_t offset = 0; offset < size; offset += blockSize) {
        const std::size_t length = size - offset < blockSize ? size - offset : blockSize;
        ProcessReceivedBytes(assembly, data + offset, static_cast<std::uint32_t>(length), context);
        Require(!keyboard.AnyKeyDown());
    }
    Require(keyboard.Faults().empty());
    for (std::uint32_t pause : keyboard.Pauses()) Require(pause <= 150);

    Require(keyboard.charactersInFrame == 0);  // every frame begun was finished
    const std::size_t frames = keyboard.frames;
    if (!target.inputDesktopOpens) Require(frames == 0);
    if (IsAnswerProtocol(communication.Protocol)) {
        std::size_t acks = 0;
        for (std::uint8_t answer : line.Answers()) {
            Require(answer == kAck || answer == kNak);
            if (answer == kAck) ++acks;
        }
        Require(acks >= frames);
    } else {
        Require(line.Answers().empty());
    }
    return 0;
}
