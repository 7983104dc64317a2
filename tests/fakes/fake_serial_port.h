// A serial port double for port opening: it declares capabilities like a real
// driver, adopts the queue sizes it is given as its current queues, keeps the
// RTS level and whether it is open, and remembers the line state it was set
// to. Each operation can be made to fail.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "settings/store/port_opening.h"

namespace tellurin::fakes {

// What Wine's serial driver declares (all settable, Xon/Xoff missing) with
// BAUD_USER in dwMaxBaud.
CommProperties WineLikeProperties();

class FakeSerialPort : public SerialPortDevice {
public:
    FakeSerialPort() { std::memset(&state_, 0, sizeof state_); }

    bool Open(const char16_t* devicePath) override;
    void EscapeFunction(std::uint32_t function) override;
    bool GetProperties(CommProperties& properties) override;
    void SetupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) override;
    bool SetTimeouts(const CommTimeoutSettings& timeouts) override;
    bool GetState(DeviceControlBlock& state) override;
    bool SetState(const DeviceControlBlock& state) override;
    void Close() override;

    CommProperties Properties = WineLikeProperties();
    bool FailOpen = false, FailProperties = false, FailTimeouts = false, FailGetState = false,
         FailSetState = false;
    // The line state GetState returns (tests pre-fill it with 0x00 or 0xFF).
    void SetInitialState(std::uint8_t fill) { std::memset(&state_, fill, sizeof state_); }

    bool IsOpen() const { return open_; }
    bool RtsRaised() const { return rts_; }
    const std::u16string& OpenedPath() const { return path_; }
    const DeviceControlBlock* StateSet() const { return stateWasSet_ ? &stateSet_ : nullptr; }
    const CommTimeoutSettings& Timeouts() const { return timeouts_; }
    std::uint32_t InputQueue() const { return input_; }
    std::uint32_t OutputQueue() const { return output_; }
    // Operations on a port that is not open (the code under test lost track).
    int MisuseCount() const { return misuse_; }

private:
    bool Use() {
        if (!open_) ++misuse_;
        return open_;
    }
    bool open_ = false, rts_ = false, stateWasSet_ = false;
    std::u16string path_;
    DeviceControlBlock state_{}, stateSet_{};
    CommTimeoutSettings timeouts_{};
    std::uint32_t input_ = 0, output_ = 0;
    int misuse_ = 0;
};

class FakeQuestion : public PortErrorQuestion {
public:
    explicit FakeQuestion(bool answerYes) : answerYes_(answerYes) {}
    bool AskYesNo(const std::u16string& text) override {
        texts.push_back(text);
        return answerYes_;
    }
    std::vector<std::u16string> texts;

private:
    bool answerYes_;
};

}  // namespace tellurin::fakes
