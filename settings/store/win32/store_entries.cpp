// TELLURS_01 (load the settings), TELLURS_02 (open the port), TELLURS_03
// (load the editing rules) and TELLURS_04 (load the device's values): the
// store and the port opening over the current user's registry and a real port; and the library's interface number, which
// the program reads before it calls any. Loaded into a program of another
// interface, each fails as it fails on its own, touching none of the
// caller's records.
#include <windows.h>

#include <type_traits>

#include "common/tellurs_entries.h"
#include "settings/store/port_opening.h"
#include "settings/store/settings_store.h"
#include "settings/store/win32/library_state.h"
#include "settings/store/win32/win32_registry.h"
#include "settings/store/win32/win32_serial_port.h"

using tellurin::CommunicationSettings;
using tellurin::DeviceSettings;
using tellurin::EditRules;
using tellurin::FunctionSettings;

namespace {

// A record that says what it is (its first field is its own size), filled
// from its key: one of another size is not read or written.
template <typename Record>
std::int32_t LoadSizedRecord(Record* record, const Record& defaults,
                             void (*read)(tellurin::Registry&, Record&, const char16_t*), const char16_t* path) {
    if (record == nullptr || record->Size != sizeof(Record) || !tellurin::LoadedByOwnProgram()) return 0;
    tellurin::CurrentUserRegistry registry;
    Record loaded = defaults;
    read(registry, loaded, path);
    *record = loaded;
    return 1;
}

}  // namespace

extern "C" {

__declspec(dllexport) extern const std::uint32_t TELLURS_INTERFACE = tellurin::kLibraryInterface;

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_01(CommunicationSettings* communication,
                                                            FunctionSettings* function) {
    if (communication == nullptr || function == nullptr || !tellurin::LoadedByOwnProgram()) return 0;
    tellurin::CurrentUserRegistry registry;
    return tellurin::LoadSettingsFromStore(registry, tellurin::LibraryWorkingSettings(), *communication, *function);
}

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_02(CommunicationSettings communication, void** portHandle) {
    // The result of a port the library could not set up, without a question.
    if (!tellurin::LoadedByOwnProgram()) return tellurin::kPortTimeoutsRefused;
    tellurin::Win32SerialPort port;
    tellurin::MessageBoxQuestion question;
    const std::int32_t result = tellurin::OpenConfiguredPort(communication, port, question);
    // Only a configured port reaches the caller; on every failure its handle is untouched.
    if (result == tellurin::kPortOpened && portHandle != nullptr) *portHandle = port.Release();
    return result;
}

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_03(EditRules* rules) {
    return LoadSizedRecord(rules, tellurin::kDefaultEditRules, tellurin::ReadEditKey, tellurin::kEditKeyPath);
}

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_04(DeviceSettings* device) {
    return LoadSizedRecord(device, tellurin::kDefaultDeviceSettings, tellurin::ReadDeviceKey,
                           tellurin::kCommunicationKeyPath);
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&TELLURS_01), tellurin::LoadSettingsEntry>);
static_assert(std::is_same_v<decltype(&TELLURS_02), tellurin::OpenPortEntry>);
static_assert(std::is_same_v<decltype(&TELLURS_03), tellurin::LoadEditRulesEntry>);
static_assert(std::is_same_v<decltype(&TELLURS_04), tellurin::LoadDeviceSettingsEntry>);
