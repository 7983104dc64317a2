// The receiver loop; see receiver_loop.h.
#include "resident/receiver/receiver_loop.h"

#include <algorithm>

namespace tellurin {
namespace {

// Reads the port's status, recording line errors and overruns; false when
// the device has gone.
bool CheckPort(ReceiverLoop& loop, std::uint32_t& queued) {
    std::uint32_t errors = 0;
    if (!loop.Port.ClearErrors(queued, errors)) return false;
    std::uint32_t causes = 0;
    if ((errors & (kCommErrorFraming | kCommErrorParity | kCommErrorBreak)) != 0) causes |= CauseLineError;
    if ((errors & (kCommErrorOverrun | kCommErrorReceiveQueueOverflow)) != 0) causes |= CauseOverrun;
    if (causes != 0) loop.Causes.Raise(causes, loop.CauseListener);
    return true;
}

// False when the device has gone.
bool RecoverFromError(ReceiverLoop& loop) {
    std::uint32_t queued = 0;
    if (!CheckPort(loop, queued)) return false;
    loop.Port.PurgeReceive();
    loop.Assembly.State = FrameState::Idle;  // a partly received frame is abandoned
    return true;
}

}  // namespace

ReceiverEnd RunReceiverLoop(ReceiverLoop& loop) {
    const ModifierScanCodes scans = LookUpModifierScanCodes(loop.Keys);
    ResetFrameAssembly(loop.Assembly, loop.Communication.Protocol);
    loop.Port.ResetStop();
    loop.Port.SetEventMask(kPortEventReceivedCharacter | kPortEventLineError);
    ReceptionContext context{loop.Flags.ReceivingEnabled, loop.Communication, loop.Function, scans, loop.Line,
                             loop.Keys, loop.Decoder, loop.Target, loop.Causes, loop.CauseListener};
    std::uint8_t buffer[kReceiveBlockSize];

    ReceiverEnd end = ReceiverEnd::Stopped;
    std::uint32_t failedWaits = 0;  // in a row, with no byte received in between
    bool readAllowed = true;        // false after a read that brought nothing: wait first
    while (end == ReceiverEnd::Stopped && loop.Flags.ReceiverRunning.load(std::memory_order_acquire)) {
        std::uint32_t queued = 0;
        if (!CheckPort(loop, queued)) {
            end = ReceiverEnd::DeviceGone;
            break;
        }
        if (readAllowed && loop.Flags.ReceivingEnabled.load(std::memory_order_acquire) && queued > 0) {
            std::uint32_t received = 0;
            ReadResult read = loop.Port.ReadQueued(buffer, std::min(queued, kReceiveBlockSize), received);
            if (read == ReadResult::Pending) read = loop.Port.FinishPendingRead(received);
            switch (read) {
                case ReadResult::Completed:
                    // A driver may count bytes it then does not deliver: a read
                    // that brings none goes back to the wait, never straight
                    // into another read.
                    readAllowed = received > 0;
                    if (received > 0) {
                        failedWaits = 0;
                        ProcessReceivedBytes(loop.Assembly, buffer, std::min(received, kReceiveBlockSize), context);
                    }
                    break;
                case ReadResult::Stopped:
                    loop.Port.ResetStop();  // the loop test then sees the stop
                    break;
                case ReadResult::Pending:
                case ReadResult::Failed:
                    if (!RecoverFromError(loop)) end = ReceiverEnd::DeviceGone;
                    break;
            }
            continue;
        }
        readAllowed = true;
        std::uint32_t eventMask = 0;
        switch (loop.Port.WaitForPortEventOrStop(eventMask)) {
            case PortWait::Stop:
                loop.Port.ResetStop();  // the loop test then sees the stop
                break;
            case PortWait::PortEvent:
                if ((eventMask & kPortEventLineError) != 0) {
                    if (!RecoverFromError(loop)) end = ReceiverEnd::DeviceGone;
                } else if (eventMask == 0) {
                    // No event (the mask was changed, or the device is going):
                    // harmless once, a spin when it repeats with nothing queued.
                    std::uint32_t waiting = 0;
                    if (!CheckPort(loop, waiting)) {
                        end = ReceiverEnd::DeviceGone;
                    } else if (waiting == 0 && ++failedWaits >= kFailedWaitsBeforeGivingUp) {
                        end = ReceiverEnd::DeviceGone;
                    }
                }
                break;
            case PortWait::Failed:
                if (!RecoverFromError(loop) || ++failedWaits >= kFailedWaitsBeforeGivingUp)
                    end = ReceiverEnd::DeviceGone;
                break;
        }
    }
    // A frame cut off by the device's loss is abandoned, not kept for the next port.
    if (end == ReceiverEnd::DeviceGone) loop.Assembly.State = FrameState::Idle;
    loop.Port.ClearRts();
    loop.Port.PurgeReceive();
    return end;
}

}  // namespace tellurin
