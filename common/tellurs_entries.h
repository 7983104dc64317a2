// The entries of the settings library as both binaries see them.
//
// Calling convention: every entry uses the C convention (__cdecl). On x86-64
// there is only one convention; on x86 the C convention keeps the exported
// names undecorated (TELLURS_00, not _TELLURS_00@16), so the same .def file and
// the same GetProcAddress names serve both builds.
//
// Before any record crosses, each side reads the other's interface number
// (settings_records.h): exported data, a 32-bit number that GetProcAddress
// finds by name, read without calling into the other binary. The program
// reads the library's before it calls an entry; each entry reads the
// program's (GetModuleHandleW(nullptr)) before it reads or fills a record.
//
// Handles and window handles are passed as void* so this header needs no
// platform header; a wide text is char16_t here and wchar_t in Win32 code (both
// UTF-16 there).
#pragma once

#include <cstdint>
#include <cstring>

#include "common/device_settings.h"
#include "common/edit_rules.h"
#include "common/settings_records.h"

#if defined(_WIN32)
#define TELLURS_CALL __cdecl
#else
#define TELLURS_CALL
#endif

namespace tellurin {

// Start form: owner window (not null), program directory, the caller's records;
// 0 when the dialog runs on its own thread, 10 when it could not be set up.
// Finish form: all four null; the dialog thread's result once it has ended.
using SettingsDialogEntry = std::int32_t(TELLURS_CALL*)(void* owner, const char16_t* programDirectory,
                                                        CommunicationSettings* communication,
                                                        FunctionSettings* function);
// Load both records from the store; 1, or 0 when the store could not be rebuilt.
using LoadSettingsEntry = std::int32_t(TELLURS_CALL*)(CommunicationSettings* communication,
                                                      FunctionSettings* function);
// Open and configure the port of a copy of the record; 0 with *portHandle
// filled, 4, or the private message chosen by the user after a port failure.
using OpenPortEntry = std::int32_t(TELLURS_CALL*)(CommunicationSettings communication, void** portHandle);

// Fill the editing rules from the store (a missing value takes its default);
// 1, or 0 when the record's Size is not this interface's EditRules.
using LoadEditRulesEntry = std::int32_t(TELLURS_CALL*)(EditRules* rules);

// Fill the device settings from the Communication key (a missing value takes
// its default); 1, or 0 when the record's Size is not this interface's
// DeviceSettings.
using LoadDeviceSettingsEntry = std::int32_t(TELLURS_CALL*)(DeviceSettings* device);

constexpr const char* kSettingsDialogEntryName = "TELLURS_00";
constexpr const char* kLoadSettingsEntryName = "TELLURS_01";
constexpr const char* kOpenPortEntryName = "TELLURS_02";
constexpr const char* kLoadEditRulesEntryName = "TELLURS_03";
constexpr const char* kLoadDeviceSettingsEntryName = "TELLURS_04";
constexpr const char* kLibraryInterfaceName = "TELLURS_INTERFACE";  // exported by TELLURS.DLL
constexpr const char* kProgramInterfaceName = "TELLUR_INTERFACE";   // exported by TELLUR.EXE

// Exported by TELLUR.EXE for the settings dialog in its process: the last
// frame received, as received (decoded, control characters kept, before any
// editing rule), into buffer (room for capacity units, terminator included);
// the units written without the terminator, the text cut to fit; 0 when no
// frame has come yet. A function rather than a window message, so that no
// other process can hand the program an address to write to.
using LastFrameEntry = std::size_t(TELLURS_CALL*)(char16_t* buffer, std::size_t capacity);
constexpr const char* kProgramLastFrameName = "TELLUR_LAST_FRAME";

// True when the partner's exported interface number, found at this address
// (null: the partner exports none, as every release before the number had),
// is this build's. A partner without it, or with another, is refused.
inline bool IsOwnInterface(const void* exportedNumber) {
    if (exportedNumber == nullptr) return false;
    std::uint32_t number;
    std::memcpy(&number, exportedNumber, sizeof number);
    return number == kLibraryInterface;
}

}  // namespace tellurin
