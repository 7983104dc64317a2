// The registry seam on Win32: the settings' keys under HKEY_CURRENT_USER, and
// the policies' keys under HKEY_LOCAL_MACHINE, which are only read.
#pragma once

#include "settings/store/registry.h"

namespace tellurin {

class CurrentUserRegistry final : public Registry {
public:
    bool OpenKey(const char16_t* path, std::uint32_t access, Key& key) override;
    bool OpenMachineKey(const char16_t* path, std::uint32_t access, Key& key) override;
    bool QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) override;
    bool SetTextValue(Key key, const char16_t* name, const char16_t* text, std::uint32_t bytes) override;
    void FlushKey(Key key) override;
    void CloseKey(Key key) override;
    void DeleteKey(const char16_t* path) override;
    bool CreateKey(const char16_t* path, Key& key) override;
};

}  // namespace tellurin
