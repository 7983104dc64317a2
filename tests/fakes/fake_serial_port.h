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

// What real serial drivers declare through GetCommProperties, written from
// their documented and measured values, never from the code under test:
// - the standard 16550 driver: every capability, every fixed rate up to
//   115200 and BAUD_USER, in dwMaxBaud too; no queue limits;
// - a USB adapter driver that lists no fixed rate at all: BAUD_USER alone, in
//   dwSettableBaud and dwMaxBaud, so every rate is set by its number;
// - Wine's driver: no Xon/Xoff and no BAUD_7200 or BAUD_USER; BAUD_115200 as
//   its fastest; 4096-byte queues.
CommProperties StandardSerialProperties();
CommProperties UsbUserRateProperties();
CommProperties WineSerialProperties();

struct DriverTable {
    const char* Name;
    CommProperties (*Properties)();
};
extern const DriverTable kDriverTables[3];

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

    CommProperties Properties = WineSerialProperties();
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
