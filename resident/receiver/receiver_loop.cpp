// The receiver loop; see receiver_loop.h.
#include "resident/receiver/receiver_loop.h"

#include <algorithm>

namespace tellurin {
namespace {

void RecoverFromError(ReceiverLoop& loop) {
    (void)loop.Port.ClearErrors();
    loop.Port.PurgeReceive();
    loop.Assembly.State = FrameState::Idle;  // a partly received frame is abandoned
}

}  // namespace

void RunReceiverLoop(ReceiverLoop& loop) {
    const ModifierScanCodes scans = LookUpModifierScanCodes(loop.Keys);
    ResetFrameAssembly(loop.Assembly, loop.Communication.Protocol);
    loop.Port.ResetStop();
    loop.Port.SetEventMask(kPortEventReceivedCharacter | kPortEventLineError);
    ReceptionContext context{loop.Flags.ReceivingEnabled, loop.Communication, loop.Function, scans, loop.Line,
                             loop.Keys};
    std::uint8_t buffer[kReceiveBlockSize];

    while (loop.Flags.ReceiverRunning.load(std::memory_order_acquire)) {
        const std::uint32_t queued = loop.Port.ClearErrors();
        if (loop.Flags.ReceivingEnabled.load(std::memory_order_acquire) && queued > 0) {
            std::uint32_t received = 0;
            if (!loop.Port.ReadQueued(buffer, std::min(queued, kReceiveBlockSize), received)) {
                RecoverFromError(loop);
                continue;
            }
            if (received > 0) ProcessReceivedBytes(loop.Assembly, buffer, std::min(received, kReceiveBlockSize), context);
            continue;
        }
        std::uint32_t eventMask = 0;
        switch (loop.Port.WaitForPortEventOrStop(eventMask)) {
            case PortWait::Stop:
                loop.Port.ResetStop();  // the loop test then sees the stop
                break;
            case PortWait::PortEvent:
                if ((eventMask & kPortEventLineError) != 0) RecoverFromError(loop);
                break;
            case PortWait::Failed:
                RecoverFromError(loop);
                break;
        }
    }
    loop.Port.ClearRts();
    loop.Port.PurgeReceive();
}

}  // namespace tellurin
