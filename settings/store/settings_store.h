// The settings store: the records persist as REG_SZ texts under the current
// user's "SOFTWARE\Quorvel\Tellurin\Ver.3" key, one subkey each. Loading
// validates every value and keeps the caller's value for anything invalid; a
// store with a Communication or Function key or value missing is rebuilt from
// the caller's records (except for the two function values that older versions
// never wrote); the Edit key came later still, so nothing missing there is
// damage: a missing value takes its default. The device's values (frame gap,
// request command and its timing) came later too and are read the same way,
// from the Communication key; a rebuild of that key keeps the valid ones.
// Saving writes only values whose stored form differs from the working copy.
#pragma once

#include <cstdint>

#include "common/device_settings.h"
#include "common/edit_rules.h"
#include "common/settings_records.h"
#include "settings/store/registry.h"

namespace tellurin {

constexpr const char16_t* kCommunicationKeyPath = u"SOFTWARE\\Quorvel\\Tellurin\\Ver.3\\Communication";
constexpr const char16_t* kFunctionKeyPath = u"SOFTWARE\\Quorvel\\Tellurin\\Ver.3\\Function";
constexpr const char16_t* kEditKeyPath = u"SOFTWARE\\Quorvel\\Tellurin\\Ver.3\\Edit";

// Results of the writes: message codes of the resident program.
constexpr std::int32_t kSaveOk = 0;
constexpr std::int32_t kSaveKeyNotOpened = 4;
constexpr std::int32_t kSaveValueNotWritten = 6;

constexpr std::uint16_t kInvalidHexWord = 0xFFFF;

// The library's copy of the settings that the dialog edits and the store
// writes, with the flags the dialog pages set when they change a part.
struct WorkingSettings {
    CommunicationSettings Communication;
    FunctionSettings Function;
    bool CommChanged;
    bool FunctionChanged;
    EditRules Edit;
    bool EditChanged;
    DeviceSettings Device;
    bool DeviceChanged;
};

// Hexadecimal text to a 16-bit value; 0xFFFF for an empty text, a non-digit or
// a fifth significant digit. Leading zeros are allowed.
std::uint16_t ParseHexWord(const char16_t* text);

// Fill a record from its key; 0 when the key or a value is missing (fields
// read before that keep their new values), else 1. The function key's
// CharacterCode and ImeOff are the exception: missing, they leave their fields
// as they are and the read still succeeds.
int ReadCommunicationKey(Registry& registry, CommunicationSettings& record, const char16_t* path);
int ReadFunctionKey(Registry& registry, FunctionSettings& record, const char16_t* path);
// Nothing missing here is damage: a missing key or value gives the defaults.
// Size is left as it is.
void ReadEditKey(Registry& registry, EditRules& record, const char16_t* path);
// The same for the device's values, kept in the Communication key.
void ReadDeviceKey(Registry& registry, DeviceSettings& record, const char16_t* path);

// Delete and re-create the Communication and Function keys, empty; 0 when a
// key cannot be created. The Edit key is never rebuilt.
int RebuildSettingsKeys(Registry& registry);

// Write what differs from the stored values; 0, 4 or 6.
std::int32_t WriteCommunicationKey(Registry& registry, const WorkingSettings& working, const char16_t* path);
std::int32_t WriteFunctionKey(Registry& registry, const WorkingSettings& working, const char16_t* path);
// The Edit key is created when missing; an empty text is a value like any
// other there, written when the stored one differs.
std::int32_t WriteEditKey(Registry& registry, const WorkingSettings& working, const char16_t* path);
std::int32_t WriteDeviceKey(Registry& registry, const WorkingSettings& working, const char16_t* path);

// The load entry: read both keys, or rebuild the store from the records.
std::int32_t LoadSettingsFromStore(Registry& registry, WorkingSettings& working,
                                   CommunicationSettings& communication,
                                   FunctionSettings& function);
// The same, and the editing rules read from their key whatever the others gave.
std::int32_t LoadSettingsFromStore(Registry& registry, WorkingSettings& working,
                                   CommunicationSettings& communication, FunctionSettings& function,
                                   EditRules& edit);

// Write the parts whose flags are set; the flags are left as they are.
std::int32_t SaveSettings(Registry& registry, const WorkingSettings& working);

}  // namespace tellurin
