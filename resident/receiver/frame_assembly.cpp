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

void RaiseCause(ReceptionContext& context, std::uint32_t cause) { context.Causes.Raise(cause, context.CauseListener); }

// A good frame that no application would receive is kept back like a bad
// one: under an answer protocol the device hears NAK and keeps it.
void HoldBackUnreachableFrame(FrameAssembly& assembly, ReceptionContext& context) {
    switch (JudgeTarget(context.Target)) {
        case TargetReach::Reachable:
            return;
        case TargetReach::DesktopLocked:
            RaiseCause(context, CauseDesktopLocked);
            break;
        case TargetReach::TargetElevated:
            RaiseCause(context, CauseTargetElevated);
            break;
    }
    assembly.FrameBad = true;
}

void CompleteFrame(FrameAssembly& assembly, ReceptionContext& context) {
    assembly.State = FrameState::Answering;
    if (assembly.FrameBuffer[0] == '\0') assembly.FrameBad = true;
    if (!assembly.FrameBad) HoldBackUnreachableFrame(assembly, context);
    // The answer mode is read when the frame completes, the framing only at start.
    if (IsAnswerProtocol(context.Communication.Protocol)) {
        switch (context.Line.WriteAnswer(ChooseAnswer(assembly))) {
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
    if (!assembly.FrameBad) {
        char16_t text[kFrameBufferSize];
        for (std::uint32_t index = 0; index < assembly.FrameLength; ++index)
            text[index] = static_cast<unsigned char>(assembly.FrameBuffer[index]);
        TypeFrame(std::u16string_view(text, assembly.FrameLength), context.Function, context.Scans, context.Keys);
        // A typed frame shows the line, the protocol and the target work;
        // only an answer's own trouble waits for an answer that gets out.
        context.Causes.Clear(kAllReceptionCauses & ~CauseAnswerBlocked, context.CauseListener);
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
    if (!IsPrintable(byte)) return;
    if (assembly.FrameLength < kMaxFrameLength) {
        assembly.FrameBuffer[assembly.FrameLength] = static_cast<char>(byte);
        assembly.FrameLength += 1;
    } else if (assembly.Rule.StartByte == 0) {
        // A CR-ended frame longer than any frame can be: the device ends its
        // frames some other way.
        RaiseCause(context, CauseNoFrames);
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

}  // namespace tellurin
