// Starting and stopping the receiver thread on the open port, and owning that
// port. The stop waits 10000 ms for the thread; a thread that outlives the wait
// keeps its own duplicate of the port handle, its own flags, status blocks and
// copies of the settings, so it never touches a closed or reopened port, and
// no new receiver starts while it still runs.
#pragma once

#include <windows.h>

#include "common/settings_records.h"
#include "resident/receiver/frame_assembly.h"
#include "resident/receiver/reception_causes.h"

namespace tellurin {

struct ReceiverEvents {
    HANDLE StopEvent;   // manual reset
    HANDLE ReadEvent;   // auto reset
    HANDLE WriteEvent;  // auto reset
};

struct ReceiverThreadRecord;

class Receiver {
public:
    Receiver(const CommunicationSettings& communication, const FunctionSettings& function)
        : communication_(communication), function_(function) {}
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

private:
    bool EndLingeringThread(DWORD waitMilliseconds);

    const CommunicationSettings& communication_;
    const FunctionSettings& function_;
    ReceiverEvents events_{};
    HWND lossWindow_ = nullptr;
    HANDLE portHandle_ = INVALID_HANDLE_VALUE;
    FrameAssembly assembly_{};  // program lifetime: the consecutive-NAK count carries over
    // The window reads them after every port opening, so the reset at a start
    // needs no notice.
    ReceptionCauses causes_;
    ReceiverThreadRecord* current_ = nullptr;
    ReceiverThreadRecord* lingering_ = nullptr;
};

}  // namespace tellurin
