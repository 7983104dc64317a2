// The receiver thread's loop: wait for the port, read what the driver has
// queued (at most 1024 bytes at a time) and hand it to frame assembly. Any
// error ClearCommError reports (line errors, overruns, a full queue) spoils
// what it touches: the loop takes its decision from those bits before it
// reads, discards the driver's queue and abandons the frame in progress,
// silently, and goes on; a failed read or wait is recovered from the same
// way. When the port stops answering even a status query, its device has
// gone (an adapter unplugged, a cable pulled from a virtual port), and when
// it refuses every port-event wait it is no better: the loop ends and says
// so, rather than spin on waits that complete or fail at once. A wait counts
// as failed when it ends with an error or with no event while nothing is
// queued, and only bytes really received show that the port works again.
// Line errors and overruns are recorded as reception causes for the tray.
// The loop alone writes to the port: the answers of frame assembly, and
// between frames the request the window asked for. Under protocol '6' it
// keeps the clock that ends a frame after FrameGap milliseconds of silence:
// only while such a frame is open does its wait have a time-out, so an idle
// receiver sleeps until the port, a request or the stop wakes it.
// The port is a seam; the thread around the loop is in the Win32 room.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/device_settings.h"
#include "resident/receiver/frame_assembly.h"
#include "resident/receiver/request_exchange.h"

namespace tellurin {

constexpr std::uint32_t kPortEventReceivedCharacter = 0x0001;  // EV_RXCHAR
constexpr std::uint32_t kPortEventLineError = 0x0080;          // EV_ERR
// ClearCommError's error bits.
constexpr std::uint32_t kCommErrorReceiveQueueOverflow = 0x0001;  // CE_RXOVER
constexpr std::uint32_t kCommErrorOverrun = 0x0002;               // CE_OVERRUN
constexpr std::uint32_t kCommErrorParity = 0x0004;                // CE_RXPARITY
constexpr std::uint32_t kCommErrorFraming = 0x0008;               // CE_FRAME
constexpr std::uint32_t kCommErrorBreak = 0x0010;                 // CE_BREAK
// Each of them means bytes were damaged or lost: what is queued, and the frame
// in progress, cannot be trusted. Only the line-status errors (framing,
// overrun, parity) raise EV_ERR; a break and a full queue are seen through
// ClearCommError alone.
constexpr std::uint32_t kCommErrorsSpoilingReception = kCommErrorReceiveQueueOverflow | kCommErrorOverrun |
                                                       kCommErrorParity | kCommErrorFraming | kCommErrorBreak;
constexpr std::uint32_t kReceiveBlockSize = 1024;

// PortEvent: the wait finished without error (the mask may still be 0);
// Failed: it could not start, or finished with an error (cancelled, the
// device removed); Request: the window asked for a request; TimedOut: the
// time-out given passed first. The port-event wait stays outstanding after
// Stop, Request and TimedOut.
enum class PortWait { Stop, PortEvent, Failed, Request, TimedOut };
constexpr std::uint32_t kNoTimeout = 0xFFFFFFFFu;  // INFINITE
// How a read ends: at once or later with its bytes, by the stop event (the
// read has been cancelled and is over), or failed.
enum class ReadResult { Completed, Pending, Stopped, Failed };

// Port-event waits that fail one after another, with no byte received in
// between, before the loop gives the port up as it does a port whose device
// has gone: a driver that refuses every wait at once, or ends each with no
// event, would otherwise keep the loop spinning. Only failures that come
// within kFailedWaitWindow of the one before count together: a wait that ends
// with no event now and then (a mask change, a driver's hiccup) is harmless,
// and closing the port for it (toggling DTR and RTS) would lose a scan
// arriving meanwhile. A spinning driver fails many times a second.
constexpr std::uint32_t kFailedWaitsBeforeGivingUp = 3;
constexpr std::uint32_t kFailedWaitWindow = 5000;  // milliseconds

// The open port as the loop uses it; results the loop does not act on are not returned.
struct ReceiverPort {
    virtual ~ReceiverPort() = default;
    // SetCommMask; false when the driver refuses the mask.
    [[nodiscard]] virtual bool SetEventMask(std::uint32_t mask) = 0;
    virtual void ResetStop() = 0;
    // ClearCommError: clears the error state and gives its error bits and the
    // number of bytes queued; false when the port no longer answers (its
    // device has gone).
    virtual bool ClearErrors(std::uint32_t& queued, std::uint32_t& errors) = 0;
    // Starts a read of bytes already queued: Completed (received comes from
    // the completed read), Pending (some drivers complete even such a read
    // later) or Failed.
    virtual ReadResult ReadQueued(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) = 0;
    // Waits for the pending read or the stop event: Completed with received,
    // Stopped once the read has been cancelled and is over, or Failed.
    virtual ReadResult FinishPendingRead(std::uint32_t& received) = 0;
    // Starts a port-event wait (unless one is still outstanding) and waits
    // for it, the stop event or the request event, at most timeout
    // milliseconds (kNoTimeout: without limit); Failed at once when the wait
    // cannot be started, and when it finishes with an error.
    virtual PortWait WaitForPortEventOrStop(std::uint32_t& eventMask, std::uint32_t timeout) = 0;
    virtual void PurgeReceive() = 0;  // PURGE_RXCLEAR
    virtual void ClearRts() = 0;
    // Milliseconds since start-up, wrapping every 49.7 days (GetTickCount):
    // compare two only by unsigned subtraction.
    virtual std::uint32_t TickCount() = 0;
};

// Written by the main thread only, read here without a lock. Each receiver
// thread has its own pair, so a thread that outlives its stop never sees a
// later receiver's flags.
struct ReceiverFlags {
    std::atomic<bool> ReceiverRunning{false};
    std::atomic<bool> ReceivingEnabled{false};
};

struct ReceiverLoop {
    ReceiverFlags& Flags;
    ReceiverPort& Port;
    FrameAssembly& Assembly;  // lives as long as the program: the NAK count carries over
    const CommunicationSettings& Communication;
    const FunctionSettings& Function;
    Keyboard& Keys;
    AnswerLine& Line;
    TextDecoder& Decoder;
    InputTarget& Target;
    ReceptionCauses& Causes;  // lives as long as the program
    ReceptionCauseListener& CauseListener;
    const EditRules& Editing;
    Clock& Time;
    LastFrameKeeper& LastFrame;  // lives as long as the program
    const DeviceSettings& Device;     // the frame gap and the request command
    RequestExchange& Requests;        // lives as long as the program
    RequestListener& RequestNotices;
};

enum class ReceiverEnd { Stopped, DeviceGone };

// Set-up, the loop while ReceiverRunning is set (or until the device has
// gone), and the end (RTS dropped, receive queue purged). A driver that
// refuses EV_ERR in the event mask is waited on for EV_RXCHAR alone (its line
// errors are still seen before each read); one that refuses that too counts
// as gone. The caller ends any wait still outstanding.
ReceiverEnd RunReceiverLoop(ReceiverLoop& loop);

}  // namespace tellurin
