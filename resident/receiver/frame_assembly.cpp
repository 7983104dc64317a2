// Frame assembly; see frame_assembly.h. The answer byte always goes out before
// the first keystroke of its frame, and the rest of the block waits until the
// frame has been typed.
#include "resident/receiver/frame_assembly.h"

#include <algorithm>

namespace tellurin {
namespace {

bool IsPrintable(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }

bool IsFramingByte(const FramingRule& rule, std::uint8_t byte) {
    return byte != 0 && (byte == rule.StartByte || byte == rule.EndByte || byte == rule.SecondEndByte);
}

// Characters: printable bytes, and under a multibyte code the bytes from 0x80
// up; DEL and, under ASCII, the bytes from 0x80 up are dropped.
bool IsCharacterByte(FrameCode code, std::uint8_t byte) {
    return IsPrintable(byte) || (code != FrameCode::Ascii && byte >= 0x80);
}

// Control bytes other than the framing's own (and NUL) wait for the editing step.
bool IsKept(const FrameAssembly& assembly, std::uint8_t byte) {
    return IsCharacterByte(assembly.Code, byte) ||
           (byte >= 0x01 && byte < 0x20 && !IsFramingByte(assembly.Rule, byte));
}

// The first byte of a two-byte Shift-JIS character. The byte after it is taken
// whatever it is, so only a walk from the frame's start tells a lead byte from
// a second byte of the same value.
bool IsShiftJisLeadByte(std::uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// The bytes up to the start of a last character that the length limit left
// incomplete; all of them when the last character is whole (or is invalid
// anyway, which the decoder then reports).
std::uint32_t WholeCharacters(TextCode code, const std::uint8_t* bytes, std::uint32_t length) {
    if (code == TextCode::ShiftJis) {
        std::uint32_t index = 0;
        while (index < length) {
            if (!IsShiftJisLeadByte(bytes[index])) {
                index += 1;
            } else if (index + 1 == length) {
                return index;
            } else {
                index += 2;
            }
        }
        return length;
    }
    // UTF-8: the last byte that is not a continuation byte (10xxxxxx) starts
    // the last character, and says by its leading ones how long it is.
    for (std::uint32_t back = 1; back <= 4 && back <= length; ++back) {
        const std::uint8_t byte = bytes[length - back];
        if ((byte & 0xC0) == 0x80) continue;
        const std::uint32_t size = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return size > back ? length - back : length;
    }
    return length;
}

bool HasHighByte(const std::uint8_t* bytes, std::uint32_t length) {
    return std::any_of(bytes, bytes + length, [](std::uint8_t byte) { return byte >= 0x80; });
}

// Windows's code page 932 gives the single bytes 0x80, 0xA0 and 0xFD-0xFF
// code points that are no characters (U+0080, U+F8F0-U+F8F3) where other
// converters refuse them: a frame garbled into them is bad everywhere.
bool HasNonCharacterSingleByte(const std::uint8_t* bytes, std::uint32_t length) {
    for (std::uint32_t index = 0; index < length; ++index) {
        const std::uint8_t byte = bytes[index];
        if (IsShiftJisLeadByte(byte)) {
            ++index;  // its second byte may be 0x80 or 0xA0
        } else if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
            return true;
        }
    }
    return false;
}

constexpr std::uint8_t kUtf8ByteOrderMark[] = {0xEF, 0xBB, 0xBF};

FrameText DecodeIn(TextCode code, const std::uint8_t* bytes, std::uint32_t length, bool cut, TextDecoder& decoder,
                   char16_t* text, std::uint32_t& units) {
    const std::uint32_t capacity = length;
    // Some 2D-code generators put a byte-order mark first; it is no text.
    if (code == TextCode::Utf8 && length >= 3 && std::equal(kUtf8ByteOrderMark, kUtf8ByteOrderMark + 3, bytes)) {
        bytes += 3;
        length -= 3;
    }
    const std::uint32_t whole = cut ? WholeCharacters(code, bytes, length) : length;
    units = 0;
    if (whole == 0) return FrameText::Decoded;
    if (code == TextCode::ShiftJis) {
        if (HasNonCharacterSingleByte(bytes, whole)) return FrameText::Invalid;
        if (!HasHighByte(bytes, whole)) {
            // ASCII reads the same in code page 932, which need not be there.
            std::copy(bytes, bytes + whole, text);
            units = whole;
            return FrameText::Decoded;
        }
        if (!decoder.Installed(code)) return FrameText::ShiftJisMissing;
    }
    return decoder.Decode(code, bytes, whole, text, capacity, units) ? FrameText::Decoded : FrameText::Invalid;
}

FrameText DecodeCollected(const FrameAssembly& assembly, TextDecoder& decoder, char16_t* text, std::uint32_t& units) {
    return DecodeFrame(assembly.Code, reinterpret_cast<const std::uint8_t*>(assembly.FrameBuffer),
                       assembly.FrameLength, assembly.FrameCut, decoder, text, units);
}

// A frame kept back is always answered NAK, however long the screen stays
// locked: it neither counts in the run of bad frames nor ends it.
std::uint8_t ChooseAnswer(FrameAssembly& assembly, bool keptBack) {
    if (keptBack) return kNak;
    if (!assembly.FrameBad) {
        assembly.NakCount = 0;
        return kAck;
    }
    assembly.NakCount += 1;
    if (assembly.NakCount < kNakRunLength) return kNak;
    assembly.NakCount = 0;
    return kAck;
}

void RaiseCause(ReceptionContext& context, std::uint32_t cause) { context.Causes.Raise(cause, context.CauseListener); }

// Whether a good frame must be kept back because no application would
// receive it now: under an answer protocol the device hears NAK and keeps it.
bool KeepBackUnreachableFrame(ReceptionContext& context) {
    switch (JudgeTarget(context.Target)) {
        case TargetReach::Reachable:
            return false;
        case TargetReach::DesktopLocked:
            RaiseCause(context, CauseDesktopLocked);
            return true;
        case TargetReach::TargetElevated:
            RaiseCause(context, CauseTargetElevated);
            return true;
    }
    return false;
}

// The frame's text, or FrameBad set: a frame bad in itself is never judged
// against the target.
void DecodeCompleteFrame(FrameAssembly& assembly, ReceptionContext& context, char16_t* text, std::uint32_t& units) {
    if (!assembly.FrameHasCharacter) assembly.FrameBad = true;  // nothing, or control bytes only
    if (assembly.FrameBad) return;
    switch (DecodeCollected(assembly, context.Decoder, text, units)) {
        case FrameText::Decoded:
            if (units == 0) assembly.FrameBad = true;  // a byte-order mark alone
            break;
        case FrameText::ShiftJisMissing:
            RaiseCause(context, CauseShiftJisMissing);
            assembly.FrameBad = true;
            break;
        case FrameText::Invalid:
            assembly.FrameBad = true;
            break;
    }
}

void CompleteFrame(FrameAssembly& assembly, ReceptionContext& context) {
    assembly.State = FrameState::Answering;
    char16_t text[kFrameBufferSize];
    std::uint32_t units = 0;
    DecodeCompleteFrame(assembly, context, text, units);
    EditedFrame edited{};
    if (!assembly.FrameBad) {
        const std::u16string_view received(text, units);
        context.LastFrame.KeepLastFrame(received);
        EditFrame(received, context.Editing, context.Time, edited);
        if (edited.BadLength) {
            RaiseCause(context, CauseLengthMismatch);
            assembly.FrameBad = true;
        }
    }
    const bool keptBack = !assembly.FrameBad && KeepBackUnreachableFrame(context);
    // The answer mode is read when the frame completes, the framing only at start.
    if (IsAnswerProtocol(context.Communication.Protocol)) {
        switch (context.Line.WriteAnswer(ChooseAnswer(assembly, keptBack))) {
            case AnswerOutcome::Written:
                context.Causes.Clear(CauseAnswerBlocked, context.CauseListener);
                break;
            case AnswerOutcome::TimedOut:
                RaiseCause(context, CauseAnswerBlocked);
                break;
            case AnswerOutcome::Failed:
                break;
        }
    }

    assembly.State = FrameState::Delivering;
    if (!assembly.FrameBad && !keptBack) {
        TypeFrame(edited.Typed.Text, context.Function, context.Scans, context.Keys, context.ReceivingEnabled,
                  edited.Typed.Keys);
        context.Causes.Clear(kCausesClearedByTypedFrame, context.CauseListener);
    }
    assembly.State = FrameState::Idle;
    assembly.FramesEnded += 1;
}

void Collect(FrameAssembly& assembly, std::uint8_t byte, ReceptionContext& context) {
    if (assembly.Rule.EndByte != 0 && byte == assembly.Rule.EndByte) {
        assembly.FrameBuffer[assembly.FrameLength] = '\0';
        if (assembly.Rule.SecondEndByte != 0) {
            assembly.State = FrameState::AwaitingSecondEnd;
        } else {
            CompleteFrame(assembly, context);
        }
        return;
    }
    // Dropped bytes and bytes past the 1023rd do not make the frame bad.
    if (!IsKept(assembly, byte)) return;
    if (assembly.FrameLength == kMaxFrameLength) {
        assembly.FrameCut = true;
        // A CR-ended frame longer than any frame can be: the device ends its
        // frames some other way.
        if (assembly.Rule.StartByte == 0) RaiseCause(context, CauseNoFrames);
        return;
    }
    assembly.FrameBuffer[assembly.FrameLength] = static_cast<char>(byte);
    assembly.FrameLength += 1;
    if (byte >= 0x20) assembly.FrameHasCharacter = true;
    // With no end byte, the limit ends the frame; the next byte begins the
    // next. A character the limit splits is dropped as in a cut frame.
    if (assembly.Rule.EndsBySilence && assembly.FrameLength == kMaxFrameLength) {
        assembly.FrameBuffer[assembly.FrameLength] = '\0';
        assembly.FrameCut = true;
        CompleteFrame(assembly, context);
    }
}

// Under STX/ETX, a byte outside any frame.
void CountStrayByte(FrameAssembly& assembly, ReceptionContext& context) {
    if (++assembly.StrayBytes == kStrayBytesBeforeNotice) RaiseCause(context, CauseNoFrames);
}

// Under CR LF, how the byte after a frame's CR ends it.
void CountSecondEnd(FrameAssembly& assembly, std::uint8_t byte, ReceptionContext& context) {
    if (byte == assembly.Rule.SecondEndByte) {
        assembly.UnfinishedFrames = 0;
    } else if (++assembly.UnfinishedFrames == kUnfinishedFramesBeforeNotice) {
        RaiseCause(context, CauseNoFrames);
    }
}

}  // namespace

FramingRule FramingRuleFor(char16_t protocol) {
    const auto code = static_cast<std::uint32_t>(protocol - u'0');
    if (code == 0 || code == 3) return FramingRule{0, kCr, 0, false};
    if (code == 1 || code == 4) return FramingRule{0, kCr, kLf, false};
    if (protocol == kSilenceProtocol) return FramingRule{0, 0, 0, true};
    return FramingRule{kStx, kEtx, 0, false};
}

bool IsAnswerProtocol(char16_t protocol) {
    return static_cast<std::uint16_t>(protocol - u'3') <= 2;
}

FrameCode FrameCodeFor(char16_t characterCode) {
    switch (characterCode) {
        case u'1': return FrameCode::ShiftJis;
        case u'2': return FrameCode::Utf8;
        case u'3': return FrameCode::Automatic;
        default: return FrameCode::Ascii;
    }
}

FrameText DecodeFrame(FrameCode code, const std::uint8_t* bytes, std::uint32_t length, bool cut,
                      TextDecoder& decoder, char16_t* text, std::uint32_t& units) {
    switch (code) {
        case FrameCode::ShiftJis:
            return DecodeIn(TextCode::ShiftJis, bytes, length, cut, decoder, text, units);
        case FrameCode::Utf8:
            return DecodeIn(TextCode::Utf8, bytes, length, cut, decoder, text, units);
        case FrameCode::Automatic:
            // Plain ASCII is valid UTF-8 too, but reads the same in Shift-JIS;
            // a frame whose only high bytes the cut dropped was still UTF-8.
            if (HasHighByte(bytes, length) &&
                DecodeIn(TextCode::Utf8, bytes, length, cut, decoder, text, units) == FrameText::Decoded)
                return FrameText::Decoded;
            return DecodeIn(TextCode::ShiftJis, bytes, length, cut, decoder, text, units);
        case FrameCode::Ascii:
            break;
    }
    for (std::uint32_t index = 0; index < length; ++index) text[index] = bytes[index];
    units = length;
    return FrameText::Decoded;
}

void ResetFrameAssembly(FrameAssembly& assembly, char16_t protocol) {
    assembly.Rule = FramingRuleFor(protocol);
    assembly.State = FrameState::Idle;
    assembly.StrayBytes = 0;
    assembly.UnfinishedFrames = 0;
}

void ProcessReceivedBytes(FrameAssembly& assembly, const std::uint8_t* block, std::uint32_t length,
                          ReceptionContext& context) {
    for (std::uint32_t index = 0; index < length; ++index) {
        if (!context.ReceivingEnabled.load(std::memory_order_acquire)) return;
        const std::uint8_t byte = block[index];

        if (assembly.State == FrameState::Idle) {
            assembly.FrameLength = 0;
            assembly.FrameBad = false;
            assembly.FrameCut = false;
            assembly.FrameHasCharacter = false;
            assembly.Code = FrameCodeFor(context.Function.CharacterCode);
            if (assembly.Rule.StartByte != 0) {
                if (byte == assembly.Rule.StartByte) {
                    assembly.State = FrameState::Collecting;
                    assembly.StrayBytes = 0;
                } else {
                    CountStrayByte(assembly, context);
                }
                continue;
            }
            assembly.State = FrameState::Collecting;  // this byte already belongs to the frame
        }

        switch (assembly.State) {
            case FrameState::Collecting:
                Collect(assembly, byte, context);
                break;
            case FrameState::AwaitingSecondEnd:
                // The byte after CR is used up either way; anything but LF spoils the frame.
                if (byte != assembly.Rule.SecondEndByte) assembly.FrameBad = true;
                CountSecondEnd(assembly, byte, context);
                CompleteFrame(assembly, context);
                break;
            default:
                // Answering and Delivering never outlast CompleteFrame.
                assembly.State = FrameState::Idle;
                break;
        }
    }
}

bool FrameAwaitsSilence(const FrameAssembly& assembly) {
    return assembly.Rule.EndsBySilence && assembly.State == FrameState::Collecting;
}

void EndFrameBySilence(FrameAssembly& assembly, ReceptionContext& context) {
    if (!FrameAwaitsSilence(assembly)) return;
    assembly.FrameBuffer[assembly.FrameLength] = '\0';
    CompleteFrame(assembly, context);
}

}  // namespace tellurin
