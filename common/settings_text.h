// The two text fields of CommunicationSettings as strings. A record may come
// from anywhere (the registry, the caller of an entry), so a field is always
// read within its seven units, terminated or not, and always written
// terminated and NUL-padded.
#pragma once

#include <string>

#include "common/settings_records.h"

namespace tellurin {

inline std::u16string SettingsText(const char16_t (&field)[kSettingsTextUnits]) {
    std::u16string text;
    for (std::size_t index = 0; index < kSettingsTextUnits && field[index] != u'\0'; ++index) text += field[index];
    return text;
}

// Keeps at most six characters, so the terminator always fits.
inline void SetSettingsText(char16_t (&field)[kSettingsTextUnits], const std::u16string& text) {
    std::size_t index = 0;
    for (; index + 1 < kSettingsTextUnits && index < text.size(); ++index) field[index] = text[index];
    for (; index < kSettingsTextUnits; ++index) field[index] = u'\0';
}

// The device name a port is opened by: "\\.\COM5" (at most 11 units).
inline std::u16string PortDevicePath(const CommunicationSettings& settings) {
    return u"\\\\.\\" + SettingsText(settings.CommPort);
}

}  // namespace tellurin
