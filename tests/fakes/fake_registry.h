// A registry double that keeps every value as its type and exact bytes, as the
// real one does, so tests can store what a user or another program might have
// left (no terminator, odd sizes, other types) and see exactly what was
// written. It also counts open keys, so a key left open is caught, and can be
// told to refuse an open, a creation or a write.
//
// HKEY_LOCAL_MACHINE is kept apart, by its physical paths, with the views
// Windows documents: 32-bit Windows has one view and ignores KEY_WOW64_64KEY
// and KEY_WOW64_32KEY; on 64-bit Windows a 32-bit program's HKLM\SOFTWARE is
// SOFTWARE\WOW6432Node unless it asks for KEY_WOW64_64KEY, a 64-bit program's
// is SOFTWARE unless it asks for KEY_WOW64_32KEY, and asking for both fails.
// (The few keys Windows shares between the views are not modelled; the store
// reads none of them.) The store only reads HKLM: any write there is a fault.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/store/registry.h"

namespace tellurin::fakes {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;  // KEY_WOW64_32KEY

enum class MachineView : std::uint8_t { Windows64Program64, Windows64Program32, Windows32 };

struct StoredData {
    std::uint32_t Type;
    std::vector<std::uint8_t> Bytes;
    bool operator==(const StoredData&) const = default;
};

class FakeRegistry : public Registry {
public:
    bool OpenKey(const char16_t* path, std::uint32_t access, Key& key) override;
    bool OpenMachineKey(const char16_t* path, std::uint32_t access, Key& key) override;
    bool QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) override;
    bool SetTextValue(Key key, const char16_t* name, const char16_t* text, std::uint32_t bytes) override;
    void FlushKey(Key key) override;
    void CloseKey(Key key) override;
    void DeleteKey(const char16_t* path) override;
    bool CreateKey(const char16_t* path, Key& key) override;

    // Test set-up: a REG_SZ with its terminator, or any raw data.
    void PutText(const std::u16string& path, const std::u16string& name, const std::u16string& text);
    void PutRaw(const std::u16string& path, const std::u16string& name, std::uint32_t type,
                std::vector<std::uint8_t> bytes);
    void RemoveValue(const std::u16string& path, const std::u16string& name);
    // HKLM, by physical path: "SOFTWARE\\WOW6432Node\\..." is the 32-bit view
    // of 64-bit Windows.
    void PutMachineText(const std::u16string& path, const std::u16string& name, const std::u16string& text);
    void PutMachineRaw(const std::u16string& path, const std::u16string& name, std::uint32_t type,
                       std::vector<std::uint8_t> bytes);
    void SetMachineView(MachineView view) { machineView_ = view; }
    // Every machine key's values as they are, for checking that nothing changed.
    const std::map<std::u16string, std::map<std::u16string, StoredData>>& MachineKeys() const {
        return machineKeys_;
    }
    bool HasKey(const std::u16string& path) const { return keys_.count(path) != 0; }
    // The stored text without its terminator; "<missing>" when there is none.
    std::string Text(const std::u16string& path, const std::u16string& name) const;
    const StoredData* Data(const std::u16string& path, const std::u16string& name) const;

    void RefuseWriteAccess(const std::u16string& path) { refusedWriteKeys_.insert(path); }
    void RefuseCreate(const std::u16string& path) { refusedCreates_.insert(path); }
    void RefuseSet(const std::u16string& name) { refusedSets_.insert(name); }

    // "path|name=text" for every successful write, in order.
    const std::vector<std::string>& Writes() const { return writes_; }
    void ClearWrites() { writes_.clear(); }
    int OpenKeyCount() const { return static_cast<int>(open_.size()); }
    int FlushCount() const { return flushes_; }
    // Misuse of the API by the code under test: unknown or closed keys, a
    // write through a key opened without KEY_SET_VALUE, a size that does not
    // match the text.
    const std::vector<std::string>& Faults() const { return faults_; }

private:
    struct OpenKeyState {
        std::u16string Path;
        std::uint32_t Access;
        bool Machine;
    };
    // The physical path an HKLM open reaches, or empty when it fails.
    std::u16string MachinePath(const std::u16string& path, std::uint32_t access) const;
    const OpenKeyState* Lookup(Key key, const char* operation);

    std::map<std::u16string, std::map<std::u16string, StoredData>> keys_, machineKeys_;
    MachineView machineView_ = MachineView::Windows64Program64;
    std::map<Key, OpenKeyState> open_;
    Key nextKey_ = 0x100;
    std::set<std::u16string> refusedWriteKeys_, refusedCreates_, refusedSets_;
    std::vector<std::string> writes_, faults_;
    int flushes_ = 0;
};

std::string Narrow(const std::u16string& text);

}  // namespace tellurin::fakes
