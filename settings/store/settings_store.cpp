// The settings store; see settings_store.h. Every stored value has one row
// in its key's table below: its name, its form (how it is checked, copied
// into the record and written), its field and what its absence means. Reading,
// checking and writing a key all go through that table, so a value is added
// as one row.
//
// Every value is read into a buffer of its own (32 bytes; a rule text's field
// size) and treated as UTF-16 text whatever its type; the text is always cut
// at the buffer's end or the data's end, so a value stored without a
// terminator, with an odd size or filling the buffer exactly is read safely.
// A value too large for its buffer reads as missing.
#include "settings/store/settings_store.h"

#include "common/settings_text.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string_view>

namespace tellurin {
namespace {

constexpr std::uint32_t kValueBufferBytes = 32;
constexpr std::uint32_t kLongestValueUnits = kAffixUnits;  // the largest buffer: a prefix's field
constexpr std::uint32_t kSingleCharacterBytes = 4;         // the character and its terminator

// How a value is checked, copied into its field and written.
enum class ValueForm : std::uint8_t {
    PortName,    // "COM1".."COM256"; an empty working text is not written
    BaudRate,    // one of kBaudRateTexts; an empty working text is not written
    Character,   // one of the row's characters, by the 4-byte rule; a zero one is not written
    Chord,       // hexadecimal below 0x8000, written "%04X"
    KeySpeed,    // hexadecimal 0..9, written "%X"
    EditNumber,  // decimal 0..1023, written "%u"
    RuleText,    // an editing text of the row's kind, written as it is, empty or not
    Milliseconds,    // decimal within the row's range, into a field of the row's size, written "%u"
    RequestCommand,  // a command the port can be sent, written as it is, empty or not
};

// What a missing value means.
enum class WhenMissing : std::uint8_t {
    DamagesKey,    // the read fails and the store is rebuilt
    KeepsField,    // the caller's value stays; the next save of the key writes it
    TakesDefault,  // the default record's value; the next save of the key writes it
};

struct StoredValueRow {
    const char16_t* Name;
    ValueForm Form;
    std::size_t Offset;  // of the field in the key's record
    WhenMissing Missing;
    const char16_t* Allowed;  // Character: the characters it may be
    RuleTextKind TextKind;    // RuleText: how the text is read
    const MillisecondRange* Range = nullptr;  // Milliseconds: the valid numbers
    std::uint8_t NumberBytes = 0;             // Milliseconds: the field's size
};

struct StoredKeyTable {
    std::span<const StoredValueRow> Rows;
    const void* Defaults;  // the record of default values
    bool CreatedOnSave;    // a save creates the key when it is missing, rather than failing
};

constexpr StoredValueRow Value(const char16_t* name, ValueForm form, std::size_t offset,
                               WhenMissing missing = WhenMissing::DamagesKey) {
    return StoredValueRow{name, form, offset, missing, nullptr, RuleTextKind::Find};
}
constexpr StoredValueRow Character(const char16_t* name, std::size_t offset, const char16_t* allowed,
                                   WhenMissing missing = WhenMissing::DamagesKey) {
    return StoredValueRow{name, ValueForm::Character, offset, missing, allowed, RuleTextKind::Find};
}
constexpr StoredValueRow EditNumber(const char16_t* name, std::size_t offset) {
    return Value(name, ValueForm::EditNumber, offset, WhenMissing::TakesDefault);
}
constexpr StoredValueRow EditText(const char16_t* name, std::size_t offset, RuleTextKind kind) {
    return StoredValueRow{name, ValueForm::RuleText, offset, WhenMissing::TakesDefault, nullptr, kind};
}
constexpr StoredValueRow Milliseconds(const char16_t* name, std::size_t offset, std::size_t fieldBytes,
                                      const MillisecondRange& range) {
    return StoredValueRow{name,    ValueForm::Milliseconds, offset, WhenMissing::TakesDefault, nullptr,
                          RuleTextKind::Find, &range, static_cast<std::uint8_t>(fieldBytes)};
}

constexpr StoredValueRow kCommunicationRows[] = {
    Value(u"CommPort", ValueForm::PortName, offsetof(CommunicationSettings, CommPort)),
    Value(u"BaudRate", ValueForm::BaudRate, offsetof(CommunicationSettings, BaudRate)),
    Character(u"Parity", offsetof(CommunicationSettings, Parity), u"NOE"),
    Character(u"DataBit", offsetof(CommunicationSettings, DataBit), u"78"),
    Character(u"StopBit", offsetof(CommunicationSettings, StopBit), u"12"),
    Character(u"FlowControl", offsetof(CommunicationSettings, FlowControl), u"NXR"),
    Character(u"Protocol", offsetof(CommunicationSettings, Protocol), u"0123456"),
};

// Stored beside the port's values but read into a record of their own; they
// came later, so a missing one takes its default.
constexpr StoredValueRow kDeviceRows[] = {
    Milliseconds(u"FrameGap", offsetof(DeviceSettings, FrameGap), sizeof(std::uint16_t), kFrameGapRange),
    Value(u"RequestCommand", ValueForm::RequestCommand, offsetof(DeviceSettings, RequestCommand),
          WhenMissing::TakesDefault),
    Milliseconds(u"RequestInterval", offsetof(DeviceSettings, RequestInterval), sizeof(std::uint32_t),
                 kRequestIntervalRange),
    Value(u"RequestHotKey", ValueForm::Chord, offsetof(DeviceSettings, RequestHotKey), WhenMissing::TakesDefault),
    Milliseconds(u"RequestTimeout", offsetof(DeviceSettings, RequestTimeout), sizeof(std::uint32_t),
                 kRequestTimeoutRange),
};

// The values added after the first six are missing from every store an older
// version wrote, and that is no damage.
constexpr StoredValueRow kFunctionRows[] = {
    Value(u"HeadKey", ValueForm::Chord, offsetof(FunctionSettings, HeadKey)),
    Value(u"TermKey1", ValueForm::Chord, offsetof(FunctionSettings, TermKey1)),
    Value(u"TermKey2", ValueForm::Chord, offsetof(FunctionSettings, TermKey2)),
    Value(u"KeySpeed", ValueForm::KeySpeed, offsetof(FunctionSettings, KeySpeed)),
    Character(u"CapsLock", offsetof(FunctionSettings, CapsLock), u"NY"),
    Character(u"TrayIcon", offsetof(FunctionSettings, TrayIcon), u"NY"),
    Character(u"CharacterCode", offsetof(FunctionSettings, CharacterCode), u"0123", WhenMissing::KeepsField),
    Character(u"ImeOff", offsetof(FunctionSettings, ImeOff), u"NY", WhenMissing::KeepsField),
};

constexpr std::size_t kReplacementFieldBytes = kReplacementUnits * 2;
constexpr std::size_t FindOffset(std::size_t index) {
    return offsetof(EditRules, Find) + index * kReplacementFieldBytes;
}
constexpr std::size_t WithOffset(std::size_t index) {
    return offsetof(EditRules, With) + index * kReplacementFieldBytes;
}

constexpr StoredValueRow kEditRows[] = {
    EditNumber(u"LengthMin", offsetof(EditRules, LengthMin)),
    EditNumber(u"LengthMax", offsetof(EditRules, LengthMax)),
    EditNumber(u"CutHead", offsetof(EditRules, CutHead)),
    EditNumber(u"CutTail", offsetof(EditRules, CutTail)),
    EditNumber(u"ExtractStart", offsetof(EditRules, ExtractStart)),
    EditNumber(u"ExtractLength", offsetof(EditRules, ExtractLength)),
    EditText(u"Find1", FindOffset(0), RuleTextKind::Find),
    EditText(u"Find2", FindOffset(1), RuleTextKind::Find),
    EditText(u"Find3", FindOffset(2), RuleTextKind::Find),
    EditText(u"Find4", FindOffset(3), RuleTextKind::Find),
    EditText(u"Find5", FindOffset(4), RuleTextKind::Find),
    EditText(u"Find6", FindOffset(5), RuleTextKind::Find),
    EditText(u"Find7", FindOffset(6), RuleTextKind::Find),
    EditText(u"Find8", FindOffset(7), RuleTextKind::Find),
    EditText(u"With1", WithOffset(0), RuleTextKind::With),
    EditText(u"With2", WithOffset(1), RuleTextKind::With),
    EditText(u"With3", WithOffset(2), RuleTextKind::With),
    EditText(u"With4", WithOffset(3), RuleTextKind::With),
    EditText(u"With5", WithOffset(4), RuleTextKind::With),
    EditText(u"With6", WithOffset(5), RuleTextKind::With),
    EditText(u"With7", WithOffset(6), RuleTextKind::With),
    EditText(u"With8", WithOffset(7), RuleTextKind::With),
    EditText(u"FieldSeparator", offsetof(EditRules, FieldSeparator), RuleTextKind::FieldSeparator),
    Value(u"FieldKey", ValueForm::Chord, offsetof(EditRules, FieldKey), WhenMissing::TakesDefault),
    EditText(u"Prefix", offsetof(EditRules, Prefix), RuleTextKind::Affix),
    EditText(u"Suffix", offsetof(EditRules, Suffix), RuleTextKind::Affix),
};

constexpr StoredKeyTable kCommunicationKey{kCommunicationRows, &kDefaultCommunicationSettings, false};
constexpr StoredKeyTable kFunctionKey{kFunctionRows, &kDefaultFunctionSettings, false};
constexpr StoredKeyTable kEditKey{kEditRows, &kDefaultEditRules, true};
constexpr StoredKeyTable kDeviceKey{kDeviceRows, &kDefaultDeviceSettings, false};
static_assert(kRequestCommandUnits <= kLongestValueUnits, "the command is read whole");

std::size_t FieldBytes(const StoredValueRow& row) {
    switch (row.Form) {
        case ValueForm::PortName:
        case ValueForm::BaudRate: return kSettingsTextUnits * 2;
        case ValueForm::RuleText: return RuleTextUnits(RuleTextCharacterLimit(row.TextKind)) * 2;
        case ValueForm::RequestCommand: return kRequestCommandUnits * 2;
        case ValueForm::Milliseconds: return row.NumberBytes;
        case ValueForm::Character:
        case ValueForm::Chord:
        case ValueForm::KeySpeed:
        case ValueForm::EditNumber: break;
    }
    return 2;
}

bool IsText(const StoredValueRow& row) {
    return row.Form == ValueForm::RuleText || row.Form == ValueForm::RequestCommand;
}

// A text is read whole into a buffer the size of its field: the longest text
// that could be valid, with its terminator.
std::uint32_t ReadBufferBytes(const StoredValueRow& row) {
    return IsText(row) ? static_cast<std::uint32_t>(FieldBytes(row)) : kValueBufferBytes;
}

bool IsValidText(const StoredValueRow& row, std::u16string_view text) {
    return row.Form == ValueForm::RequestCommand ? ExpandRequestCommand(text, nullptr)
                                                 : IsValidRuleText(text, row.TextKind);
}

using SettingsTextField = char16_t[kSettingsTextUnits];

template <typename Field>
Field& FieldOf(void* record, const StoredValueRow& row) {
    return *reinterpret_cast<Field*>(static_cast<std::uint8_t*>(record) + row.Offset);
}
template <typename Field>
const Field& FieldOf(const void* record, const StoredValueRow& row) {
    return *reinterpret_cast<const Field*>(static_cast<const std::uint8_t*>(record) + row.Offset);
}

// A Milliseconds field, 16 or 32 bits wide.
std::uint32_t NumberOf(const void* record, const StoredValueRow& row) {
    return row.NumberBytes == 2 ? FieldOf<std::uint16_t>(record, row) : FieldOf<std::uint32_t>(record, row);
}
void SetNumberOf(void* record, const StoredValueRow& row, std::uint32_t number) {
    if (row.NumberBytes == 2) FieldOf<std::uint16_t>(record, row) = static_cast<std::uint16_t>(number);
    else FieldOf<std::uint32_t>(record, row) = number;
}

// One stored value as read: its text, terminated within the buffer, and the
// character it gives by the 4-byte rule (0 for any other size).
struct StoredValue {
    char16_t Text[kLongestValueUnits + 1];
    char16_t Character;
};

bool ReadValue(Registry& registry, Registry::Key key, const char16_t* name, StoredValue& value,
               std::uint32_t bufferBytes) {
    std::uint8_t buffer[kLongestValueUnits * 2] = {};
    std::uint32_t size = bufferBytes;
    value.Text[0] = u'\0';
    value.Character = 0;
    if (!registry.QueryValue(key, name, buffer, size)) return false;
    if (size > bufferBytes) size = bufferBytes;  // a store that overstates cannot make us overread
    const std::uint32_t units = size / 2;        // an odd last byte is no character
    std::memcpy(value.Text, buffer, units * 2);
    value.Text[units] = u'\0';
    if (size == kSingleCharacterBytes) value.Character = value.Text[0];
    return true;
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

// The field takes the stored value when it is valid, and keeps its own otherwise.
void AssignIfValid(const StoredValueRow& row, const StoredValue& value, void* record) {
    switch (row.Form) {
        case ValueForm::PortName:
            if (IsValidPortName(value.Text)) SetSettingsText(FieldOf<SettingsTextField>(record, row), value.Text);
            return;
        case ValueForm::BaudRate:
            if (IsValidBaudRate(value.Text)) SetSettingsText(FieldOf<SettingsTextField>(record, row), value.Text);
            return;
        case ValueForm::Character:
            if (IsOneOf(value.Character, row.Allowed)) FieldOf<char16_t>(record, row) = value.Character;
            return;
        case ValueForm::Chord: {
            const std::uint16_t chord = ParseHexWord(value.Text);
            if (chord < 0x8000) FieldOf<KeyChord>(record, row) = chord;
            return;
        }
        case ValueForm::KeySpeed: {
            const std::uint16_t speed = ParseHexWord(value.Text);
            if (speed <= 9) FieldOf<std::uint16_t>(record, row) = speed;
            return;
        }
        case ValueForm::EditNumber: {
            const std::uint16_t number = ParseEditNumber(value.Text);
            if (number != kInvalidEditNumber) FieldOf<std::uint16_t>(record, row) = number;
            return;
        }
        case ValueForm::Milliseconds: {
            std::uint32_t number;
            if (ParseMilliseconds(value.Text, *row.Range, &number)) SetNumberOf(record, row, number);
            return;
        }
        case ValueForm::RuleText:
        case ValueForm::RequestCommand: {
            const std::u16string_view text = value.Text;
            if (!IsValidText(row, text)) return;
            // A valid text always fits its field with room for the terminator.
            char16_t* field = &FieldOf<char16_t>(record, row);
            const std::size_t units = FieldBytes(row) / 2;
            for (std::size_t index = 0; index < units; ++index)
                field[index] = index < text.size() ? text[index] : u'\0';
            return;
        }
    }
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

    // False when the key or the value is missing.
    bool Read(const StoredValueRow& row, StoredValue& value) {
        return opened_ && ReadValue(registry_, key_, row.Name, value, ReadBufferBytes(row));
    }

private:
    Registry& registry_;
    Registry::Key key_ = 0;
    bool opened_ = false;
};

// Writing one key: open it for query and set, then for each value decide the
// new text, set it, flush and close.
class KeyWriter {
public:
    KeyWriter(Registry& registry, const char16_t* path, bool createMissing) : registry_(registry) {
        opened_ = registry_.OpenKey(path, kKeyQueryValue | kKeySetValue, key_);
        if (opened_ || !createMissing || !registry_.CreateKey(path, key_)) return;
        // The key is created with query access only.
        registry_.CloseKey(key_);
        opened_ = registry_.OpenKey(path, kKeyQueryValue | kKeySetValue, key_);
    }
    bool Opened() const { return opened_; }

    // false when a value could not be set; the key is then flushed and closed.
    bool Write(const StoredValueRow& row, const void* record) {
        StoredValue stored;
        const bool present = ReadValue(registry_, key_, row.Name, stored, ReadBufferBytes(row));
        switch (row.Form) {
            case ValueForm::PortName:
            case ValueForm::BaudRate: {
                // An empty working text leaves the stored value alone.
                const std::u16string working = SettingsText(FieldOf<SettingsTextField>(record, row));
                if (working.empty() || TextEquals(stored.Text, working.c_str())) return true;
                return Set(row.Name, working);
            }
            case ValueForm::Character: {
                const char16_t working = FieldOf<char16_t>(record, row);
                if (working == 0 || stored.Character == working) return true;
                return Set(row.Name, std::u16string_view(&working, 1));
            }
            case ValueForm::Chord:
            case ValueForm::KeySpeed: {
                const std::uint16_t working = FieldOf<std::uint16_t>(record, row);
                const std::uint16_t storedNumber = present ? ParseHexWord(stored.Text) : kInvalidHexWord;
                if (storedNumber == working) return true;  // 0 is a number like any other: "0000"
                return SetNumber(row.Name, row.Form == ValueForm::Chord ? "%04X" : "%X", working);
            }
            case ValueForm::EditNumber: {
                const std::uint16_t working = FieldOf<std::uint16_t>(record, row);
                const std::uint16_t storedNumber = present ? ParseEditNumber(stored.Text) : kInvalidEditNumber;
                if (storedNumber == working) return true;
                return SetNumber(row.Name, "%u", working);
            }
            case ValueForm::Milliseconds: {
                const std::uint32_t working = NumberOf(record, row);
                std::uint32_t storedNumber = 0;
                if (present && ParseMilliseconds(stored.Text, *row.Range, &storedNumber) && storedNumber == working)
                    return true;
                return SetNumber(row.Name, "%u", working);
            }
            case ValueForm::RuleText:
            case ValueForm::RequestCommand: {
                const char16_t* field = &FieldOf<char16_t>(record, row);
                std::size_t length = 0;
                while (length < FieldBytes(row) / 2 && field[length] != u'\0') ++length;
                const std::u16string_view working(field, length);
                if (present && working == std::u16string_view(stored.Text)) return true;
                return Set(row.Name, working);
            }
        }
        return true;
    }

    std::int32_t Finish() {
        registry_.FlushKey(key_);
        registry_.CloseKey(key_);
        return kSaveOk;
    }

private:
    bool SetNumber(const char16_t* name, const char* format, std::uint32_t number) {
        char narrow[12];
        std::snprintf(narrow, sizeof narrow, format, static_cast<unsigned>(number));
        std::u16string text;
        for (std::size_t index = 0; narrow[index] != '\0'; ++index) text += static_cast<char16_t>(narrow[index]);
        return Set(name, text);
    }
    bool Set(const char16_t* name, std::u16string_view text) {
        const std::u16string terminated(text);
        const auto bytes = static_cast<std::uint32_t>((terminated.size() + 1) * 2);
        if (registry_.SetTextValue(key_, name, terminated.c_str(), bytes)) return true;
        Finish();
        return false;
    }

    Registry& registry_;
    Registry::Key key_ = 0;
    bool opened_ = false;
};

// 0 when a value whose absence damages the key is missing (fields read before
// it keep their new values), else 1.
int ReadKey(Registry& registry, const StoredKeyTable& table, void* record, const char16_t* path) {
    KeyReader key(registry, path);
    StoredValue value;
    for (const StoredValueRow& row : table.Rows) {
        if (key.Read(row, value)) {
            AssignIfValid(row, value, record);
            continue;
        }
        if (row.Missing == WhenMissing::DamagesKey) return 0;
        if (row.Missing == WhenMissing::TakesDefault)
            std::memcpy(&FieldOf<std::uint8_t>(record, row), &FieldOf<std::uint8_t>(table.Defaults, row),
                        FieldBytes(row));
    }
    return 1;
}

// onlyChanged: only the values that differ from the table's defaults are
// considered (a rebuilt key gets back what was set in it).
std::int32_t WriteKey(Registry& registry, const StoredKeyTable& table, const void* record, const char16_t* path,
                      bool onlyChanged = false) {
    KeyWriter writer(registry, path, table.CreatedOnSave);
    if (!writer.Opened()) return kSaveKeyNotOpened;
    for (const StoredValueRow& row : table.Rows) {
        if (onlyChanged && std::memcmp(&FieldOf<std::uint8_t>(record, row), &FieldOf<std::uint8_t>(table.Defaults, row),
                                       FieldBytes(row)) == 0)
            continue;
        if (!writer.Write(row, record)) return kSaveValueNotWritten;
    }
    return writer.Finish();
}

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
    return ReadKey(registry, kCommunicationKey, &record, path);
}

int ReadFunctionKey(Registry& registry, FunctionSettings& record, const char16_t* path) {
    return ReadKey(registry, kFunctionKey, &record, path);
}

void ReadEditKey(Registry& registry, EditRules& record, const char16_t* path) {
    (void)ReadKey(registry, kEditKey, &record, path);  // no value of the key can damage it
}

void ReadDeviceKey(Registry& registry, DeviceSettings& record, const char16_t* path) {
    (void)ReadKey(registry, kDeviceKey, &record, path);  // nor of these
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
    return WriteKey(registry, kCommunicationKey, &working.Communication, path);
}

std::int32_t WriteFunctionKey(Registry& registry, const WorkingSettings& working, const char16_t* path) {
    return WriteKey(registry, kFunctionKey, &working.Function, path);
}

std::int32_t WriteEditKey(Registry& registry, const WorkingSettings& working, const char16_t* path) {
    return WriteKey(registry, kEditKey, &working.Edit, path);
}

std::int32_t WriteDeviceKey(Registry& registry, const WorkingSettings& working, const char16_t* path) {
    return WriteKey(registry, kDeviceKey, &working.Device, path);
}

std::int32_t LoadSettingsFromStore(Registry& registry, WorkingSettings& working,
                                   CommunicationSettings& communication, FunctionSettings& function) {
    if (ReadCommunicationKey(registry, communication, kCommunicationKeyPath) == 1 &&
        ReadFunctionKey(registry, function, kFunctionKeyPath) == 1)
        return 1;
    // The device's values share the Communication key: the valid ones that
    // were set outlive its rebuild.
    DeviceSettings device = kDefaultDeviceSettings;
    ReadDeviceKey(registry, device, kCommunicationKeyPath);
    if (RebuildSettingsKeys(registry) == 0) return 0;
    working.Communication = communication;
    working.Function = function;
    if (WriteCommunicationKey(registry, working, kCommunicationKeyPath) != kSaveOk) return 0;
    if (WriteKey(registry, kDeviceKey, &device, kCommunicationKeyPath, true) != kSaveOk) return 0;
    return WriteFunctionKey(registry, working, kFunctionKeyPath) == kSaveOk ? 1 : 0;
}

std::int32_t LoadSettingsFromStore(Registry& registry, WorkingSettings& working,
                                   CommunicationSettings& communication, FunctionSettings& function,
                                   EditRules& edit) {
    const std::int32_t result = LoadSettingsFromStore(registry, working, communication, function);
    ReadEditKey(registry, edit, kEditKeyPath);
    return result;
}

std::int32_t SaveSettings(Registry& registry, const WorkingSettings& working) {
    if (working.CommChanged) {
        const std::int32_t result = WriteCommunicationKey(registry, working, kCommunicationKeyPath);
        if (result != kSaveOk) return result;
    }
    if (working.FunctionChanged) {
        const std::int32_t result = WriteFunctionKey(registry, working, kFunctionKeyPath);
        if (result != kSaveOk) return result;
    }
    if (working.DeviceChanged) {
        const std::int32_t result = WriteDeviceKey(registry, working, kCommunicationKeyPath);
        if (result != kSaveOk) return result;
    }
    if (working.EditChanged) return WriteEditKey(registry, working, kEditKeyPath);
    return kSaveOk;
}

}  // namespace tellurin
