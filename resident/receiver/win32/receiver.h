// Starting and stopping the receiver thread on the open port, and owning that
// port. The stop waits 10000 ms for the thread; a thread that outlives the wait
// keeps its own duplicate of the port handle, its own flags, status blocks and
// copies of the settings, so it never touches a closed or reopened port, and
// no new receiver starts while it still runs.
#pragma once

#include <windows.h>

#include "common/device_settings.h"
#include "common/settings_records.h"
#include "resident/receiver/frame_assembly.h"
#include "resident/receiver/reception_causes.h"
#include "resident/receiver/request_exchange.h"

namespace tellurin {

struct ReceiverEvents {
    HANDLE StopEvent;     // manual reset
    HANDLE ReadEvent;     // auto reset
    HANDLE WriteEvent;    // auto reset
    HANDLE RequestEvent;  // auto reset: the window asked for a request
};

struct ReceiverThreadRecord;

// The last frame received, written by a receiver thread and read by the
// window's thread for the settings dialog.
class LastFrameStore final : public LastFrameKeeper {
public:
    LastFrameStore() { InitializeCriticalSection(&lock_); }
    LastFrameStore(const LastFrameStore&) = delete;
    LastFrameStore& operator=(const LastFrameStore&) = delete;
    void KeepLastFrame(std::u16string_view text) override;
    // Into buffer (room for capacity units, terminator included): the units
    // written without the terminator, the text cut to fit; 0 when none came.
    std::size_t CopyLastFrame(char16_t* buffer, std::size_t capacity);

private:
    CRITICAL_SECTION lock_;
    std::u16string text_;
};

class Receiver {
public:
    Receiver(const CommunicationSettings& communication, const FunctionSettings& function, const EditRules& editing,
             const DeviceSettings& device)
        : communication_(communication), function_(function), editing_(editing), device_(device) {}
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    void UseEvents(const ReceiverEvents& events) { events_ = events; }
    // The window a thread tells with UM_PORT_LOST when its port's device has gone.
    void ReportLossTo(HWND window) { lossWindow_ = window; }
    // The PortHandle the library fills; INVALID_HANDLE_VALUE when no port is open.
    HANDLE* PortHandleSlot() { return &portHandle_; }
    bool StartReceiver();
    void StopReceiver();  // also closes the port; safe when nothing runs
    // A thread outlived its stop and may still use the events.
    bool HasLingeringThread();
    // The running receiver's thread has ended because its port's device went.
    bool DeviceGone() const;
    // Why scans may not be arriving; cleared when a receiver starts.
    std::uint32_t ActiveReceptionCauses() const { return causes_.Active(); }
    LastFrameStore& LastFrame() { return lastFrame_; }
    // Asks the running receiver to write the request command; the request's
    // number, or 0 when no receiver runs.
    std::uint32_t AskForRequest();
    bool RequestAnswered(std::uint32_t number) const { return requests_.Answered(number); }
    // Raised by the window itself (a request that found no answer).
    void RaiseReceptionCause(std::uint32_t cause);

private:
    bool EndLingeringThread(DWORD waitMilliseconds);

    const CommunicationSettings& communication_;
    const FunctionSettings& function_;
    const EditRules& editing_;
    const DeviceSettings& device_;
    ReceiverEvents events_{};
    HWND lossWindow_ = nullptr;
    HANDLE portHandle_ = INVALID_HANDLE_VALUE;
    FrameAssembly assembly_{};  // program lifetime: the consecutive-NAK count carries over
    // The window reads them after every port opening, so the reset at a start
    // needs no notice.
    ReceptionCauses causes_;
    RequestExchange requests_;  // numbers rise for the life of the program
    // Never freed: a thread that outlived its stop may still keep a frame in
    // it while the process's statics are destroyed.
    LastFrameStore& lastFrame_ = *new LastFrameStore;
    ReceiverThreadRecord* current_ = nullptr;
    ReceiverThreadRecord* lingering_ = nullptr;
};

}  // namespace tellurin
