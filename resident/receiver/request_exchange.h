// Requests for data between the window's thread, which decides when the
// device is asked, and the receiver thread, which alone writes to the port
// (answers and requests through one writer, never while a frame is typed).
// Requests are numbered; the window asks for the next one, the receiver
// writes whatever was asked last (asks that pile up while it types go out as
// one), and a frame completed after a write answers it. Three atomic words,
// so neither thread ever waits for the other.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/device_settings.h"

namespace tellurin {

// The bytes the stored command stands for; empty when none is set (or the
// text is not a valid command, which the store never lets through).
inline std::string RequestCommandBytes(const DeviceSettings& device) {
    std::u16string_view text(device.RequestCommand, kRequestCommandUnits);
    text = text.substr(0, text.find(u'\0'));
    std::string bytes;
    if (!ExpandRequestCommand(text, &bytes)) bytes.clear();
    return bytes;
}

// Told (from the receiver thread) that a request has gone to the port.
struct RequestListener {
    virtual ~RequestListener() = default;
    virtual void RequestWritten(std::uint32_t number) = 0;
};

class RequestExchange {
public:
    // Window thread: the number of the request now asked for.
    std::uint32_t Ask() { return asked_.fetch_add(1, std::memory_order_acq_rel) + 1; }
    // Receiver thread: true with the number of the last request asked for
    // when it has not been written yet; it counts as written from now on.
    bool TakeAsked(std::uint32_t& number) {
        const std::uint32_t asked = asked_.load(std::memory_order_acquire);
        if (asked == written_.load(std::memory_order_relaxed)) return false;
        written_.store(asked, std::memory_order_release);
        number = asked;
        return true;
    }
    // Receiver thread: a frame completed, so every request written so far is answered.
    void FrameCompleted() { answered_.store(written_.load(std::memory_order_relaxed), std::memory_order_release); }
    // Window thread: a frame completed after this request was written. Numbers
    // wrap, so they are compared by their distance.
    bool Answered(std::uint32_t number) const {
        return static_cast<std::int32_t>(answered_.load(std::memory_order_acquire) - number) >= 0;
    }
    // At a receiver's start: what was asked of the last port is forgotten.
    void Restart() {
        const std::uint32_t asked = asked_.load(std::memory_order_acquire);
        written_.store(asked, std::memory_order_release);
        answered_.store(asked, std::memory_order_release);
    }

private:
    std::atomic<std::uint32_t> asked_{0};
    std::atomic<std::uint32_t> written_{0};
    std::atomic<std::uint32_t> answered_{0};
};

}  // namespace tellurin
