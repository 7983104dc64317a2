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
    open_[key] = OpenKeyState{path, access};
    return true;
}

bool FakeRegistry::QueryValue(Key key, const char16_t* name, std::uint8_t* buffer, std::uint32_t& size) {
    const OpenKeyState* state = Lookup(key, "query");
    if (state == nullptr) return false;
    if ((state->Access & kKeyQueryValue) == 0) faults_.push_back("query without KEY_QUERY_VALUE");
    const auto& values = keys_[state->Path];
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
    open_[key] = OpenKeyState{path, kKeyQueryValue};
    return true;
}

void FakeRegistry::PutText(const std::u16string& path, const std::u16string& name, const std::u16string& text) {
    std::vector<std::uint8_t> bytes((text.size() + 1) * 2, 0);
    std::memcpy(bytes.data(), text.data(), text.size() * 2);
    PutRaw(path, name, kRegSz, std::move(bytes));
}

void FakeRegistry::PutRaw(const std::u16string& path, const std::u16string& name, std::uint32_t type,
                          std::vector<std::uint8_t> bytes) {
    keys_[path][name] = StoredData{type, std::move(bytes)};
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
