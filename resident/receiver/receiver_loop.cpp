// The receiver loop; see receiver_loop.h.
#include "resident/receiver/receiver_loop.h"

#include <algorithm>

namespace tellurin {
namespace {

// False when the device has gone.
bool RecoverFromError(ReceiverLoop& loop) {
    std::uint32_t queued = 0;
    if (!loop.Port.ClearErrors(queued)) return false;
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
                             loop.Keys, loop.Decoder};
    std::uint8_t buffer[kReceiveBlockSize];

    ReceiverEnd end = ReceiverEnd::Stopped;
    std::uint32_t failedWaits = 0;  // in a row, with nothing received in between
    while (end == ReceiverEnd::Stopped && loop.Flags.ReceiverRunning.load(std::memory_order_acquire)) {
        std::uint32_t queued = 0;
        if (!loop.Port.ClearErrors(queued)) {
            end = ReceiverEnd::DeviceGone;
            break;
        }
        if (loop.Flags.ReceivingEnabled.load(std::memory_order_acquire) && queued > 0) {
            failedWaits = 0;
            std::uint32_t received = 0;
            ReadResult read = loop.Port.ReadQueued(buffer, std::min(queued, kReceiveBlockSize), received);
            if (read == ReadResult::Pending) read = loop.Port.FinishPendingRead(received);
            switch (read) {
                case ReadResult::Completed:
                    if (received > 0)
                        ProcessReceivedBytes(loop.Assembly, buffer, std::min(received, kReceiveBlockSize), context);
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
        std::uint32_t eventMask = 0;
        switch (loop.Port.WaitForPortEventOrStop(eventMask)) {
            case PortWait::Stop:
                loop.Port.ResetStop();  // the loop test then sees the stop
                break;
            case PortWait::PortEvent:
                failedWaits = 0;
                if ((eventMask & kPortEventLineError) != 0 && !RecoverFromError(loop)) end = ReceiverEnd::DeviceGone;
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
