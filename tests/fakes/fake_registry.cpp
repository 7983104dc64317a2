// Registry double; see fake_registry.h.
#include "tests/fakes/fake_registry.h"

#include <cstring>

namespace tellurin::fakes {

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (char16_t unit : text) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}

const FakeRegistry::OpenKeyState* FakeRegistry::Lookup(Key key, const char* operation) {
    auto found = open_.find(key);
    if (found == open_.end()) {
        faults_.push_back(std::string(operation) + " on a key that is not open");
        return nullptr;
    }
    return &found->second;
}

bool FakeRegistry::OpenKey(const char16_t* path, std::uint32_t access, Key& key) {
    if (keys_.count(path) == 0) return false;
    if ((access & kKeySetValue) != 0 && refusedWriteKeys_.count(path) != 0) return false;
    key = nextKey_++;
    open_[key] = OpenKeyState{path, access, false};
    return true;
}

std::u16string FakeRegistry::MachinePath(const std::u16string& path, std::uint32_t access) const {
    const bool wants64 = (access & kKeyWow64_64Key) != 0, wants32 = (access & kKeyWow64_32Key) != 0;
    if (machineView_ == MachineView::Windows32) return path;  // one view; both flags ignored
    if (wants64 && wants32) return {};                        // ERROR_INVALID_PARAMETER
    const bool view32 = wants32 || (machineView_ == MachineView::Windows64Program32 && !wants64);
    const std::u16string software = u"SOFTWARE\\";
    if (!view32 || path.compare(0, software.size(), software) != 0) return path;
    return software + u"WOW6432Node\\" + path.substr(software.size());
}

bool FakeRegistry::OpenMachineKey(const char16_t* path, std::uint32_t access, Key& key) {
    if ((access & kKeySetValue) != 0) faults_.push_back("HKLM opened for writing");
    const std::u16string physical = MachinePath(path, access);
    if (physical.empty() || machineKeys_.count(physical) == 0) return false;
    key = nextKey_++;
    open_[key] = OpenKeyState{physical, access, true};
    return true;
}

bool FakeRegistry::QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) {
    const OpenKeyState* state = Lookup(key, "query");
    if (state == nullptr) return false;
    if ((state->Access & kKeyQueryValue) == 0) faults_.push_back("query without KEY_QUERY_VALUE");
    const auto& values = (state->Machine ? machineKeys_ : keys_)[state->Path];
    auto found = values.find(name);
    if (found == values.end()) return false;
    const auto bytes = static_cast<std::uint32_t>(found->second.Bytes.size());
    if (bytes > size) {
        size = bytes;  // ERROR_MORE_DATA reports the size needed
        return false;
    }
    if (bytes > 0) std::memcpy(buffer, found->second.Bytes.data(), bytes);
    size = bytes;
    return true;
}

bool FakeRegistry::SetTextValue(Key key, const char16_t* name, const char16_t* text, std::uint32_t bytes) {
    const OpenKeyState* state = Lookup(key, "set");
    if (state == nullptr) return false;
    if ((state->Access & kKeySetValue) == 0) faults_.push_back("set without KEY_SET_VALUE");
    if (state->Machine) {
        faults_.push_back("set under HKLM");
        return false;
    }
    const std::u16string value(text);
    if (bytes != (value.size() + 1) * 2) faults_.push_back("size of " + Narrow(name) + " does not match its text");
    if (refusedSets_.count(name) != 0) return false;
    PutText(state->Path, name, value);
    writes_.push_back(Narrow(state->Path.substr(state->Path.rfind(u'\\') + 1)) + "|" + Narrow(name) + "=" +
                      Narrow(value));
    return true;
}

void FakeRegistry::FlushKey(Key key) {
    if (Lookup(key, "flush") != nullptr) ++flushes_;
}

void FakeRegistry::CloseKey(Key key) {
    if (Lookup(key, "close") != nullptr) open_.erase(key);
}

void FakeRegistry::DeleteKey(const char16_t* path) { keys_.erase(path); }

bool FakeRegistry::CreateKey(const char16_t* path, Key& key) {
    if (refusedCreates_.count(path) != 0) return false;
    keys_[path];
    key = nextKey_++;
    open_[key] = OpenKeyState{path, kKeyQueryValue, false};
    return true;
}

namespace {

std::vector<std::uint8_t> TerminatedText(const std::u16string& text) {
    std::vector<std::uint8_t> bytes((text.size() + 1) * 2, 0);
    std::memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}

}  // namespace

void FakeRegistry::PutText(const std::u16string& path, const std::u16string& name, const std::u16string& text) {
    PutRaw(path, name, kRegSz, TerminatedText(text));
}

void FakeRegistry::PutRaw(const std::u16string& path, const std::u16string& name, std::uint32_t type,
                          std::vector<std::uint8_t> bytes) {
    keys_[path][name] = StoredData{type, std::move(bytes)};
}

void FakeRegistry::PutMachineText(const std::u16string& path, const std::u16string& name,
                                  const std::u16string& text) {
    PutMachineRaw(path, name, kRegSz, TerminatedText(text));
}

void FakeRegistry::PutMachineRaw(const std::u16string& path, const std::u16string& name, std::uint32_t type,
                                 std::vector<std::uint8_t> bytes) {
    machineKeys_[path][name] = StoredData{type, std::move(bytes)};
}

void FakeRegistry::RemoveValue(const std::u16string& path, const std::u16string& name) {
    auto key = keys_.find(path);
    if (key != keys_.end()) key->second.erase(name);
}

const StoredData* FakeRegistry::Data(const std::u16string& path, const std::u16string& name) const {
    auto key = keys_.find(path);
    if (key == keys_.end()) return nullptr;
    auto value = key->second.find(name);
    return value == key->second.end() ? nullptr : &value->second;
}

std::string FakeRegistry::Text(const std::u16string& path, const std::u16string& name) const {
    const StoredData* data = Data(path, name);
    if (data == nullptr) return "<missing>";
    std::u16string text(data->Bytes.size() / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data->Bytes.data(), text.size() * 2);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return Narrow(text);
}

}  // namespace tellurin::fakes
