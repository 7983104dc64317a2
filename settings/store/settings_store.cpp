// The settings store; see settings_store.h. Every value is read into a
// 32-byte buffer and treated as UTF-16 text whatever its type; the text is
// always cut at the buffer's end or the data's end, so a value stored without a
// terminator, with an odd size or filling the buffer exactly is read safely.
#include "settings/store/settings_store.h"

#include "common/settings_text.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace tellurin {
namespace {

constexpr std::uint32_t kValueBufferBytes = 32;
constexpr std::uint32_t kValueBufferUnits = kValueBufferBytes / 2;
constexpr std::uint32_t kSingleCharacterBytes = 4;  // the character and its terminator

// One stored value as read: its text, terminated within the buffer, and the
// character it gives by the 4-byte rule (0 for any other size).
struct StoredValue {
    char16_t Text[kValueBufferUnits + 1];
    char16_t Character;
};

bool ReadValue(Registry& registry, Registry::Key key, const char16_t* name, StoredValue& value) {
    std::uint8_t buffer[kValueBufferBytes] = {};
    std::uint32_t size = kValueBufferBytes;
    value.Text[0] = u'\0';
    value.Character = 0;
    if (!registry.QueryValue(key, name, buffer, size)) return false;
    if (size > kValueBufferBytes) size = kValueBufferBytes;  // a store that overstates cannot make us overread
    const std::uint32_t units = size / 2;                      // an odd last byte is no character
    std::memcpy(value.Text, buffer, units * 2);
    value.Text[units] = u'\0';
    if (size == kSingleCharacterBytes) value.Character = value.Text[0];
    return true;
}

std::size_t BoundedLength(const char16_t* text, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && text[length] != u'\0') ++length;
    return length;
}

bool TextEquals(const char16_t* left, const char16_t* right) {
    std::size_t index = 0;
    for (; left[index] != u'\0' && right[index] != u'\0'; ++index)
        if (left[index] != right[index]) return false;
    return left[index] == right[index];
}

// "COM%d" for 1..256, upper case, no leading zeros.
bool IsValidPortName(const char16_t* text) {
    if (text[0] != u'C' || text[1] != u'O' || text[2] != u'M') return false;
    const char16_t* digits = text + 3;
    if (digits[0] < u'1' || digits[0] > u'9') return false;
    unsigned number = 0;
    std::size_t count = 0;
    for (; digits[count] != u'\0'; ++count) {
        if (digits[count] < u'0' || digits[count] > u'9' || count >= 3) return false;
        number = number * 10 + static_cast<unsigned>(digits[count] - u'0');
    }
    return number >= 1 && number <= 256;
}

bool IsValidBaudRate(const char16_t* text) {
    for (const char16_t* rate : kBaudRateTexts)
        if (TextEquals(text, rate)) return true;
    return false;
}

bool IsOneOf(char16_t character, const char16_t* allowed) {
    if (character == 0) return false;
    for (; *allowed != u'\0'; ++allowed)
        if (*allowed == character) return true;
    return false;
}

void AssignCharacter(char16_t& field, const StoredValue& value, const char16_t* allowed) {
    if (IsOneOf(value.Character, allowed)) field = value.Character;
}

// Reading one key: the key is closed when the reader goes, so every early
// return (a missing value ends the read) leaves nothing open.
class KeyReader {
public:
    KeyReader(Registry& registry, const char16_t* path) : registry_(registry) {
        opened_ = registry_.OpenKey(path, kKeyQueryValue, key_);
    }
    ~KeyReader() {
        if (opened_) registry_.CloseKey(key_);
    }
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;

    bool Opened() const { return opened_; }
    bool Read(const char16_t* name, StoredValue& value) { return ReadValue(registry_, key_, name, value); }

private:
    Registry& registry_;
    Registry::Key key_ = 0;
    bool opened_ = false;
};

// Writing one key: open it for query and set, then for each value decide the
// new text (empty: leave the stored value alone), set it, flush and close.
class KeyWriter {
public:
    KeyWriter(Registry& registry, const char16_t* path) : registry_(registry) {
        opened_ = registry_.OpenKey(path, kKeyQueryValue | kKeySetValue, key_);
    }
    bool Opened() const { return opened_; }

    // false when a value could not be set; the key is then flushed and closed.
    bool WriteTextIfDifferent(const char16_t* name, const char16_t* workingText) {
        StoredValue stored;
        (void)ReadValue(registry_, key_, name, stored);
        if (workingText[0] == u'\0' || TextEquals(stored.Text, workingText)) return true;
        return Set(name, workingText);
    }
    bool WriteCharacterIfDifferent(const char16_t* name, char16_t working) {
        StoredValue stored;
        (void)ReadValue(registry_, key_, name, stored);
        if (working == 0 || stored.Character == working) return true;
        const char16_t text[2] = {working, u'\0'};
        return Set(name, text);
    }
    bool WriteNumberIfDifferent(const char16_t* name, std::uint16_t working, bool fourDigits) {
        StoredValue stored;
        const bool present = ReadValue(registry_, key_, name, stored);
        const std::uint16_t storedNumber = present ? ParseHexWord(stored.Text) : kInvalidHexWord;
        if (storedNumber == working) return true;  // 0 is a number like any other: "0000"
        char narrow[8];
        std::snprintf(narrow, sizeof narrow, fourDigits ? "%04X" : "%X", static_cast<unsigned>(working));
        char16_t text[8] = {};
        for (std::size_t index = 0; narrow[index] != '\0'; ++index) text[index] = static_cast<char16_t>(narrow[index]);
        return Set(name, text);
    }
    std::int32_t Finish() {
        registry_.FlushKey(key_);
        registry_.CloseKey(key_);
        return kSaveOk;
    }

private:
    bool Set(const char16_t* name, const char16_t* text) {
        const auto bytes = static_cast<std::uint32_t>((BoundedLength(text, kValueBufferUnits) + 1) * 2);
        if (registry_.SetTextValue(key_, name, text, bytes)) return true;
        Finish();
        return false;
    }

    Registry& registry_;
    Registry::Key key_ = 0;
    bool opened_ = false;
};

}  // namespace

std::uint16_t ParseHexWord(const char16_t* text) {
    if (text[0] == u'\0') return kInvalidHexWord;
    std::uint32_t value = 0;
    for (; *text != u'\0'; ++text) {
        std::uint32_t digit;
        if (*text >= u'0' && *text <= u'9') digit = static_cast<std::uint32_t>(*text - u'0');
        else if (*text >= u'A' && *text <= u'F') digit = static_cast<std::uint32_t>(*text - u'A' + 10);
        else if (*text >= u'a' && *text <= u'f') digit = static_cast<std::uint32_t>(*text - u'a' + 10);
        else return kInvalidHexWord;
        if (value > 0xFFF) return kInvalidHexWord;
        value = value * 16 + digit;
    }
    return static_cast<std::uint16_t>(value);
}

int ReadCommunicationKey(Registry& registry, CommunicationSettings& record, const char16_t* path) {
    KeyReader key(registry, path);
    StoredValue value;
    if (!key.Opened() || !key.Read(u"CommPort", value)) return 0;
    if (IsValidPortName(value.Text)) SetSettingsText(record.CommPort, value.Text);
    if (!key.Read(u"BaudRate", value)) return 0;
    if (IsValidBaudRate(value.Text)) SetSettingsText(record.BaudRate, value.Text);
    const std::pair<const char16_t*, std::pair<char16_t*, const char16_t*>> characters[] = {
        {u"Parity", {&record.Parity, u"NOE"}},           {u"DataBit", {&record.DataBit, u"78"}},
        {u"StopBit", {&record.StopBit, u"12"}},          {u"FlowControl", {&record.FlowControl, u"NXR"}},
        {u"Protocol", {&record.Protocol, u"012345"}}};
    for (const auto& [name, field] : characters) {
        if (!key.Read(name, value)) return 0;
        AssignCharacter(*field.first, value, field.second);
    }
    return 1;
}

int ReadFunctionKey(Registry& registry, FunctionSettings& record, const char16_t* path) {
    KeyReader key(registry, path);
    StoredValue value;
    if (!key.Opened()) return 0;
    const std::pair<const char16_t*, KeyChord*> chords[] = {
        {u"HeadKey", &record.HeadKey}, {u"TermKey1", &record.TermKey1}, {u"TermKey2", &record.TermKey2}};
    for (const auto& [name, field] : chords) {
        if (!key.Read(name, value)) return 0;
        const std::uint16_t chord = ParseHexWord(value.Text);
        if (chord < 0x8000) *field = chord;
    }
    if (!key.Read(u"KeySpeed", value)) return 0;
    const std::uint16_t speed = ParseHexWord(value.Text);
    if (speed <= 9) record.KeySpeed = speed;
    if (!key.Read(u"CapsLock", value)) return 0;
    AssignCharacter(record.CapsLock, value, u"NY");
    if (!key.Read(u"TrayIcon", value)) return 0;
    AssignCharacter(record.TrayIcon, value, u"NY");
    // The values added after the first six are missing from every store an
    // older version wrote, and that is no damage: a missing one keeps the
    // record's value (the default at start-up) without rebuilding the store,
    // and the next save of the function settings writes it.
    if (key.Read(u"CharacterCode", value)) AssignCharacter(record.CharacterCode, value, u"0123");
    if (key.Read(u"ImeOff", value)) AssignCharacter(record.ImeOff, value, u"NY");
    return 1;
}

int RebuildSettingsKeys(Registry& registry) {
    for (const char16_t* path : {kCommunicationKeyPath, kFunctionKeyPath}) {
        registry.DeleteKey(path);
        Registry::Key key = 0;
        if (!registry.CreateKey(path, key)) return 0;
        registry.CloseKey(key);
    }
    return 1;
}

std::int32_t WriteCommunicationKey(Registry& registry, const WorkingSettings& working, const char16_t* path) {
    KeyWriter writer(registry, path);
    if (!writer.Opened()) return kSaveKeyNotOpened;
    const CommunicationSettings& settings = working.Communication;
    const bool written = writer.WriteTextIfDifferent(u"CommPort", SettingsText(settings.CommPort).c_str()) &&
                         writer.WriteTextIfDifferent(u"BaudRate", SettingsText(settings.BaudRate).c_str()) &&
                         writer.WriteCharacterIfDifferent(u"Parity", settings.Parity) &&
                         writer.WriteCharacterIfDifferent(u"DataBit", settings.DataBit) &&
                         writer.WriteCharacterIfDifferent(u"StopBit", settings.StopBit) &&
                         writer.WriteCharacterIfDifferent(u"FlowControl", settings.FlowControl) &&
                         writer.WriteCharacterIfDifferent(u"Protocol", settings.Protocol);
    return written ? writer.Finish() : kSaveValueNotWritten;
}

std::int32_t WriteFunctionKey(Registry& registry, const WorkingSettings& working, const char16_t* path) {
    KeyWriter writer(registry, path);
    if (!writer.Opened()) return kSaveKeyNotOpened;
    const FunctionSettings& settings = working.Function;
    const bool written = writer.WriteNumberIfDifferent(u"HeadKey", settings.HeadKey, true) &&
                         writer.WriteNumberIfDifferent(u"TermKey1", settings.TermKey1, true) &&
                         writer.WriteNumberIfDifferent(u"TermKey2", settings.TermKey2, true) &&
                         writer.WriteNumberIfDifferent(u"KeySpeed", settings.KeySpeed, false) &&
                         writer.WriteCharacterIfDifferent(u"CapsLock", settings.CapsLock) &&
                         writer.WriteCharacterIfDifferent(u"TrayIcon", settings.TrayIcon) &&
                         writer.WriteCharacterIfDifferent(u"CharacterCode", settings.CharacterCode) &&
                         writer.WriteCharacterIfDifferent(u"ImeOff", settings.ImeOff);
    return written ? writer.Finish() : kSaveValueNotWritten;
}

std::int32_t LoadSettingsFromStore(Registry& registry, WorkingSettings& working,
                                   CommunicationSettings& communication, FunctionSettings& function) {
    if (ReadCommunicationKey(registry, communication, kCommunicationKeyPath) == 1 &&
        ReadFunctionKey(registry, function, kFunctionKeyPath) == 1)
        return 1;
    if (RebuildSettingsKeys(registry) == 0) return 0;
    working.Communication = communication;
    working.Function = function;
    if (WriteCommunicationKey(registry, working, kCommunicationKeyPath) != kSaveOk) return 0;
    return WriteFunctionKey(registry, working, kFunctionKeyPath) == kSaveOk ? 1 : 0;
}

std::int32_t SaveSettings(Registry& registry, const WorkingSettings& working) {
    if (working.CommChanged) {
        const std::int32_t result = WriteCommunicationKey(registry, working, kCommunicationKeyPath);
        if (result != kSaveOk) return result;
    }
    if (working.FunctionChanged) return WriteFunctionKey(registry, working, kFunctionKeyPath);
    return kSaveOk;
}

}  // namespace tellurin
