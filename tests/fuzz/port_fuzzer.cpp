// Fuzzes port opening: any declared capabilities, any starting line state and
// any record (text fields unterminated too), with any operation failing.
// Invariants: one of the four results, the port closed on every failure, no
// operation on a closed port, one question at most and it fits its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "settings/store/port_opening.h"
#include "tests/fakes/fake_serial_port.h"

using namespace tellurin;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CommProperties properties{};
    CommunicationSettings settings{};
    DeviceControlBlock initial{};
    if (size < sizeof properties + sizeof settings + sizeof initial + 1) return 0;
    std::memcpy(&properties, data, sizeof properties);
    std::memcpy(&settings, data + sizeof properties, sizeof settings);
    std::memcpy(&initial, data + sizeof properties + sizeof settings, sizeof initial);
    const std::uint8_t failures = data[sizeof properties + sizeof settings + sizeof initial];

    fakes::FakeSerialPort port;
    port.Properties = properties;
    port.SetInitialState(0);
    port.FailOpen = failures & 1;
    port.FailProperties = failures & 2;
    port.FailTimeouts = failures & 4;
    port.FailGetState = failures & 8;
    port.FailSetState = failures & 16;
    fakes::FakeQuestion question((failures & 32) != 0);

    const std::int32_t result = OpenConfiguredPort(settings, port, question);
    Require(result == kPortOpened || result == kPortTimeoutsRefused || result == kAnswerOpenSettings ||
            result == kAnswerQuit);
    Require(port.MisuseCount() == 0);
    Require(result == kPortOpened ? port.IsOpen() && port.RtsRaised() : !port.IsOpen());
    Require(question.texts.size() <= 1);
    for (const auto& text : question.texts) Require(text.size() <= 127);
    if (result == kPortOpened) {
        const DeviceControlBlock* state = port.StateSet();
        Require(state != nullptr && state->fBinary == 1 && state->fNull == 1 && state->XonChar == 0x11);
    }
    return 0;
}
