// Asking the device for data: when the window has the receiver write the
// request command (the interval timer, the hot key, the tray menu), and
// whether the device answered in time. All of it runs on the window's thread
// with its timers and tick count as the clock; the receiver only writes what
// was asked and reports when it went out. A timer request is skipped while the
// last request is unanswered and within its time-out, so a slow device is
// never flooded; a request the user makes always goes.
#pragma once

#include <cstdint>

#include "common/settings_records.h"
#include "resident/shell/resident_window.h"

namespace tellurin {

enum class RequestSource { Timer, HotKey, Menu };

// RegisterHotKey's modifiers and the refusal that keeps the retry without
// MOD_NOREPEAT from being tried (numbers as the platform defines them).
constexpr std::uint32_t kHotKeyAlt = 0x0001;       // MOD_ALT
constexpr std::uint32_t kHotKeyControl = 0x0002;   // MOD_CONTROL
constexpr std::uint32_t kHotKeyShift = 0x0004;     // MOD_SHIFT
constexpr std::uint32_t kHotKeyNoRepeat = 0x4000;  // MOD_NOREPEAT, Windows 7 on
constexpr std::uint32_t kErrorHotKeyAlreadyRegistered = 1409;  // ERROR_HOTKEY_ALREADY_REGISTERED
constexpr std::uintptr_t kRequestHotKeyId = 1;

// The modifiers of a KeyChord as RegisterHotKey takes them.
std::uint32_t HotKeyModifiers(KeyChord chord);

// A request command is set and the port is open (the menu item's state).
bool RequestAvailable(const ResidentWindow& window);

// After the port opened: the interval timer and the hot key, as set.
void StartDeviceRequests(ResidentWindow& window);
// When the port closes: timers and hot key gone, a request in flight forgotten.
void StopDeviceRequests(ResidentWindow& window);

void RequestData(ResidentWindow& window, RequestSource source);
void OnRequestWritten(ResidentWindow& window, std::uint32_t number);
void OnAnswerTimer(ResidentWindow& window);

}  // namespace tellurin
