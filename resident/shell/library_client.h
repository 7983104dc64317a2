// The resident program's side of the settings library: the library is bound
// by full path anew for each operation (and kept loaded only while its dialog
// runs), its interface number is checked, one entry is called, and its result
// becomes a report and a yes/no for the window's handlers. A library of
// another interface is refused with MessageWrongLibraryVersion before any
// entry is called, and every operation then fails so that the program ends.
#pragma once

#include <cstdint>
#include <string>

#include "common/message_codes.h"
#include "common/settings_records.h"
#include "common/tellurs_entries.h"
#include "resident/shell/messages.h"

namespace tellurin {

// LoadLibraryW, GetProcAddress and FreeLibrary. Load gets a full path and
// must never search elsewhere for it. Find answers an entry's address, or for
// the interface number the address of the exported value.
struct LibraryBinding {
    virtual ~LibraryBinding() = default;
    virtual void* Load(const char16_t* fullPath) = 0;
    virtual void* Find(void* module, const char* entryName) = 0;
    virtual void Free(void* module) = 0;
};

// The receiver as the client needs it: the port handle slot the library fills,
// and starting and stopping the receiver on it (stopping also closes the port).
struct ReceiverControl {
    virtual ~ReceiverControl() = default;
    virtual void** PortHandleSlot() = 0;
    virtual bool StartReceiver() = 0;
    virtual void StopReceiver() = 0;
};

inline void* const kInvalidPortHandle = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));

constexpr std::size_t kPathUnits = 260;  // path buffers, terminator included

// Results of OpenPortAndReceive besides 0 and the two answers 0x601 / 0x604.
constexpr std::int32_t kOpenPortLibraryFailure = MessageFunctionFailure;   // 4
constexpr std::int32_t kOpenPortReceiverFailure = MessageThreadNotCreated;  // 8
// A library of another interface, already refused with its message: the
// window ends the program as on the user's "no" (UM_QUIT), showing nothing more.
constexpr std::int32_t kOpenPortWrongLibrary = UM_QUIT;

struct SettingsLibraryClient {
    std::u16string ProgramDirectory;  // empty when it could not be found
    CommunicationSettings* Communication;
    FunctionSettings* Function;
    EditRules* Edit;  // filled by its own entry, in a record that starts with its size
    DeviceSettings* Device;  // likewise
    // Loaded from a started dialog to its finish. When the dialog's thread
    // outlives its wait, this load is never freed, which keeps the library in
    // place under the thread for the life of the process.
    void* SettingsLibrary;
    LibraryBinding* Binding;
    ReceiverControl* Receiver;
    MessageReporter* Reporter;
};

// ProgramDirectory + "\TELLURS.DLL", or empty when it would not fit in 260
// units or the directory is unknown: such a path is refused, never cut short.
std::u16string LibraryPath(const std::u16string& programDirectory);

bool StartSettingsDialog(SettingsLibraryClient& client, void* owner);
bool FinishSettingsDialog(SettingsLibraryClient& client);
bool LoadSettings(SettingsLibraryClient& client);
std::int32_t OpenPortAndReceive(SettingsLibraryClient& client);

}  // namespace tellurin
