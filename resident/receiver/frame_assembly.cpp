// Frame assembly; see frame_assembly.h. The answer byte always goes out before
// the first keystroke of its frame, and the rest of the block waits until the
// frame has been typed.
#include "resident/receiver/frame_assembly.h"

namespace tellurin {
namespace {

bool IsPrintable(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }

std::uint8_t ChooseAnswer(FrameAssembly& assembly) {
    if (!assembly.FrameBad) {
        assembly.NakCount = 0;
        return kAck;
    }
    assembly.NakCount += 1;
    if (assembly.NakCount < kNakRunLength) return kNak;
    assembly.NakCount = 0;
    return kAck;
}

void CompleteFrame(FrameAssembly& assembly, ReceptionContext& context) {
    assembly.State = FrameState::Answering;
    if (assembly.FrameBuffer[0] == '\0') assembly.FrameBad = true;
    // The answer mode is read when the frame completes, the framing only at start.
    if (IsAnswerProtocol(context.Communication.Protocol)) context.Line.WriteAnswer(ChooseAnswer(assembly));

    assembly.State = FrameState::Delivering;
    if (!assembly.FrameBad) {
        char16_t text[kFrameBufferSize];
        for (std::uint32_t index = 0; index < assembly.FrameLength; ++index)
            text[index] = static_cast<unsigned char>(assembly.FrameBuffer[index]);
        TypeFrame(std::u16string_view(text, assembly.FrameLength), context.Function, context.Scans, context.Keys);
    }
    assembly.State = FrameState::Idle;
}

void Collect(FrameAssembly& assembly, std::uint8_t byte, ReceptionContext& context) {
    if (byte == assembly.Rule.EndByte) {
        assembly.FrameBuffer[assembly.FrameLength] = '\0';
        if (assembly.Rule.SecondEndByte != 0) {
            assembly.State = FrameState::AwaitingSecondEnd;
        } else {
            CompleteFrame(assembly, context);
        }
        return;
    }
    // Control bytes, bytes from 0x7F up and characters past the 1023rd are
    // dropped without making the frame bad.
    if (assembly.FrameLength < kMaxFrameLength && IsPrintable(byte)) {
        assembly.FrameBuffer[assembly.FrameLength] = static_cast<char>(byte);
        assembly.FrameLength += 1;
    }
}

}  // namespace

FramingRule FramingRuleFor(char16_t protocol) {
    const auto code = static_cast<std::uint32_t>(protocol - u'0');
    if (code == 0 || code == 3) return FramingRule{0, kCr, 0};
    if (code == 1 || code == 4) return FramingRule{0, kCr, kLf};
    return FramingRule{kStx, kEtx, 0};
}

bool IsAnswerProtocol(char16_t protocol) {
    return static_cast<std::uint16_t>(protocol - u'3') <= 2;
}

void ResetFrameAssembly(FrameAssembly& assembly, char16_t protocol) {
    assembly.Rule = FramingRuleFor(protocol);
    assembly.State = FrameState::Idle;
}

void ProcessReceivedBytes(FrameAssembly& assembly, const std::uint8_t* block, std::uint32_t length,
                          ReceptionContext& context) {
    for (std::uint32_t index = 0; index < length; ++index) {
        if (!context.ReceivingEnabled.load(std::memory_order_acquire)) return;
        const std::uint8_t byte = block[index];

        if (assembly.State == FrameState::Idle) {
            assembly.FrameLength = 0;
            assembly.FrameBad = false;
            if (assembly.Rule.StartByte != 0) {
                if (byte == assembly.Rule.StartByte) assembly.State = FrameState::Collecting;
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
                CompleteFrame(assembly, context);
                break;
            default:
                // Answering and Delivering never outlast CompleteFrame.
                assembly.State = FrameState::Idle;
                break;
        }
    }
}

}  // namespace tellurin
