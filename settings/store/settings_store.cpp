// The settings store; see settings_store.h. Every value is read into a
// 32-byte buffer and treated as UTF-16 text whatever its type; the text is
// always cut at the buffer's end or the data's end, so a value stored without a
// terminator, with an odd size or filling the buffer exactly is read safely.
#include "settings/store/settings_store.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

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

void CopyText(char16_t (&field)[kSettingsTextUnits], const char16_t* text) {
    std::size_t index = 0;
    for (; index + 1 < kSettingsTextUnits && text[index] != u'\0'; ++index) field[index] = text[index];
    for (; index < kSettingsTextUnits; ++index) field[index] = u'\0';
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

// The working text of a record field, terminated even if the record is not.
struct FieldText {
    explicit FieldText(const char16_t (&field)[kSettingsTextUnits]) {
        const std::size_t length = BoundedLength(field, kSettingsTextUnits);
        std::memcpy(Text, field, length * 2);
        Text[length] = u'\0';
    }
    char16_t Text[kSettingsTextUnits + 1];
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
    Registry::Key key = 0;
    if (!registry.OpenKey(path, kKeyQueryValue, key)) return 0;
    StoredValue value;
    const auto read = [&](const char16_t* name) {
        if (ReadValue(registry, key, name, value)) return true;
        registry.CloseKey(key);
        return false;
    };
    if (!read(u"CommPort")) return 0;
    if (IsValidPortName(value.Text)) CopyText(record.CommPort, value.Text);
    if (!read(u"BaudRate")) return 0;
    if (IsValidBaudRate(value.Text)) CopyText(record.BaudRate, value.Text);
    if (!read(u"Parity")) return 0;
    AssignCharacter(record.Parity, value, u"NOE");
    if (!read(u"DataBit")) return 0;
    AssignCharacter(record.DataBit, value, u"78");
    if (!read(u"StopBit")) return 0;
    AssignCharacter(record.StopBit, value, u"12");
    if (!read(u"FlowControl")) return 0;
    AssignCharacter(record.FlowControl, value, u"NXR");
    if (!read(u"Protocol")) return 0;
    AssignCharacter(record.Protocol, value, u"012345");
    registry.CloseKey(key);
    return 1;
}

int ReadFunctionKey(Registry& registry, FunctionSettings& record, const char16_t* path) {
    Registry::Key key = 0;
    if (!registry.OpenKey(path, kKeyQueryValue, key)) return 0;
    StoredValue value;
    const auto read = [&](const char16_t* name) {
        if (ReadValue(registry, key, name, value)) return true;
        registry.CloseKey(key);
        return false;
    };
    const auto readChord = [&](const char16_t* name, KeyChord& field) {
        if (!read(name)) return false;
        const std::uint16_t chord = ParseHexWord(value.Text);
        if (chord < 0x8000) field = chord;
        return true;
    };
    if (!readChord(u"HeadKey", record.HeadKey) || !readChord(u"TermKey1", record.TermKey1) ||
        !readChord(u"TermKey2", record.TermKey2))
        return 0;
    if (!read(u"KeySpeed")) return 0;
    const std::uint16_t speed = ParseHexWord(value.Text);
    if (speed <= 9) record.KeySpeed = speed;
    if (!read(u"CapsLock")) return 0;
    AssignCharacter(record.CapsLock, value, u"NY");
    if (!read(u"TrayIcon")) return 0;
    AssignCharacter(record.TrayIcon, value, u"NY");
    registry.CloseKey(key);
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
    const bool written = writer.WriteTextIfDifferent(u"CommPort", FieldText(settings.CommPort).Text) &&
                         writer.WriteTextIfDifferent(u"BaudRate", FieldText(settings.BaudRate).Text) &&
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
                         writer.WriteCharacterIfDifferent(u"TrayIcon", settings.TrayIcon);
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
