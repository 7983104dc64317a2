// The serial port seam on Win32, and the port-failure question as a message box.
#pragma once

#include <windows.h>

#include "settings/store/port_opening.h"

namespace tellurin {

class Win32SerialPort final : public SerialPortDevice {
public:
    ~Win32SerialPort() override;
    bool Open(const char16_t* devicePath) override;
    void EscapeFunction(std::uint32_t function) override;
    bool GetProperties(CommProperties& properties) override;
    void SetupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) override;
    bool SetTimeouts(const CommTimeoutSettings& timeouts) override;
    bool GetState(DeviceControlBlock& state) override;
    bool SetState(const DeviceControlBlock& state) override;
    void Close() override;

    // Hands the open port to the caller; this object no longer owns it.
    HANDLE Release();

private:
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

class MessageBoxQuestion final : public PortErrorQuestion {
public:
    bool AskYesNo(const std::u16string& text) override;
};

}  // namespace tellurin
