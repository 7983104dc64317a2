// Win32 registry: translates only. char16_t and wchar_t are both UTF-16 here.
#include "settings/store/win32/win32_registry.h"

#include <windows.h>

namespace tellurin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
HKEY Handle(Registry::Key key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

bool CurrentUserRegistry::OpenKey(const char16_t* path, std::uint32_t access, Key& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, access, &opened) != ERROR_SUCCESS) return false;
    key = reinterpret_cast<Key>(opened);
    return true;
}

bool CurrentUserRegistry::OpenMachineKey(const char16_t* path, std::uint32_t access, Key& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path), 0, access, &opened) != ERROR_SUCCESS) return false;
    key = reinterpret_cast<Key>(opened);
    return true;
}

bool CurrentUserRegistry::QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) {
    DWORD bytes = size;
    if (RegQueryValueExW(Handle(key), Wide(name), nullptr, nullptr, buffer, &bytes) != ERROR_SUCCESS) return false;
    size = bytes;
    return true;
}

bool CurrentUserRegistry::SetTextValue(Key key, const char16_t* name, const char16_t* text, std::uint32_t bytes) {
    return RegSetValueExW(Handle(key), Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
           ERROR_SUCCESS;
}

void CurrentUserRegistry::FlushKey(Key key) { (void)RegFlushKey(Handle(key)); }

void CurrentUserRegistry::CloseKey(Key key) { (void)RegCloseKey(Handle(key)); }

void CurrentUserRegistry::DeleteKey(const char16_t* path) { (void)RegDeleteKeyW(HKEY_CURRENT_USER, Wide(path)); }

bool CurrentUserRegistry::CreateKey(const char16_t* path, Key& key) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE, nullptr,
                        &created, nullptr) != ERROR_SUCCESS)
        return false;
    key = reinterpret_cast<Key>(created);
    return true;
}

}  // namespace tellurin
