// The receiver loop; see receiver_loop.h.
#include "resident/receiver/receiver_loop.h"

#include <algorithm>

namespace tellurin {
namespace {

static_assert(kLongestWrite >= kRequestCommandBytes, "the writer takes a whole request command");

// Reads the port's status, recording line errors and overruns; false when
// the device has gone. ClearCommError clears the errors it reports, so this
// is the only word of them: spoiled says whether there were any.
bool CheckPort(ReceiverLoop& loop, std::uint32_t& queued, bool& spoiled) {
    std::uint32_t errors = 0;
    if (!loop.Port.ClearErrors(queued, errors)) return false;
    std::uint32_t causes = 0;
    if ((errors & (kCommErrorFraming | kCommErrorParity | kCommErrorBreak)) != 0) causes |= CauseLineError;
    if ((errors & (kCommErrorOverrun | kCommErrorReceiveQueueOverflow)) != 0) causes |= CauseOverrun;
    if (causes != 0) loop.Causes.Raise(causes, loop.CauseListener);
    spoiled = (errors & kCommErrorsSpoilingReception) != 0;
    return true;
}

// Nothing damaged is typed or answered: the driver's queue goes, and a partly
// received frame is abandoned, unanswered.
void DiscardReception(ReceiverLoop& loop) {
    loop.Port.PurgeReceive();
    loop.Assembly.State = FrameState::Idle;
}

// After a failed read or wait, what is queued cannot be trusted either way.
// False when the device has gone.
bool RecoverFromError(ReceiverLoop& loop) {
    std::uint32_t queued = 0;
    bool spoiled = false;
    if (!CheckPort(loop, queued, spoiled)) return false;
    DiscardReception(loop);
    return true;
}

// After EV_ERR: the driver latched it when the error came, and the error may
// already have been reported (and its bytes discarded) at the loop's top,
// while the loop was reading or typing; bytes queued since are good and kept.
// False when the device has gone.
bool RecoverFromLineErrorEvent(ReceiverLoop& loop) {
    std::uint32_t queued = 0;
    bool spoiled = false;
    if (!CheckPort(loop, queued, spoiled)) return false;
    if (spoiled) DiscardReception(loop);
    return true;
}

// Failed waits in a row, each within kFailedWaitWindow of the one before.
struct FailedWaits {
    std::uint32_t Count = 0;
    std::uint32_t LastAt = 0;  // tick count of the last one counted
};

// Counts one failed wait; true when the port is to be given up.
bool CountFailedWait(FailedWaits& failed, std::uint32_t now) {
    if (failed.Count > 0 && now - failed.LastAt > kFailedWaitWindow) failed.Count = 0;  // wraps safely
    failed.LastAt = now;
    return ++failed.Count >= kFailedWaitsBeforeGivingUp;
}

// EV_ERR only shortens the way to the recovery: the errors are seen through
// ClearCommError before each read anyway, so a driver that refuses it is
// waited on for received bytes alone.
bool SetUpEventMask(ReceiverPort& port) {
    return port.SetEventMask(kPortEventReceivedCharacter | kPortEventLineError) ||
           port.SetEventMask(kPortEventReceivedCharacter);
}

// A frame that completed answers the requests written before it, and shows
// that the device answers.
void NoteFramesEnded(ReceiverLoop& loop, std::uint32_t& framesSeen) {
    if (loop.Assembly.FramesEnded == framesSeen) return;
    framesSeen = loop.Assembly.FramesEnded;
    loop.Requests.FrameCompleted();
    loop.Causes.Clear(CauseNoAnswer, loop.CauseListener);
}

// The request the window asked for goes out now, between frames: this
// thread writes every answer and types every frame itself, so the request can
// never cut into either, and one that came due meanwhile goes right after.
void WriteAskedRequest(ReceiverLoop& loop, const std::string& command) {
    std::uint32_t number = 0;
    if (command.empty() || !loop.Requests.TakeAsked(number)) return;
    (void)loop.Line.WriteRequest(reinterpret_cast<const std::uint8_t*>(command.data()),
                                 static_cast<std::uint32_t>(command.size()));
    loop.RequestNotices.RequestWritten(number);
}

// The stored gap, kept within its range whatever the record holds.
std::uint32_t FrameGapOf(const DeviceSettings& device) {
    return std::clamp<std::uint32_t>(device.FrameGap, kFrameGapMin, kFrameGapMax);
}

}  // namespace

ReceiverEnd RunReceiverLoop(ReceiverLoop& loop) {
    const ModifierScanCodes scans = LookUpModifierScanCodes(loop.Keys);
    ResetFrameAssembly(loop.Assembly, loop.Communication.Protocol);
    loop.Port.ResetStop();
    // A port that takes no event mask at all could only fail every wait.
    ReceiverEnd end = SetUpEventMask(loop.Port) ? ReceiverEnd::Stopped : ReceiverEnd::DeviceGone;
    // The store let only valid rules through; an invalid one would read as its default.
    EditPlan editing;
    (void)PrepareEditing(loop.Editing, editing);
    ReceptionContext context{loop.Flags.ReceivingEnabled, loop.Communication, loop.Function, scans, loop.Line,
                             loop.Keys, loop.Decoder, loop.Target, loop.Causes, loop.CauseListener,
                             editing, loop.Time, loop.LastFrame};
    std::uint8_t buffer[kReceiveBlockSize];
    const std::string command = RequestCommandBytes(loop.Device);
    const std::uint32_t frameGap = FrameGapOf(loop.Device);
    std::uint32_t lastBytesAt = 0;  // tick count of the last read that brought bytes
    std::uint32_t framesSeen = loop.Assembly.FramesEnded;

    FailedWaits failedWaits;  // in a row, with no byte received in between
    bool readAllowed = true;  // false after a read that brought nothing: wait first
    while (end == ReceiverEnd::Stopped && loop.Flags.ReceiverRunning.load(std::memory_order_acquire)) {
        std::uint32_t queued = 0;
        bool spoiled = false;
        if (!CheckPort(loop, queued, spoiled)) {
            end = ReceiverEnd::DeviceGone;
            break;
        }
        if (spoiled) {
            // Decided from the bits just cleared, before any read: the damaged
            // bytes are still queued, and EV_ERR (if the error raises it at
            // all) comes only with the next wait.
            DiscardReception(loop);
            continue;
        }
        // Bytes queued after the pause belong to the next frame: the pause
        // is judged before they are read.
        if (FrameAwaitsSilence(loop.Assembly) && loop.Port.TickCount() - lastBytesAt >= frameGap) {
            EndFrameBySilence(loop.Assembly, context);
            NoteFramesEnded(loop, framesSeen);
            continue;
        }
        if (loop.Flags.ReceivingEnabled.load(std::memory_order_acquire)) WriteAskedRequest(loop, command);
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
                        failedWaits.Count = 0;
                        lastBytesAt = loop.Port.TickCount();
                        ProcessReceivedBytes(loop.Assembly, buffer, std::min(received, kReceiveBlockSize), context);
                        NoteFramesEnded(loop, framesSeen);
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
        std::uint32_t timeout = kNoTimeout;
        if (FrameAwaitsSilence(loop.Assembly)) {
            const std::uint32_t quiet = loop.Port.TickCount() - lastBytesAt;
            timeout = quiet < frameGap ? frameGap - quiet : 0;
        }
        switch (loop.Port.WaitForPortEventOrStop(eventMask, timeout)) {
            case PortWait::Stop:
                loop.Port.ResetStop();  // the loop test then sees the stop
                break;
            case PortWait::Request:  // written at the loop's top
            case PortWait::TimedOut:  // the frame is ended there
                break;
            case PortWait::PortEvent:
                if ((eventMask & kPortEventLineError) != 0) {
                    if (!RecoverFromLineErrorEvent(loop)) end = ReceiverEnd::DeviceGone;
                } else if (eventMask == 0) {
                    // No event (the mask was changed, or the device is going):
                    // harmless once, a spin when it repeats with nothing queued.
                    std::uint32_t waiting = 0;
                    bool spoiled = false;
                    if (!CheckPort(loop, waiting, spoiled)) {
                        end = ReceiverEnd::DeviceGone;
                    } else {
                        if (spoiled) DiscardReception(loop);
                        if (waiting == 0 && CountFailedWait(failedWaits, loop.Port.TickCount()))
                            end = ReceiverEnd::DeviceGone;
                    }
                }
                break;
            case PortWait::Failed:
                if (!RecoverFromError(loop) || CountFailedWait(failedWaits, loop.Port.TickCount()))
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
