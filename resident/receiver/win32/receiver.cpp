// The receiver thread on Win32; see receiver.h. Plain Win32 threads: the
// MinGW runtime used here has no std::thread.
#include "resident/receiver/win32/receiver.h"

#include "common/message_codes.h"
#include "common/win32/local_clock.h"

#include "resident/receiver/receiver_loop.h"
#include "resident/receiver/win32/cancel_port_operation.h"
#include "resident/receiver/win32/overlapped_answer_line.h"
#include "resident/receiver/win32/win32_input_target.h"
#include "resident/receiver/win32/win32_keyboard.h"
#include "resident/receiver/win32/win32_text_decoder.h"

namespace tellurin {
namespace {

constexpr DWORD kStopWaitMilliseconds = 10000;
constexpr DWORD kWaitEndMilliseconds = 2000;

// The port as the loop sees it, over this thread's duplicate of the handle.
// Reads and the port-event wait have a status block each, and the wait its
// own manual-reset event (as WaitCommEvent asks), created by this object and
// kept with it: a wait that could not be seen to end can then never signal
// into a read, nor into a later receiver's wait.
class Win32ReceiverPort final : public ReceiverPort {
public:
    Win32ReceiverPort(HANDLE port, const ReceiverEvents& events)
        : port_(port), stopEvent_(events.StopEvent), requestEvent_(events.RequestEvent) {
        readBlock_.hEvent = events.ReadEvent;
        waitBlock_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Win32ReceiverPort() override {
        if (waitBlock_.hEvent != nullptr) (void)CloseHandle(waitBlock_.hEvent);
    }
    Win32ReceiverPort(const Win32ReceiverPort&) = delete;
    Win32ReceiverPort& operator=(const Win32ReceiverPort&) = delete;

    bool SetEventMask(std::uint32_t mask) override { return SetCommMask(port_, mask) != FALSE; }
    void ResetStop() override { (void)ResetEvent(stopEvent_); }

    bool ClearErrors(std::uint32_t& queued, std::uint32_t& errors) override {
        DWORD errorBits = 0;
        COMSTAT status{};
        if (!ClearCommError(port_, &errorBits, &status)) return false;
        queued = status.cbInQue;
        errors = errorBits;
        return true;
    }

    ReadResult ReadQueued(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) override {
        PrepareBlock(readBlock_);
        DWORD bytes = 0;
        if (ReadFile(port_, buffer, count, nullptr, &readBlock_)) {
            if (!GetOverlappedResult(port_, &readBlock_, &bytes, FALSE)) return ReadResult::Failed;
            received = bytes;
            return ReadResult::Completed;
        }
        // Drivers built on the kernel driver framework (the inbox USB CDC
        // driver among them) may pend even a read of bytes already queued.
        return GetLastError() == ERROR_IO_PENDING ? ReadResult::Pending : ReadResult::Failed;
    }

    ReadResult FinishPendingRead(std::uint32_t& received) override {
        DWORD bytes = 0;
        switch (WaitForBlockOrStop(readBlock_)) {
            case WAIT_OBJECT_0 + 1:
                if (!GetOverlappedResult(port_, &readBlock_, &bytes, FALSE)) return ReadResult::Failed;
                received = bytes;
                return ReadResult::Completed;
            case WAIT_OBJECT_0:
                // The buffer and the block must be left by the read before the
                // loop goes on; what it brought is not wanted after a stop.
                EndOperation();
                return ReadResult::Stopped;
            default:
                EndOperation();
                return ReadResult::Failed;
        }
    }

    PortWait WaitForPortEventOrStop(std::uint32_t& eventMask, std::uint32_t timeout) override {
        if (waitBlock_.hEvent == nullptr) return PortWait::Failed;
        if (!waitPending_) {
            PrepareBlock(waitBlock_);
            (void)ResetEvent(waitBlock_.hEvent);
            eventMask_ = 0;
            if (!WaitCommEvent(port_, &eventMask_, &waitBlock_) && GetLastError() != ERROR_IO_PENDING)
                return PortWait::Failed;  // no wait was started: its event would never be set
            waitPending_ = true;
        }
        DWORD ignored = 0;
        // The port-event wait stays outstanding unless it is the one that ended.
        const HANDLE waitList[3] = {stopEvent_, requestEvent_, waitBlock_.hEvent};
        switch (WaitForMultipleObjects(3, waitList, FALSE, timeout)) {
            case WAIT_OBJECT_0:
                return PortWait::Stop;
            case WAIT_OBJECT_0 + 1:
                return PortWait::Request;
            case WAIT_TIMEOUT:
                return PortWait::TimedOut;
            case WAIT_OBJECT_0 + 2:
                waitPending_ = false;
                // A wait can finish with an error (cancelled, the device
                // removed), its mask then 0: only the operation's result tells.
                if (!GetOverlappedResult(port_, &waitBlock_, &ignored, FALSE)) return PortWait::Failed;
                eventMask = eventMask_;
                return PortWait::PortEvent;
            default:
                return PortWait::Failed;
        }
    }

    void PurgeReceive() override { (void)PurgeComm(port_, PURGE_RXCLEAR); }
    void ClearRts() override { (void)EscapeCommFunction(port_, CLRRTS); }
    std::uint32_t TickCount() override { return GetTickCount(); }

    // Before the thread leaves: its last port-event wait must not complete
    // into the block and mask word after they are gone. A new event mask ends
    // a pending wait, and the wait is cancelled as well; false when it could
    // not be seen to end, and the caller must then keep the block alive.
    bool EndOutstandingWait() {
        if (!waitPending_) return true;
        (void)SetCommMask(port_, 0);
        CancelPortOperation(port_, &waitBlock_);
        if (WaitForSingleObject(waitBlock_.hEvent, kWaitEndMilliseconds) != WAIT_OBJECT_0) return false;
        waitPending_ = false;
        return true;
    }

private:
    // WAIT_OBJECT_0 for the stop, WAIT_OBJECT_0 + 1 for the status block's
    // operation; no time-out.
    DWORD WaitForBlockOrStop(const OVERLAPPED& block) {
        const HANDLE waitList[2] = {stopEvent_, block.hEvent};
        return WaitForMultipleObjects(2, waitList, FALSE, INFINITE);
    }
    static void PrepareBlock(OVERLAPPED& block) {
        block.Internal = 0;
        block.InternalHigh = 0;
        block.Offset = 0;
        block.OffsetHigh = 0;
    }
    void EndOperation() {
        DWORD bytes = 0;
        CancelPortOperation(port_, &readBlock_);
        (void)GetOverlappedResult(port_, &readBlock_, &bytes, TRUE);
    }

    HANDLE port_;
    HANDLE stopEvent_;
    HANDLE requestEvent_;
    OVERLAPPED readBlock_{};
    OVERLAPPED waitBlock_{};
    DWORD eventMask_ = 0;
    bool waitPending_ = false;
};

// Tells the resident window that the reception causes changed, or that a
// request went out; posted, so the receiver never waits for the window.
class PostingCauseListener final : public ReceptionCauseListener, public RequestListener {
public:
    explicit PostingCauseListener(HWND window) : window_(window) {}
    void ReceptionCausesChanged() override {
        if (window_ != nullptr) (void)PostMessageW(window_, UM_RECEPTION_CAUSES, 0, 0);
    }
    void RequestWritten(std::uint32_t number) override {
        if (window_ != nullptr) (void)PostMessageW(window_, UM_REQUEST_WRITTEN, number, 0);
    }

private:
    HWND window_;
};

}  // namespace

// Everything one receiver thread uses, owned by that thread's record.
struct ReceiverThreadRecord {
    ReceiverFlags Flags;
    std::atomic<bool> DeviceGone{false};  // set by the thread when its loop ended that way
    HWND LossWindow = nullptr;            // told with UM_PORT_LOST and UM_RECEPTION_CAUSES
    HANDLE Port = INVALID_HANDLE_VALUE;  // this thread's duplicate
    HANDLE Thread = nullptr;
    ReceiverEvents Events{};
    CommunicationSettings Communication{};
    FunctionSettings Function{};
    EditRules Editing{};
    DeviceSettings Device{};
    FrameAssembly* Assembly = nullptr;
    RequestExchange* Requests = nullptr;  // the program's
    ReceptionCauses* Causes = nullptr;  // the program's
    LastFrameStore* LastFrame = nullptr;  // the program's
};

namespace {

DWORD WINAPI ReceiverThreadProcedure(LPVOID parameter) {
    auto* record = static_cast<ReceiverThreadRecord*>(parameter);
    // On the heap: if the driver never lets the last port-event wait end, the
    // status block it would write into is kept rather than freed under it.
    auto* port = new Win32ReceiverPort(record->Port, record->Events);
    ReceiverEnd end;
    {
        Win32Keyboard keyboard;
        Win32TextDecoder decoder;
        OverlappedAnswerLine answerLine(record->Port, record->Events.WriteEvent);
        Win32InputTarget target;
        PostingCauseListener causeListener(record->LossWindow);
        LocalClock clock;
        ReceiverLoop loop{record->Flags,   *port,      *record->Assembly, record->Communication, record->Function,
                          keyboard,        answerLine, decoder,           target,                *record->Causes,
                          causeListener,   record->Editing, clock,        *record->LastFrame,    record->Device,
                          *record->Requests, causeListener};
        end = RunReceiverLoop(loop);
    }
    if (port->EndOutstandingWait()) delete port;
    (void)CloseHandle(record->Port);
    record->Port = INVALID_HANDLE_VALUE;
    if (end == ReceiverEnd::DeviceGone) {
        record->DeviceGone.store(true, std::memory_order_release);
        if (record->LossWindow != nullptr) (void)PostMessageW(record->LossWindow, UM_PORT_LOST, 0, 0);
    }
    return 0;
}

void FreeRecord(ReceiverThreadRecord* record) {
    if (record->Thread != nullptr) (void)CloseHandle(record->Thread);
    delete record;
}

}  // namespace

void LastFrameStore::KeepLastFrame(std::u16string_view text) {
    EnterCriticalSection(&lock_);
    text_.assign(text);
    LeaveCriticalSection(&lock_);
}

std::size_t LastFrameStore::CopyLastFrame(char16_t* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) return 0;
    EnterCriticalSection(&lock_);
    const std::size_t units = text_.copy(buffer, capacity - 1);
    LeaveCriticalSection(&lock_);
    buffer[units] = u'\0';
    return units;
}

Receiver::~Receiver() {
    StopReceiver();
    // A lingering thread still uses its record; the process is ending, so it is left.
}

bool Receiver::EndLingeringThread(DWORD waitMilliseconds) {
    if (lingering_ == nullptr) return true;
    if (WaitForSingleObject(lingering_->Thread, waitMilliseconds) != WAIT_OBJECT_0) return false;
    FreeRecord(lingering_);
    lingering_ = nullptr;
    return true;
}

bool Receiver::HasLingeringThread() { return !EndLingeringThread(0); }

bool Receiver::DeviceGone() const {
    return current_ != nullptr && current_->DeviceGone.load(std::memory_order_acquire);
}

bool Receiver::StartReceiver() {
    // Never two receivers at once: an earlier thread that outlived its stop
    // gets one more wait, and if it still runs this start fails.
    if (!EndLingeringThread(kStopWaitMilliseconds)) return false;

    auto* record = new ReceiverThreadRecord;
    record->Events = events_;
    record->Communication = communication_;
    record->Function = function_;
    record->Editing = editing_;
    record->Device = device_;
    record->Assembly = &assembly_;
    record->Requests = &requests_;
    record->Causes = &causes_;
    record->LastFrame = &lastFrame_;
    record->LossWindow = lossWindow_;
    if (!DuplicateHandle(GetCurrentProcess(), portHandle_, GetCurrentProcess(), &record->Port, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        delete record;
        return false;
    }
    record->Flags.ReceiverRunning.store(true, std::memory_order_release);
    record->Thread = CreateThread(nullptr, 0, ReceiverThreadProcedure, record, 0, nullptr);
    if (record->Thread == nullptr) {
        (void)CloseHandle(record->Port);
        delete record;
        return false;
    }
    requests_.Restart();  // before the thread reads it
    record->Flags.ReceivingEnabled.store(true, std::memory_order_release);
    current_ = record;
    // What held scans back on the last port or with the last settings may be
    // gone now; what is still true shows again with the next bytes or frame.
    causes_.Reset();
    return true;
}

std::uint32_t Receiver::AskForRequest() {
    if (current_ == nullptr) return 0;
    const std::uint32_t number = requests_.Ask();
    (void)SetEvent(events_.RequestEvent);
    return number;
}

void Receiver::RaiseReceptionCause(std::uint32_t cause) {
    // The window that raises it shows it at once: no notice is posted.
    struct Quiet final : ReceptionCauseListener {
        void ReceptionCausesChanged() override {}
    } quiet;
    causes_.Raise(cause, quiet);
}

void Receiver::StopReceiver() {
    if (current_ != nullptr) {
        current_->Flags.ReceivingEnabled.store(false, std::memory_order_release);
        current_->Flags.ReceiverRunning.store(false, std::memory_order_release);
        (void)SetEvent(events_.StopEvent);
        if (WaitForSingleObject(current_->Thread, kStopWaitMilliseconds) == WAIT_OBJECT_0) {
            FreeRecord(current_);
        } else {
            // Still typing or waiting for an answer write: it goes on with its
            // own port handle and ends by itself. (No start succeeds while an
            // earlier thread lingers, so there is never a second one here.)
            lingering_ = current_;
        }
        current_ = nullptr;
    }
    if (portHandle_ != INVALID_HANDLE_VALUE) {
        (void)CloseHandle(portHandle_);
        portHandle_ = INVALID_HANDLE_VALUE;
    }
}

}  // namespace tellurin
