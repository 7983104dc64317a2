// The registry as the settings store needs it: the current user's hive, keys
// opened by path, REG_SZ values; and the machine's hive, opened for reading
// only, where an administrator's policies lie. The Win32 room calls the Reg*
// functions; tests use a registry that keeps each value's type and exact byte
// size, and the machine hive's two views as 64-bit Windows keeps them.
#pragma once

#include <cstdint>

namespace tellurin {

constexpr std::uint32_t kKeyQueryValue = 0x0001;  // KEY_QUERY_VALUE
constexpr std::uint32_t kKeySetValue = 0x0002;    // KEY_SET_VALUE
// KEY_WOW64_64KEY: on 64-bit Windows a 32-bit program opens the 64-bit view of
// HKLM\SOFTWARE rather than WOW6432Node; a 64-bit program and 32-bit Windows
// (which has one view) ignore it.
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;

struct Registry {
    using Key = std::uintptr_t;
    virtual ~Registry() = default;
    // RegOpenKeyExW: fails when the key is missing.
    virtual bool OpenKey(const char16_t* path, std::uint32_t access, Key& key) = 0;
    // RegOpenKeyExW under HKEY_LOCAL_MACHINE; the key is only ever queried
    // and closed.
    virtual bool OpenMachineKey(const char16_t* path, std::uint32_t access, Key& key) = 0;
    // RegQueryValueExW: on entry size is the buffer's size in bytes; on success
    // it is the data's size. Fails when the value is missing or does not fit.
    // The data's type plays no part.
    virtual bool QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) = 0;
    // RegSetValueExW with REG_SZ; bytes counts the terminator.
    virtual bool SetTextValue(Key key, const char16_t* name, const char16_t* text, std::uint32_t bytes) = 0;
    virtual void FlushKey(Key key) = 0;
    virtual void CloseKey(Key key) = 0;
    // RegDeleteKeyW: removes a key without subkeys, with its values.
    virtual void DeleteKey(const char16_t* path) = 0;
    // RegCreateKeyExW (non-volatile, KEY_QUERY_VALUE), creating missing parents.
    virtual bool CreateKey(const char16_t* path, Key& key) = 0;
};

}  // namespace tellurin
