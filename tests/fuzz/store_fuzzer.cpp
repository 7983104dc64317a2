// Fuzzes the settings store: every value of the three keys stored with any
// type, size and bytes (or missing), loaded into the default records, then
// saved.
// Invariants: the load answers 0 or 1, every field ends valid, no key stays
// open, the registry is used correctly, and a save after the load succeeds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/data_editing.h"
#include "settings/store/settings_store.h"
#include "tests/fakes/fake_registry.h"

using namespace tellurin;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool OneOf(char16_t value, const char16_t* allowed) {
    for (; *allowed != u'\0'; ++allowed)
        if (*allowed == value) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char16_t* communicationNames[] = {u"CommPort", u"BaudRate", u"Parity", u"DataBit",
                                            u"StopBit",  u"FlowControl", u"Protocol"};
    const char16_t* functionNames[] = {u"HeadKey",  u"TermKey1", u"TermKey2",      u"KeySpeed",
                                       u"CapsLock", u"TrayIcon", u"CharacterCode", u"ImeOff"};
    const char16_t* editNames[] = {u"LengthMin", u"CutTail", u"ExtractStart", u"Find1", u"With8",
                                   u"FieldSeparator", u"FieldKey", u"Prefix", u"Suffix"};
    fakes::FakeRegistry registry;
    std::size_t offset = 0;
    const auto take = [&](std::size_t count) {
        std::vector<std::uint8_t> bytes;
        for (; count > 0 && offset < size; --count) bytes.push_back(data[offset++]);
        return bytes;
    };
    // Per value: one byte says present or not and how long (0..40 bytes, or
    // 0..157 for an editing value, read into a buffer of up to 258).
    const auto fill = [&](const std::u16string& path, const char16_t* name) {
        if (offset >= size) return;
        const std::uint8_t control = data[offset++];
        if (control & 0x80) return;  // missing
        const std::size_t length = path == kEditKeyPath ? (control & 0x3F) * 5 / 2 : control % 41;
        registry.PutRaw(path, name, control & 0x40 ? fakes::kRegDword : fakes::kRegSz, take(length));
    };
    for (auto name : communicationNames) fill(kCommunicationKeyPath, name);
    for (auto name : functionNames) fill(kFunctionKeyPath, name);
    for (auto name : editNames) fill(kEditKeyPath, name);

    WorkingSettings working{};
    CommunicationSettings communication = kDefaultCommunicationSettings;
    FunctionSettings function = kDefaultFunctionSettings;
    EditRules edit = kDefaultEditRules;
    const std::int32_t loaded = LoadSettingsFromStore(registry, working, communication, function, edit);
    Require(loaded == 0 || loaded == 1);
    Require(registry.OpenKeyCount() == 0);
    Require(registry.Faults().empty());
    Require(OneOf(communication.Parity, u"NOE") && OneOf(communication.DataBit, u"78") &&
            OneOf(communication.StopBit, u"12") && OneOf(communication.FlowControl, u"NXR") &&
            OneOf(communication.Protocol, u"012345"));
    Require(communication.CommPort[6] == u'\0' && communication.BaudRate[6] == u'\0');
    Require(function.HeadKey < 0x8000 && function.TermKey1 < 0x8000 && function.TermKey2 < 0x8000);
    Require(function.KeySpeed <= 9 && OneOf(function.CapsLock, u"NY") && OneOf(function.TrayIcon, u"NY"));
    Require(OneOf(function.CharacterCode, u"0123") && OneOf(function.ImeOff, u"NY"));
    EditPlan plan;
    Require(PrepareEditing(edit, plan));  // every value valid

    working.Communication = communication;
    working.Function = function;
    working.Edit = edit;
    working.CommChanged = working.FunctionChanged = working.EditChanged = true;
    if (loaded == 1) Require(SaveSettings(registry, working) == kSaveOk);
    Require(registry.OpenKeyCount() == 0);
    Require(registry.Faults().empty());

    // The hex parser on the raw input as text.
    std::u16string text;
    for (std::size_t index = 0; index + 1 < size && text.size() < 12; index += 2)
        text += static_cast<char16_t>(data[index] | (data[index + 1] << 8));
    std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) text.resize(nul);
    const std::uint16_t parsed = ParseHexWord(text.c_str());
    if (text.empty()) Require(parsed == kInvalidHexWord);
    return 0;
}
