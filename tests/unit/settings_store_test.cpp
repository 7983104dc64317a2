// The settings store over a registry that keeps exact bytes: first use and
// rebuild, validation of every value, safe reading of malformed data, and the
// write-only-what-differs rule of saving.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/store/settings_store.h"
#include "tests/fakes/fake_registry.h"

namespace tellurin {
namespace {

using fakes::FakeRegistry;

const std::u16string kComm = kCommunicationKeyPath;
const std::u16string kFunc = kFunctionKeyPath;
const std::u16string kEdit = kEditKeyPath;

struct Store {
    // Loads into the default records and checks that nothing was left open.
    std::int32_t Load() {
        const std::int32_t result = LoadSettingsFromStore(registry, working, communication, function, edit);
        ReadDeviceKey(registry, device, kCommunicationKeyPath);
        EXPECT_EQ(registry.OpenKeyCount(), 0) << "a key was left open";
        EXPECT_TRUE(registry.Faults().empty()) << registry.Faults().front();
        return result;
    }
    // A complete store with the first-use texts.
    void FillFirstUse() {
        ASSERT_EQ(Load(), 1);
        registry.ClearWrites();
    }
    FakeRegistry registry;
    WorkingSettings working{};
    CommunicationSettings communication = kDefaultCommunicationSettings;
    FunctionSettings function = kDefaultFunctionSettings;
    EditRules edit = kDefaultEditRules;
    DeviceSettings device = kDefaultDeviceSettings;
};

std::string Narrow16(const char16_t* text) { return fakes::Narrow(text); }

TEST(SettingsStore, FirstUseWritesFifteenFirstUseTextsAndSecondLoadWritesNothing) {
    Store store;
    EXPECT_EQ(store.Load(), 1);
    const std::vector<std::string> expected = {
        "Communication|CommPort=COM1", "Communication|BaudRate=4800", "Communication|Parity=N",
        "Communication|DataBit=8",     "Communication|StopBit=2",     "Communication|FlowControl=X",
        "Communication|Protocol=1",    "Function|HeadKey=0000",       "Function|TermKey1=000D",
        "Function|TermKey2=0000",      "Function|KeySpeed=5",         "Function|CapsLock=N",
        "Function|TrayIcon=Y",        "Function|CharacterCode=0",    "Function|ImeOff=Y"};
    EXPECT_EQ(store.registry.Writes(), expected);
    // One-character values are the character and its terminator: 4 bytes, REG_SZ.
    EXPECT_EQ(store.registry.Data(kComm, u"Parity")->Bytes.size(), 4u);
    EXPECT_EQ(store.registry.Data(kFunc, u"TermKey1")->Bytes.size(), 10u);
    EXPECT_EQ(store.registry.Data(kFunc, u"TermKey1")->Type, fakes::kRegSz);
    EXPECT_EQ(0, std::memcmp(&store.communication, &kDefaultCommunicationSettings, sizeof(CommunicationSettings)));
    EXPECT_EQ(0, std::memcmp(&store.function, &kDefaultFunctionSettings, sizeof(FunctionSettings)));
    EXPECT_EQ(0, std::memcmp(&store.device, &kDefaultDeviceSettings, sizeof(DeviceSettings)));

    store.registry.ClearWrites();
    EXPECT_EQ(store.Load(), 1);
    EXPECT_TRUE(store.registry.Writes().empty());
}

struct ValueCase {
    const char16_t* value;
    const char16_t* stored;
    bool accepted;
};

// Each case stores one value into a complete store and loads; an accepted
// value reaches the record, a refused one leaves the default and stays stored.
class ValueValidation : public ::testing::TestWithParam<ValueCase> {};

std::string FieldAsText(const Store& store, const std::u16string& value) {
    const CommunicationSettings& c = store.communication;
    const FunctionSettings& f = store.function;
    const EditRules& e = store.edit;
    const DeviceSettings& d = store.device;
    char buffer[16];
    if (value == u"RequestCommand") return fakes::Narrow(std::u16string(RuleText(d.RequestCommand)));
    if (value == u"FrameGap") return std::to_string(d.FrameGap);
    if (value == u"RequestInterval") return std::to_string(d.RequestInterval);
    if (value == u"RequestTimeout") return std::to_string(d.RequestTimeout);
    const std::u16string_view texts[] = {RuleText(e.FieldSeparator), RuleText(e.Prefix), RuleText(e.Suffix),
                                         RuleText(e.Find[0]), RuleText(e.Find[7]), RuleText(e.With[0])};
    const std::u16string textNames[] = {u"FieldSeparator", u"Prefix", u"Suffix", u"Find1", u"Find8", u"With1"};
    for (std::size_t index = 0; index < 6; ++index)
        if (value == textNames[index]) return fakes::Narrow(std::u16string(texts[index]));
    const std::uint16_t numbers[] = {e.LengthMin, e.LengthMax, e.CutHead, e.CutTail, e.ExtractStart, e.ExtractLength};
    const std::u16string numberNames[] = {u"LengthMin", u"LengthMax", u"CutHead", u"CutTail", u"ExtractStart",
                                          u"ExtractLength"};
    for (std::size_t index = 0; index < 6; ++index)
        if (value == numberNames[index]) return std::to_string(numbers[index]);
    if (value == u"CommPort") return Narrow16(c.CommPort);
    if (value == u"BaudRate") return Narrow16(c.BaudRate);
    const auto character = [&](char16_t field) { return std::string(1, static_cast<char>(field)); };
    if (value == u"Parity") return character(c.Parity);
    if (value == u"DataBit") return character(c.DataBit);
    if (value == u"StopBit") return character(c.StopBit);
    if (value == u"FlowControl") return character(c.FlowControl);
    if (value == u"Protocol") return character(c.Protocol);
    if (value == u"CapsLock") return character(f.CapsLock);
    if (value == u"TrayIcon") return character(f.TrayIcon);
    if (value == u"CharacterCode") return character(f.CharacterCode);
    if (value == u"ImeOff") return character(f.ImeOff);
    const std::uint16_t number = value == u"HeadKey" ? f.HeadKey : value == u"TermKey1" ? f.TermKey1
                                 : value == u"TermKey2" ? f.TermKey2 : value == u"FieldKey" ? e.FieldKey
                                 : value == u"RequestHotKey" ? d.RequestHotKey : f.KeySpeed;
    std::snprintf(buffer, sizeof buffer, "%04X", number);
    return buffer;
}

TEST_P(ValueValidation, AcceptsOnlyValidValuesAndNeverRebuildsForInvalidOnes) {
    const ValueCase& c = GetParam();
    const std::u16string name = c.value;
    const bool isFunction = name == u"HeadKey" || name == u"TermKey1" || name == u"TermKey2" || name == u"KeySpeed" ||
                            name == u"CapsLock" || name == u"TrayIcon" || name == u"CharacterCode" || name == u"ImeOff";
    const bool isDevice = name == u"FrameGap" || name.starts_with(u"Request");
    const bool isEdit = !isFunction && !isDevice && name != u"CommPort" && name != u"BaudRate" &&
                        name != u"Parity" && name != u"DataBit" && name != u"StopBit" && name != u"FlowControl" &&
                        name != u"Protocol";
    const std::u16string& key = isFunction ? kFunc : isEdit ? kEdit : kComm;
    Store store;
    store.FillFirstUse();
    const std::string before = FieldAsText(store, c.value);
    store.registry.PutText(key, c.value, c.stored);

    EXPECT_EQ(store.Load(), 1);
    EXPECT_TRUE(store.registry.Writes().empty()) << "an invalid value must not rebuild the store";
    const std::string after = FieldAsText(store, c.value);
    if (c.accepted) {
        EXPECT_NE(after, before) << "accepted value did not reach the record";
    } else {
        EXPECT_EQ(after, before);
        EXPECT_EQ(store.registry.Text(key, c.value), fakes::Narrow(c.stored));
    }
}

std::u16string Repeated(std::u16string_view text, int count) {
    std::u16string repeated;
    for (; count > 0; --count) repeated += text;
    return repeated;
}
// The longest texts that fit their fields: 32 and 64 surrogate pairs, read whole.
const std::u16string kPairs32 = Repeated(u"\U0001F600", 32), kPairs64 = Repeated(u"\U0001F600", 64);
const std::u16string kLetters33 = Repeated(u"x", 33), kLetters65 = Repeated(u"x", 65);
// 32 bytes written as 128 characters: both of the command's limits at once.
const std::u16string kEscapes32 = Repeated(u"\\x1B", 32), kEscapes33 = Repeated(u"\\x1B", 33);

void PrintTo(const ValueCase& c, std::ostream* out) { *out << fakes::Narrow(c.value) << "=" << fakes::Narrow(c.stored); }

INSTANTIATE_TEST_SUITE_P(
    EveryValue, ValueValidation,
    ::testing::Values(
        ValueCase{u"CommPort", u"COM256", true}, ValueCase{u"CommPort", u"COM2", true},
        ValueCase{u"CommPort", u"COM0", false}, ValueCase{u"CommPort", u"COM257", false},
        ValueCase{u"CommPort", u"COM01", false}, ValueCase{u"CommPort", u"com1", false},
        ValueCase{u"CommPort", u"COM", false}, ValueCase{u"CommPort", u"COM1000", false},
        ValueCase{u"CommPort", u"COM2x", false}, ValueCase{u"CommPort", u"", false},
        ValueCase{u"BaudRate", u"115200", true}, ValueCase{u"BaudRate", u"110", true},
        ValueCase{u"BaudRate", u"14400", false}, ValueCase{u"BaudRate", u"4800 ", false},
        ValueCase{u"BaudRate", u"0", false},
        ValueCase{u"Parity", u"E", true}, ValueCase{u"Parity", u"O", true}, ValueCase{u"Parity", u"NN", false},
        ValueCase{u"Parity", u"e", false}, ValueCase{u"Parity", u"", false},
        ValueCase{u"DataBit", u"7", true}, ValueCase{u"DataBit", u"9", false},
        ValueCase{u"StopBit", u"1", true}, ValueCase{u"StopBit", u"3", false},
        ValueCase{u"FlowControl", u"R", true}, ValueCase{u"FlowControl", u"N", true},
        ValueCase{u"FlowControl", u"r", false},
        ValueCase{u"Protocol", u"5", true}, ValueCase{u"Protocol", u"0", true}, ValueCase{u"Protocol", u"6", true},
        ValueCase{u"Protocol", u"7", false},
        ValueCase{u"HeadKey", u"000d", true}, ValueCase{u"HeadKey", u"D", true},
        ValueCase{u"HeadKey", u"7FFF", true}, ValueCase{u"HeadKey", u"00000241", true},
        ValueCase{u"HeadKey", u"8000", false}, ValueCase{u"HeadKey", u"FFFF", false},
        ValueCase{u"HeadKey", u"", false}, ValueCase{u"HeadKey", u"G", false},
        ValueCase{u"HeadKey", u"10000", false}, ValueCase{u"HeadKey", u" D", false},
        ValueCase{u"TermKey1", u"0009", true}, ValueCase{u"TermKey2", u"010D", true},
        ValueCase{u"TermKey2", u"-1", false},
        ValueCase{u"KeySpeed", u"9", true}, ValueCase{u"KeySpeed", u"09", true}, ValueCase{u"KeySpeed", u"0", true},
        ValueCase{u"KeySpeed", u"A", false}, ValueCase{u"KeySpeed", u"10", false},
        ValueCase{u"CapsLock", u"Y", true}, ValueCase{u"CapsLock", u"y", false},
        ValueCase{u"TrayIcon", u"N", true}, ValueCase{u"TrayIcon", u"YES", false},
        ValueCase{u"CharacterCode", u"1", true}, ValueCase{u"CharacterCode", u"2", true},
        ValueCase{u"CharacterCode", u"3", true}, ValueCase{u"CharacterCode", u"4", false},
        ValueCase{u"CharacterCode", u"01", false}, ValueCase{u"CharacterCode", u"", false},
        ValueCase{u"CharacterCode", u"Y", false},
        ValueCase{u"ImeOff", u"N", true}, ValueCase{u"ImeOff", u"n", false}, ValueCase{u"ImeOff", u"0", false},
        ValueCase{u"LengthMin", u"1023", true}, ValueCase{u"LengthMax", u"0013", true},
        ValueCase{u"CutHead", u"3", true}, ValueCase{u"CutTail", u"1", true},
        ValueCase{u"ExtractStart", u"2", true}, ValueCase{u"ExtractLength", u"5", true},
        ValueCase{u"LengthMin", u"1024", false}, ValueCase{u"LengthMax", u"-1", false},
        ValueCase{u"LengthMax", u"4294967306", false},
        ValueCase{u"CutHead", u"", false}, ValueCase{u"CutTail", u"1 ", false}, ValueCase{u"ExtractStart", u"A", false},
        ValueCase{u"Find1", u"\\x1D", true}, ValueCase{u"Find8", kPairs32.c_str(), true},
        ValueCase{u"With1", u"{HH}\\r\\n", true}, ValueCase{u"Find1", u"\\q", false},
        ValueCase{u"Find1", u"\\x1", false}, ValueCase{u"With1", kLetters33.c_str(), false},
        ValueCase{u"FieldSeparator", u"\\x1D", true}, ValueCase{u"FieldSeparator", u"123456789", false},
        ValueCase{u"FieldKey", u"0241", true}, ValueCase{u"FieldKey", u"8009", false},
        ValueCase{u"Prefix", u"{yyyy}-{MM}-{dd}\\t", true}, ValueCase{u"Suffix", kPairs64.c_str(), true},
        ValueCase{u"Prefix", u"{hh}", false}, ValueCase{u"Suffix", u"{", false},
        ValueCase{u"Suffix", kLetters65.c_str(), false},
        ValueCase{u"FrameGap", u"10", true}, ValueCase{u"FrameGap", u"05000", true},
        ValueCase{u"FrameGap", u"9", false}, ValueCase{u"FrameGap", u"5001", false},
        ValueCase{u"FrameGap", u"65586", false}, ValueCase{u"FrameGap", u"", false},
        ValueCase{u"RequestInterval", u"200", true}, ValueCase{u"RequestInterval", u"3600000", true},
        ValueCase{u"RequestInterval", u"199", false}, ValueCase{u"RequestInterval", u"3600001", false},
        ValueCase{u"RequestInterval", u"4294967496", false}, ValueCase{u"RequestInterval", u"1 ", false},
        ValueCase{u"RequestTimeout", u"100", true}, ValueCase{u"RequestTimeout", u"60000", true},
        ValueCase{u"RequestTimeout", u"0", false}, ValueCase{u"RequestTimeout", u"99", false},
        ValueCase{u"RequestTimeout", u"60001", false},
        ValueCase{u"RequestHotKey", u"0678", true}, ValueCase{u"RequestHotKey", u"8078", false},
        ValueCase{u"RequestCommand", u"Q\\r\\n", true}, ValueCase{u"RequestCommand", u"\\x1BP", true},
        ValueCase{u"RequestCommand", u"S{HH}", true}, ValueCase{u"RequestCommand", kEscapes32.c_str(), true},
        ValueCase{u"RequestCommand", kLetters33.c_str(), false},
        ValueCase{u"RequestCommand", kEscapes33.c_str(), false},
        ValueCase{u"RequestCommand", u"\\x80", false}, ValueCase{u"RequestCommand", u"\u00E9", false},
        ValueCase{u"RequestCommand", u"\\q", false}));

TEST(SettingsStore, CharacterValuesFollowTheFourByteRuleWhateverTheType) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint32_t type;
        char16_t expected;
    };
    const Case cases[] = {
        {{'E', 0, 0, 0}, fakes::kRegSz, u'E'},      // the character and its terminator
        {{'E', 0, 0, 0}, fakes::kRegDword, u'E'},   // the stored type plays no part
        {{'E', 0}, fakes::kRegSz, u'N'},            // no terminator: 2 bytes, refused
        {{'E', 0, 0, 0, 0, 0}, fakes::kRegSz, u'N'},  // 6 bytes, refused
        {{'E', 0, 0}, fakes::kRegSz, u'N'},         // odd size, refused
    };
    for (const Case& c : cases) {
        Store store;
        store.FillFirstUse();
        store.registry.PutRaw(kComm, u"Parity", c.type, c.bytes);
        EXPECT_EQ(store.Load(), 1);
        EXPECT_EQ(store.communication.Parity, c.expected) << c.bytes.size() << " bytes";
    }
}

TEST(SettingsStore, MalformedTextDataIsReadWithinTheBuffer) {
    // Exactly 32 bytes without a terminator; 31 bytes; 33 bytes (too large:
    // missing, so the store is rebuilt). None may read past the data.
    Store full;
    full.FillFirstUse();
    full.registry.PutRaw(kComm, u"CommPort", fakes::kRegSz, std::vector<std::uint8_t>(32, 'C'));
    EXPECT_EQ(full.Load(), 1);
    EXPECT_EQ(Narrow16(full.communication.CommPort), "COM1");

    Store odd;
    odd.FillFirstUse();
    std::vector<std::uint8_t> com7 = {'C', 0, 'O', 0, 'M', 0, '7', 0, 'x'};  // odd last byte, no terminator
    odd.registry.PutRaw(kComm, u"CommPort", fakes::kRegSz, com7);
    EXPECT_EQ(odd.Load(), 1);
    EXPECT_EQ(Narrow16(odd.communication.CommPort), "COM7");

    Store tooLarge;
    tooLarge.FillFirstUse();
    tooLarge.registry.PutRaw(kFunc, u"HeadKey", fakes::kRegSz, std::vector<std::uint8_t>(33, '1'));
    EXPECT_EQ(tooLarge.Load(), 1);
    EXPECT_EQ(tooLarge.registry.Text(kFunc, u"HeadKey"), "0000");  // rebuilt from the record
}

TEST(SettingsStore, MissingValuePartWayKeepsWhatWasReadAndRebuildsBothKeys) {
    Store store;
    store.FillFirstUse();
    store.registry.PutText(kComm, u"CommPort", u"COM9");
    store.registry.PutText(kComm, u"FlowControl", u"R");
    store.registry.RemoveValue(kComm, u"Protocol");
    store.registry.PutText(kFunc, u"KeySpeed", u"2");  // never read: the Function key is not attempted
    store.registry.PutText(kComm, u"RequestCommand", u"Q\\r\\n");  // set: outlives the rebuild
    store.registry.PutText(kComm, u"RequestTimeout", u"5");             // invalid: the default, not written
    store.registry.PutText(kComm, u"FrameGap", u"50");                  // the default: not written
    store.communication.Protocol = u'4';

    EXPECT_EQ(store.Load(), 1);
    EXPECT_EQ(Narrow16(store.communication.CommPort), "COM9");
    EXPECT_EQ(store.communication.FlowControl, u'R');
    EXPECT_EQ(store.communication.Protocol, u'4');
    EXPECT_EQ(store.function.KeySpeed, 5);
    EXPECT_EQ(store.registry.Text(kComm, u"CommPort"), "COM9");
    EXPECT_EQ(store.registry.Text(kComm, u"Protocol"), "4");
    EXPECT_EQ(store.registry.Text(kFunc, u"KeySpeed"), "5");
    EXPECT_EQ(store.registry.Text(kComm, u"RequestCommand"), "Q\\r\\n");
    EXPECT_EQ(store.registry.Text(kComm, u"RequestTimeout"), "<missing>");
    EXPECT_EQ(store.registry.Text(kComm, u"FrameGap"), "<missing>");
    EXPECT_EQ(RuleText(store.device.RequestCommand), u"Q\\r\\n");
    EXPECT_EQ(store.device.RequestTimeout, 2000u);
}

TEST(SettingsStore, MissingFunctionKeyRebuildsFromTheRecords) {
    Store store;
    store.registry.PutText(kComm, u"CommPort", u"COM3");
    for (auto name : {u"BaudRate", u"Parity", u"DataBit", u"StopBit", u"FlowControl", u"Protocol"})
        store.registry.PutText(kComm, name, name == std::u16string(u"BaudRate") ? u"9600" : u"x");
    EXPECT_EQ(store.Load(), 1);
    EXPECT_EQ(store.registry.Text(kComm, u"CommPort"), "COM3");
    EXPECT_EQ(store.registry.Text(kComm, u"BaudRate"), "9600");
    EXPECT_EQ(store.registry.Text(kComm, u"Parity"), "N");  // invalid "x" replaced by the rebuild
    EXPECT_EQ(store.registry.Text(kFunc, u"TrayIcon"), "Y");
}

TEST(SettingsStore, NewerFunctionValuesMissingKeepTheRecordAndWaitForTheNextFunctionSave) {
    // As a store written by an older version: the six first values only.
    Store store;
    store.FillFirstUse();
    store.registry.RemoveValue(kFunc, u"CharacterCode");
    store.registry.PutText(kFunc, u"ImeOff", u"N");     // read although the value before it is missing
    store.registry.PutText(kComm, u"Parity", u"NN");    // a rebuild would replace it
    store.registry.PutText(kFunc, u"KeySpeed", u"2");
    store.function.CharacterCode = u'2';               // the caller's value stays

    EXPECT_EQ(store.Load(), 1);
    EXPECT_TRUE(store.registry.Writes().empty()) << "loading must not write";
    EXPECT_EQ(store.function.CharacterCode, u'2');
    EXPECT_EQ(store.function.ImeOff, u'N');
    EXPECT_EQ(store.function.KeySpeed, 2);
    EXPECT_EQ(store.registry.Text(kFunc, u"CharacterCode"), "<missing>");
    EXPECT_EQ(store.registry.Text(kComm, u"Parity"), "NN");

    store.working.Communication = store.communication;
    store.working.Function = store.function;
    store.working.CommChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Text(kFunc, u"CharacterCode"), "<missing>") << "written only with the function part";
    store.registry.ClearWrites();
    store.working.FunctionChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Writes(), std::vector<std::string>{"Function|CharacterCode=2"});
}

TEST(SettingsStore, EditValuesMissingTakeTheirDefaultsInvalidOnesKeepTheRecordAndNoneRebuilds) {
    Store store;
    store.FillFirstUse();
    store.edit.CutHead = 7;  // as an earlier load left them
    store.edit.CutTail = 3;
    ASSERT_TRUE(SetRuleText(store.edit.Prefix, u"x"));
    EXPECT_EQ(store.Load(), 1);
    EXPECT_EQ(0, std::memcmp(&store.edit, &kDefaultEditRules, sizeof(EditRules))) << "no Edit key: all defaults";
    EXPECT_FALSE(store.registry.HasKey(kEdit));

    store.edit.CutTail = 3;
    store.registry.PutText(kEdit, u"CutTail", u"3x");
    store.registry.PutText(kEdit, u"Suffix", u"\\r\\n");
    store.registry.PutText(kComm, u"Protocol", u"9");
    store.registry.RemoveValue(kComm, u"Parity");  // the other keys are rebuilt, Edit is not
    EXPECT_EQ(store.Load(), 1);
    EXPECT_EQ(store.edit.CutTail, 3);
    EXPECT_EQ(store.edit.CutHead, 0);
    EXPECT_EQ(RuleText(store.edit.Suffix), u"\\r\\n");
    EXPECT_EQ(store.registry.Text(kEdit, u"CutTail"), "3x");
    EXPECT_EQ(store.registry.Text(kEdit, u"CutHead"), "<missing>");
    EXPECT_EQ(store.registry.Text(kComm, u"Parity"), "N");

    store.registry.ClearWrites();
    store.working.Communication = store.communication;
    store.working.Function = store.function;
    store.working.Edit = store.edit;
    store.working.Edit.CutHead = 12;
    store.working.CommChanged = store.working.FunctionChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_TRUE(store.registry.Writes().empty()) << "written only with the edit part";
    store.working.EditChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    const std::vector<std::string>& writes = store.registry.Writes();
    ASSERT_EQ(writes.size(), 25u) << "every value but the stored Suffix";
    EXPECT_EQ(writes[0], "Edit|LengthMin=0");
    EXPECT_EQ(writes[2], "Edit|CutHead=12");
    EXPECT_EQ(writes[3], "Edit|CutTail=3");
    EXPECT_EQ(writes[6], "Edit|Find1=");
    EXPECT_EQ(writes[23], "Edit|FieldKey=0009");
    EXPECT_EQ(writes[24], "Edit|Prefix=");
    EXPECT_EQ(store.registry.Data(kEdit, u"Find1")->Bytes.size(), 2u);
    EXPECT_EQ(store.registry.OpenKeyCount(), 0);

    store.registry.ClearWrites();
    store.registry.PutText(kEdit, u"CutHead", u"0012");  // the same number
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_TRUE(store.registry.Writes().empty());
}

TEST(SettingsStore, OnlyAnEditSaveCreatesItsMissingKeyOrSaysItCouldNot) {
    Store damaged;
    damaged.FillFirstUse();
    damaged.registry.DeleteKey(kComm.c_str());
    damaged.working.Communication = kDefaultCommunicationSettings;
    damaged.working.CommChanged = true;
    EXPECT_EQ(SaveSettings(damaged.registry, damaged.working), kSaveKeyNotOpened);
    EXPECT_FALSE(damaged.registry.HasKey(kComm)) << "the loader rebuilds it, not a save";

    for (const bool refused : {false, true}) {
        Store store;
        store.FillFirstUse();
        store.working.Edit = kDefaultEditRules;
        store.working.EditChanged = true;
        if (refused) store.registry.RefuseCreate(kEdit);
        EXPECT_EQ(SaveSettings(store.registry, store.working), refused ? kSaveKeyNotOpened : kSaveOk);
        EXPECT_EQ(store.registry.Writes().size(), refused ? 0u : 26u);
        EXPECT_EQ(store.registry.OpenKeyCount(), 0);
        EXPECT_TRUE(store.registry.Faults().empty()) << store.registry.Faults().front();
    }
}

TEST(SettingsStore, RebuildFailsWhenAKeyCannotBeCreated) {
    Store store;
    store.registry.RefuseCreate(kFunc);
    EXPECT_EQ(store.Load(), 0);
    EXPECT_TRUE(store.registry.Writes().empty());
}

TEST(SettingsStore, RebuildWriteFailureGivesZero) {
    Store store;
    store.registry.RefuseSet(u"TrayIcon");
    EXPECT_EQ(store.Load(), 0);
    EXPECT_EQ(store.registry.Text(kFunc, u"CapsLock"), "N");  // written before the failure, kept
}

TEST(SettingsStore, SaveWritesOnlyChangedValuesOfFlaggedParts) {
    Store store;
    store.FillFirstUse();
    store.working.Communication = store.communication;
    store.working.Function = store.function;
    store.working.Function.KeySpeed = 7;
    store.working.Function.CharacterCode = u'1';
    store.working.Function.ImeOff = u'N';
    store.working.Communication.Parity = u'E';

    store.working.FunctionChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Writes(),
              (std::vector<std::string>{"Function|KeySpeed=7", "Function|CharacterCode=1", "Function|ImeOff=N"}));
    EXPECT_EQ(store.registry.Data(kFunc, u"ImeOff")->Bytes.size(), 4u);

    store.registry.ClearWrites();
    store.working.FunctionChanged = false;
    store.working.Function.CapsLock = u'Y';
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_TRUE(store.registry.Writes().empty());

    store.working.CommChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Writes(), std::vector<std::string>{"Communication|Parity=E"});
    EXPECT_TRUE(store.working.CommChanged);  // the flags are the window's to clear
    EXPECT_EQ(store.registry.OpenKeyCount(), 0);

    // The device's values: those that differ or are missing, into the Communication key.
    store.registry.ClearWrites();
    store.working.CommChanged = false;
    store.working.Device = store.device;
    store.working.Device.RequestInterval = 3600000;
    store.working.Device.RequestHotKey = 0x0678;
    store.registry.PutText(kComm, u"FrameGap", u"050");  // the same number: not rewritten
    store.working.DeviceChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Writes(),
              (std::vector<std::string>{"Communication|RequestCommand=", "Communication|RequestInterval=3600000",
                                        "Communication|RequestHotKey=0678", "Communication|RequestTimeout=2000"}));
    store.registry.ClearWrites();
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_TRUE(store.registry.Writes().empty());
}

TEST(SettingsStore, SaveRewritesAnInvalidStoredValueAndNeverWritesEmptyOrZeroCharacters) {
    Store store;
    store.FillFirstUse();
    store.registry.PutText(kComm, u"BaudRate", u"4800 ");
    store.registry.PutText(kFunc, u"HeadKey", u"000d");  // same number: not rewritten
    store.registry.PutText(kFunc, u"CharacterCode", u"9");
    store.working.Communication = store.communication;
    store.working.Function = store.function;
    store.working.Communication.CommPort[0] = u'\0';  // empty text: left alone
    store.working.Communication.StopBit = 0;           // zero character: left alone
    store.working.Function.HeadKey = 0x000D;
    store.working.CommChanged = store.working.FunctionChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Writes(),
              (std::vector<std::string>{"Communication|BaudRate=4800", "Function|CharacterCode=0"}));
}

TEST(SettingsStore, SaveFailuresReturnTheirCodeWithTheKeyFlushedAndClosed) {
    Store openFails;
    openFails.FillFirstUse();
    openFails.working.CommChanged = openFails.working.FunctionChanged = true;
    openFails.working.Communication = kDefaultCommunicationSettings;
    openFails.working.Function = kDefaultFunctionSettings;
    openFails.working.Function.KeySpeed = 1;
    openFails.registry.RefuseWriteAccess(kComm);
    EXPECT_EQ(SaveSettings(openFails.registry, openFails.working), kSaveKeyNotOpened);
    EXPECT_TRUE(openFails.registry.Writes().empty()) << "function values must not follow a failed key";

    Store setFails;
    setFails.FillFirstUse();
    setFails.working.Communication = kDefaultCommunicationSettings;
    setFails.working.Function = kDefaultFunctionSettings;
    setFails.working.Function.HeadKey = 0x0241;
    setFails.working.Function.CapsLock = u'Y';
    setFails.working.FunctionChanged = true;
    setFails.registry.RefuseSet(u"CapsLock");
    const int flushesBefore = setFails.registry.FlushCount();
    EXPECT_EQ(SaveSettings(setFails.registry, setFails.working), kSaveValueNotWritten);
    EXPECT_EQ(setFails.registry.Writes(), std::vector<std::string>{"Function|HeadKey=0241"});
    EXPECT_EQ(setFails.registry.FlushCount(), flushesBefore + 1);
    EXPECT_EQ(setFails.registry.OpenKeyCount(), 0);
}

TEST(SettingsStore, UnterminatedWorkingTextIsWrittenBounded) {
    Store store;
    store.FillFirstUse();
    store.working.Communication = kDefaultCommunicationSettings;
    std::u16string seven = u"ABCDEFG";
    std::memcpy(store.working.Communication.CommPort, seven.data(), 14);  // no terminator in the field
    store.working.CommChanged = true;
    EXPECT_EQ(SaveSettings(store.registry, store.working), kSaveOk);
    EXPECT_EQ(store.registry.Text(kComm, u"CommPort"), "ABCDEFG");
    EXPECT_TRUE(store.registry.Faults().empty());
}

TEST(ParseHexWord, DigitsCaseLeadingZerosAndInvalidTexts) {
    const struct {
        const char16_t* text;
        std::uint16_t value;
    } cases[] = {{u"0", 0},          {u"D", 0x000D},    {u"000d", 0x000D}, {u"7fFf", 0x7FFF},
                 {u"FFFE", 0xFFFE},  {u"0000FFFE", 0xFFFE}, {u"", 0xFFFF},  {u"G", 0xFFFF},
                 {u"10000", 0xFFFF}, {u"1 ", 0xFFFF},   {u"+1", 0xFFFF},   {u"\u0661", 0xFFFF}};
    for (const auto& c : cases) EXPECT_EQ(ParseHexWord(c.text), c.value) << fakes::Narrow(c.text);
}

}  // namespace
}  // namespace tellurin
