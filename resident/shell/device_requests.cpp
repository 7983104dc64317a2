// Requests for data; see device_requests.h.
#include "resident/shell/device_requests.h"

#include <algorithm>

#include "resident/receiver/reception_causes.h"
#include "resident/receiver/request_exchange.h"

namespace tellurin {
namespace {

std::uint32_t RequestTimeoutOf(const DeviceSettings& device) {
    return std::clamp(device.RequestTimeout, kRequestTimeoutMin, kRequestTimeoutMax);
}

void StopAwaiting(ResidentWindow& window) {
    window.Marks.AwaitingAnswer = false;
    window.Platform.StopTimer(AnswerTimer);
}

// Judges the request awaited: answered, or unanswered once its time-out has
// passed (the cause is raised and shown); otherwise it is still awaited.
void CheckAnswer(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    if (!marks.AwaitingAnswer) return;
    if (window.Services.RequestAnswered(marks.AwaitedRequest)) {
        StopAwaiting(window);
        return;
    }
    if (window.Platform.TickCount() - marks.RequestWrittenAt < RequestTimeoutOf(window.Device)) return;
    StopAwaiting(window);
    window.Services.RaiseReceptionCause(CauseNoAnswer);
    ShowReceptionCauses(window);
}

// MOD_NOREPEAT keeps a held chord from sending one request per key repeat;
// Windows before 7 refuses the flag, and is asked again without it. A chord
// that another program holds is refused either way.
void RegisterRequestHotKey(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    const std::uint32_t key = window.Device.RequestHotKey & kChordKeyMask;
    if (key == 0) return;
    const std::uint32_t modifiers = HotKeyModifiers(window.Device.RequestHotKey);
    std::uint32_t error = 0;
    bool registered = window.Platform.RegisterHotKey(modifiers | kHotKeyNoRepeat, key, error);
    if (!registered && error != kErrorHotKeyAlreadyRegistered)
        registered = window.Platform.RegisterHotKey(modifiers, key, error);
    marks.HotKeyRegistered = registered;
    marks.HotKeyRefused = !registered;
}

}  // namespace

std::uint32_t HotKeyModifiers(KeyChord chord) {
    std::uint32_t modifiers = 0;
    if ((chord & kChordShift) != 0) modifiers |= kHotKeyShift;
    if ((chord & kChordCtrl) != 0) modifiers |= kHotKeyControl;
    if ((chord & kChordAlt) != 0) modifiers |= kHotKeyAlt;
    return modifiers;
}

bool RequestAvailable(const ResidentWindow& window) {
    return window.Marks.Receiving && !RequestCommandBytes(window.Device).empty();
}

void StartDeviceRequests(ResidentWindow& window) {
    StopDeviceRequests(window);
    if (RequestCommandBytes(window.Device).empty()) return;
    if (window.Device.RequestInterval != 0)
        window.Platform.StartTimer(RequestTimer, std::clamp(window.Device.RequestInterval, kRequestIntervalMin,
                                                            kRequestIntervalMax));
    RegisterRequestHotKey(window);
}

void StopDeviceRequests(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    window.Platform.StopTimer(RequestTimer);
    StopAwaiting(window);
    if (marks.HotKeyRegistered) window.Platform.UnregisterHotKey();
    marks.HotKeyRegistered = false;
    marks.HotKeyRefused = false;
    marks.RequestPending = false;
}

void RequestData(ResidentWindow& window, RequestSource source) {
    ResidentMarks& marks = window.Marks;
    if (!RequestAvailable(window)) return;
    CheckAnswer(window);
    if (source == RequestSource::Timer && (marks.RequestPending || marks.AwaitingAnswer)) return;
    const std::uint32_t number = window.Services.AskForRequest();
    if (number == 0) return;
    marks.RequestPending = true;
    marks.RequestAsked = number;
}

// Asks that piled up go out as one write, under the last number: only that
// one's notice counts, and one from a receiver since stopped never does.
void OnRequestWritten(ResidentWindow& window, std::uint32_t number) {
    ResidentMarks& marks = window.Marks;
    if (!marks.RequestPending || number != marks.RequestAsked) return;
    CheckAnswer(window);  // the one awaited so far, before this one takes its place
    marks.RequestPending = false;
    marks.AwaitingAnswer = true;
    marks.AwaitedRequest = number;
    marks.RequestWrittenAt = window.Platform.TickCount();
    window.Platform.StopTimer(AnswerTimer);
    window.Platform.StartTimer(AnswerTimer, RequestTimeoutOf(window.Device));
}

void OnAnswerTimer(ResidentWindow& window) {
    window.Platform.StopTimer(AnswerTimer);  // a single shot
    ResidentMarks& marks = window.Marks;
    CheckAnswer(window);
    // A timer may fire a tick early: the rest of the time-out is waited for.
    if (marks.AwaitingAnswer)
        window.Platform.StartTimer(AnswerTimer, RequestTimeoutOf(window.Device) -
                                                    (window.Platform.TickCount() - marks.RequestWrittenAt));
}

}  // namespace tellurin
