// The settings dialog's decisions: what each page shows for the working
// settings, what each control changes (and only on a real change), and the
// window's OK / Cancel / Apply / menu rules with the thread's end code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/dialog/communication_page.h"
#include "settings/dialog/edit_page.h"
#include "settings/dialog/function_page.h"
#include "settings/dialog/settings_window.h"

namespace tellurin {
namespace {

WorkingSettings Defaults() {
    WorkingSettings working{};
    working.Communication = kDefaultCommunicationSettings;
    working.Function = kDefaultFunctionSettings;
    working.Edit = kDefaultEditRules;
    working.Device = kDefaultDeviceSettings;
    return working;
}

void SetText(char16_t (&field)[kSettingsTextUnits], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.end(), field);
}

TEST(CommunicationPage, ShowsTheWorkingSettings) {
    WorkingSettings working = Defaults();
    SetText(working.Communication.CommPort, u"COM256");
    working.Communication.Protocol = u'4';
    const CommunicationPageView view = ShowCommunicationPage(working.Communication);
    EXPECT_EQ(view.PortIndex, 255);
    EXPECT_EQ(view.BaudIndex, 5);  // "4800"
    EXPECT_EQ(view.ProtocolIndex, 4);
    EXPECT_EQ(view.DataBitChecked, 1);
    EXPECT_EQ(view.StopBitChecked, 1);
    EXPECT_EQ(view.ParityChecked, 0);
    EXPECT_EQ(view.FlowControlChecked, 1);
    EXPECT_EQ(PortName(1), u"COM1");
    EXPECT_EQ(PortName(256), u"COM256");
}

TEST(CommunicationPage, ValuesOutsideTheListsShowDefaultsButStayStored) {
    WorkingSettings working = Defaults();
    SetText(working.Communication.CommPort, u"COM01");
    SetText(working.Communication.BaudRate, u"14400");
    working.Communication.Protocol = u'9';
    working.Communication.Parity = u'X';
    const CommunicationPageView view = ShowCommunicationPage(working.Communication);
    EXPECT_EQ(view.PortIndex, 0);       // "COM1" shown
    EXPECT_EQ(view.BaudIndex, -1);      // nothing selected
    EXPECT_EQ(view.ProtocolIndex, 0);
    EXPECT_EQ(view.ParityChecked, -1);  // no button of the group
    // Picking "COM1" is then a change, and so is the first protocol.
    EXPECT_TRUE(SelectPort(working, 0, u"COM1"));
    EXPECT_TRUE(SelectProtocol(working, 0));
    EXPECT_EQ(working.Communication.Protocol, u'0');
}

TEST(CommunicationPage, BaudListSelectsTheFirstEntryBeginningWithTheTextIgnoringCase) {
    WorkingSettings working = Defaults();
    SetText(working.Communication.BaudRate, u"1");
    EXPECT_EQ(ShowCommunicationPage(working.Communication).BaudIndex, 0);  // "110"
    SetText(working.Communication.BaudRate, u"19");
    EXPECT_EQ(ShowCommunicationPage(working.Communication).BaudIndex, 7);  // "19200"
}

TEST(CommunicationPage, OnlyRealChangesSetTheFlag) {
    WorkingSettings working = Defaults();
    EXPECT_FALSE(SelectPort(working, 0, u"COM1"));
    EXPECT_FALSE(SelectBaudRate(working, 5));
    EXPECT_FALSE(SelectProtocol(working, 1));
    EXPECT_FALSE(SelectRadio(working, kParityGroup, 0));
    EXPECT_FALSE(SelectRadio(working, kParityGroup, -1));  // no button checked
    EXPECT_FALSE(working.CommChanged);

    EXPECT_TRUE(SelectPort(working, 4, u"COM5"));
    EXPECT_TRUE(SelectBaudRate(working, 10));
    EXPECT_TRUE(SelectProtocol(working, 6));
    EXPECT_TRUE(SelectRadio(working, kParityGroup, 2));
    EXPECT_TRUE(SelectRadio(working, kFlowControlGroup, 2));
    EXPECT_TRUE(SelectRadio(working, kDataBitGroup, 0));
    EXPECT_TRUE(SelectRadio(working, kStopBitGroup, 0));
    EXPECT_TRUE(working.CommChanged);
    const CommunicationSettings& c = working.Communication;
    EXPECT_EQ(std::u16string(c.CommPort), u"COM5");
    EXPECT_EQ(std::u16string(c.BaudRate), u"115200");
    EXPECT_EQ(std::u16string({c.Parity, c.FlowControl, c.DataBit, c.StopBit, c.Protocol}), u"ER716");
}

TEST(CommunicationPage, SelectionsOutsideTheListsAreIgnored) {
    WorkingSettings working = Defaults();
    EXPECT_FALSE(SelectPort(working, 256, u"COM257"));
    EXPECT_FALSE(SelectPort(working, -1, u"COM2"));
    EXPECT_FALSE(SelectPort(working, 3, u""));
    EXPECT_FALSE(SelectBaudRate(working, 11));
    EXPECT_FALSE(SelectProtocol(working, 7));
    EXPECT_FALSE(working.CommChanged);
}

TEST(CommunicationPage, DeviceBoxesTakeValidValuesAndMarkInvalidOnes) {
    const struct {
        int id;
        std::u16string text;
        std::u16string stored;  // what the device's values hold afterwards
        bool valid;
    } rows[] = {
        {1067, u"10", u"10", true},           {1067, u"05000", u"5000", true},    {1067, u"9", u"50", false},
        {1067, u"5001", u"50", false},        {1067, u"", u"50", false},          {1069, u"00", u"0", true},
        {1069, u"200", u"200", true},         {1069, u"3600000", u"3600000", true},
        {1069, u"199", u"0", false},          {1069, u"3600001", u"0", false},    {1070, u"100", u"100", true},
        {1070, u"60000", u"60000", true},     {1070, u"0", u"2000", false},       {1070, u"60001", u"2000", false},
        {1068, u"Q\\r\\n", u"Q\\r\\n", true}, {1068, u"\\x1BP", u"\\x1BP", true},
        {1068, u"S{HH}", u"S{HH}", true},     {1068, u"\\x", u"", false},       {1068, u"\u00E9", u"", false},
        {1068, std::u16string(33, u'Q'), u"", false},
    };
    for (const auto& row : rows) {
        WorkingSettings working = Defaults();
        CommunicationPageState page{};
        BeginCommunicationPage(page, working.Device);
        const int index = DeviceBoxIndex(row.id);
        EXPECT_TRUE(TypeDeviceValue(page, working, index, row.text)) << row.id;
        EXPECT_EQ(DeviceValuesValid(page), row.valid) << row.id;
        EXPECT_EQ(CommunicationNote(page).find(kDeviceBoxes[index].Name) != std::u16string::npos, !row.valid)
            << row.id;
        EXPECT_EQ(DeviceBoxText(working.Device, index), row.stored) << row.id;
        EXPECT_EQ(page.Typed[index], row.text) << row.id;  // the box keeps what was typed
        // Cancel asks for any invalid text, and for a valid one of another value.
        EXPECT_EQ(working.DeviceChanged, !row.valid || row.stored != DeviceBoxText(kDefaultDeviceSettings, index))
            << row.id;
        EXPECT_FALSE(working.CommChanged) << row.id;
    }
}

TEST(CommunicationPage, TheNoteNamesTheFirstInvalidBoxThenAHeldHotKey) {
    WorkingSettings working = Defaults();
    CommunicationPageState page{};
    BeginCommunicationPage(page, working.Device);
    for (int index = 0; index < kDeviceBoxCount; ++index)  // the page's own filling changes nothing
        EXPECT_FALSE(TypeDeviceValue(page, working, index, DeviceBoxText(kDefaultDeviceSettings, index)));
    EXPECT_FALSE(working.DeviceChanged);
    EXPECT_EQ(CommunicationNote(page), u"");
    TypeDeviceValue(page, working, DeviceBoxIndex(1070), u"50");
    TypeDeviceValue(page, working, DeviceBoxIndex(1069), u"100");
    EXPECT_EQ(CommunicationNote(page), u"「要求間隔」は 0 か 200～3600000 の数にしてください（適用できません）");
    TypeDeviceValue(page, working, DeviceBoxIndex(1069), u"1000");
    EXPECT_EQ(CommunicationNote(page), u"「応答待ち」は 100～60000 の数にしてください（適用できません）");
    TypeDeviceValue(page, working, DeviceBoxIndex(1070), u"500");
    EXPECT_TRUE(DeviceValuesValid(page));
    EXPECT_EQ(working.Device.RequestInterval, 1000u);
    EXPECT_EQ(working.Device.RequestTimeout, 500u);

    // Apply saved: a hot key is checked only when it names a key and differs
    // from the one saved before; the note tells while it stays so.
    EXPECT_FALSE(HotKeyToCheck(page, working.Device));  // 0000, as at the start
    EXPECT_TRUE(SetKey(working.DeviceChanged, working.Device.RequestHotKey, 42));  // F9
    EXPECT_TRUE(SetModifier(working.DeviceChanged, working.Device.RequestHotKey, kChordCtrl, true));
    EXPECT_TRUE(HotKeyToCheck(page, working.Device));
    HotKeyChecked(page, true);
    EXPECT_EQ(CommunicationNote(page), u"「要求キー」は他のプログラムが使用中です（設定は保存されました）");
    EXPECT_FALSE(HotKeyToCheck(page, working.Device));  // saved again unchanged: not checked again
    TypeDeviceValue(page, working, DeviceBoxIndex(1067), u"1");
    EXPECT_NE(CommunicationNote(page).find(u"「受信間隔」は 10～5000"), std::u16string::npos);  // invalid first
    TypeDeviceValue(page, working, DeviceBoxIndex(1067), u"100");
    EXPECT_TRUE(SetKey(working.DeviceChanged, working.Device.RequestHotKey, 0));  // no key: nothing to check
    EXPECT_FALSE(HotKeyToCheck(page, working.Device));
    EXPECT_EQ(CommunicationNote(page), u"");
    EXPECT_FALSE(working.CommChanged);
}

TEST(FunctionPage, KeyTableHas49EntriesWithNoKeyFirst) {
    EXPECT_EQ(std::u16string(KeyTable[0].Text), u"付加しない");
    EXPECT_EQ(KeyTable[0].VirtualKey, 0x00);
    EXPECT_EQ(KeyTable[1].VirtualKey, 0x0D);
    EXPECT_EQ(KeyTable[33].VirtualKey, 0x5A);
    EXPECT_EQ(KeyTable[48].VirtualKey, 0xA3);
    EXPECT_EQ(std::u16string(KeyTable[46].Text), u", (コンマ)");
}

TEST(FunctionPage, ShowKeyChord) {
    const struct {
        KeyChord chord;
        KeyChordView view;
    } cases[] = {
        {0x0000, {0, false, false, false, false}},
        {0x000D, {1, false, false, false, true}},
        {0x0241, {8, false, true, false, true}},
        {0x0709, {2, true, true, true, true}},
        {0x0131, {0, true, false, false, false}},  // "1" is not in the list: shown as no key
        {0x0825, {3, false, false, false, true}},
    };
    for (const auto& c : cases) {
        const KeyChordView view = ShowKeyChord(c.chord);
        EXPECT_EQ(view.ListIndex, c.view.ListIndex) << std::hex << c.chord;
        EXPECT_EQ(view.Shift, c.view.Shift) << std::hex << c.chord;
        EXPECT_EQ(view.Ctrl, c.view.Ctrl) << std::hex << c.chord;
        EXPECT_EQ(view.Alt, c.view.Alt) << std::hex << c.chord;
        EXPECT_EQ(view.BoxesEnabled, c.view.BoxesEnabled) << std::hex << c.chord;
    }
}

TEST(FunctionPage, SetKeyKeepsModifiersAndOtherBits) {
    WorkingSettings working = Defaults();
    KeyChord chord = 0x0B41;  // Ctrl, Shift, extended, "A"
    EXPECT_FALSE(SetKey(working.FunctionChanged, chord, 8));  // "A" again
    EXPECT_FALSE(working.FunctionChanged);
    EXPECT_TRUE(SetKey(working.FunctionChanged, chord, 0));  // no key: the modifiers stay
    EXPECT_EQ(chord, 0x0B00);
    EXPECT_TRUE(SetKey(working.FunctionChanged, chord, 2));
    EXPECT_EQ(chord, 0x0B09);
    EXPECT_TRUE(working.FunctionChanged);
    EXPECT_FALSE(SetKey(working.FunctionChanged, chord, 49));
}

TEST(FunctionPage, ModifierFollowsItsBoxAndToggledBackStaysChanged) {
    WorkingSettings working = Defaults();
    KeyChord chord = 0x0841;
    EXPECT_FALSE(SetModifier(working.FunctionChanged, chord, kChordShift, false));
    EXPECT_TRUE(SetModifier(working.FunctionChanged, chord, kChordShift, true));
    EXPECT_EQ(chord, 0x0941);
    EXPECT_TRUE(SetModifier(working.FunctionChanged, chord, kChordShift, false));
    EXPECT_EQ(chord, 0x0841);  // back to the first value, bit 11 untouched
    EXPECT_TRUE(working.FunctionChanged);  // Apply stays enabled
}

TEST(FunctionPage, SecondTerminatorGroupFollowsTheKeyBytes) {
    FunctionSettings settings = kDefaultFunctionSettings;
    settings.TermKey1 = 0x0000;
    settings.TermKey2 = 0x0009;
    EXPECT_FALSE(TermKey2GroupState(settings).ListEnabled);
    EXPECT_FALSE(TermKey2GroupState(settings).BoxesEnabled);
    settings.TermKey1 = 0x0031;  // a key outside the list still counts
    EXPECT_TRUE(TermKey2GroupState(settings).ListEnabled);
    EXPECT_TRUE(TermKey2GroupState(settings).BoxesEnabled);
    settings.TermKey2 = 0x0100;
    EXPECT_TRUE(TermKey2GroupState(settings).ListEnabled);
    EXPECT_FALSE(TermKey2GroupState(settings).BoxesEnabled);
}

TEST(FunctionPage, SliderAndBoxes) {
    WorkingSettings working = Defaults();
    EXPECT_FALSE(SetKeySpeed(working, 5));
    EXPECT_FALSE(SetKeySpeed(working, 10));
    EXPECT_FALSE(SetKeySpeed(working, -1));
    EXPECT_FALSE(working.FunctionChanged);
    EXPECT_TRUE(SetKeySpeed(working, 0));
    EXPECT_EQ(working.Function.KeySpeed, 0);
    EXPECT_FALSE(SetYesNo(working, working.Function.TrayIcon, true));
    EXPECT_TRUE(SetYesNo(working, working.Function.TrayIcon, false));
    EXPECT_EQ(working.Function.TrayIcon, u'N');
    EXPECT_TRUE(SetYesNo(working, working.Function.CapsLock, true));
    EXPECT_EQ(working.Function.CapsLock, u'Y');
}

TEST(FunctionPage, CharacterCodeListAndImeBox) {
    EXPECT_EQ(std::u16string(kCharacterCodeTexts[0]), u"ASCII (英数字のみ)");
    EXPECT_EQ(std::u16string(kCharacterCodeTexts[1]), u"シフトJIS");
    EXPECT_EQ(std::u16string(kCharacterCodeTexts[3]), u"自動判別");
    EXPECT_EQ(CharacterCodeIndex(u'0'), 0);
    EXPECT_EQ(CharacterCodeIndex(u'3'), 3);
    EXPECT_EQ(CharacterCodeIndex(u'4'), 0);  // outside the list: the first entry is shown
    EXPECT_EQ(CharacterCodeIndex(0), 0);

    WorkingSettings working = Defaults();
    EXPECT_FALSE(SelectCharacterCode(working, 0));
    EXPECT_FALSE(SelectCharacterCode(working, 4));
    EXPECT_FALSE(SelectCharacterCode(working, -1));  // CB_ERR: nothing selected
    EXPECT_FALSE(SetYesNo(working, working.Function.ImeOff, true));
    EXPECT_FALSE(ApplyEnabled(working));
    EXPECT_TRUE(SelectCharacterCode(working, 1));
    EXPECT_EQ(working.Function.CharacterCode, u'1');
    EXPECT_TRUE(ApplyEnabled(working));  // and so Cancel asks before dropping it
    EXPECT_TRUE(SetYesNo(working, working.Function.ImeOff, false));
    EXPECT_EQ(working.Function.ImeOff, u'N');

    working.FunctionChanged = false;
    working.Function.CharacterCode = u'7';
    EXPECT_TRUE(SelectCharacterCode(working, 0));  // picking the entry shown replaces the stored code
    EXPECT_EQ(working.Function.CharacterCode, u'0');
}

// GetLocalTime at 2024-03-05 07:08:09.
struct FixedClock final : Clock {
    LocalTime Now() override { return LocalTime{2024, 3, 5, 7, 8, 9}; }
};

// A page opened on the rules, then each "id=text" typed into its box.
struct EditPage {
    explicit EditPage(std::initializer_list<std::pair<int, std::u16string>> typed = {}) {
        BeginEditPage(state, working.Edit);
        for (const auto& [id, text] : typed) TypeRule(state, working, RuleBoxIndex(id), text);
    }
    std::u16string Preview(std::u16string_view sample) {
        state.Sample = sample;
        FixedClock clock;
        return PreviewText(state, working, clock);
    }
    WorkingSettings working = Defaults();
    EditPageState state{};
};

TEST(EditPage, RuleBoxesTakeValidTextAndMarkInvalidText) {
    const struct {
        int id;
        std::u16string text;
        std::u16string stored;  // what the rules hold afterwards
    } rows[] = {
        {1035, u"0013", u"13"},  {1035, u"1023", u"1023"},    {1035, u"1024", u"0"},   {1036, u"", u"0"},
        {1037, u"1a", u"0"},     {1041, u"\\x1D", u"\\x1D"},  {1041, u"\\x1", u""},    {1041, u"{HH}", u"{HH}"},
        {1049, u"\\t", u"\\t"},  {1049, std::u16string(33, u'x'), u""},               {1057, u"\\r\\n", u"\\r\\n"},
        {1057, u"123456789", u""},                            {1062, u"{yyyy}{{", u"{yyyy}{{"},
        {1063, u"{zz}", u""},    {1063, u"\\", u""},          {1063, std::u16string(64, u'x'), std::u16string(64, u'x')},
    };
    for (const auto& row : rows) {
        EditPage page({{row.id, row.text}});
        const int index = RuleBoxIndex(row.id);
        const bool valid = row.stored == row.text || row.id == 1035 && row.text == u"0013";
        EXPECT_EQ(EditRulesValid(page.state), valid) << row.id;
        EXPECT_EQ(InvalidRuleNote(page.state).find(kRuleBoxes[index].Name) != std::u16string::npos, !valid) << row.id;
        EXPECT_EQ(RuleBoxText(page.working.Edit, index), row.stored) << row.id;
        EXPECT_EQ(page.state.Typed[index], row.text) << row.id;  // the box keeps what was typed
        EXPECT_TRUE(page.working.EditChanged) << row.id;        // Cancel asks either way
    }
}

TEST(EditPage, TheFirstInvalidBoxIsNamedUntilCorrected) {
    EditPage page({{1063, u"{x}"}, {1036, u"2000"}});
    EXPECT_NE(InvalidRuleNote(page.state).find(u"「最大桁数」"), std::u16string::npos);
    EXPECT_EQ(page.Preview(u"A"), u"");  // no result while a rule is invalid
    TypeRule(page.state, page.working, RuleBoxIndex(1036), u"20");
    EXPECT_NE(InvalidRuleNote(page.state).find(u"「末尾に付加」"), std::u16string::npos);
    TypeRule(page.state, page.working, RuleBoxIndex(1063), u"{ss}");
    EXPECT_TRUE(EditRulesValid(page.state));
    EXPECT_EQ(InvalidRuleNote(page.state), u"");
    EXPECT_EQ(page.working.Edit.LengthMax, 20);
}

TEST(EditPage, OnlyRealChangesSetTheFlag) {
    EditPage page;
    // The page's own filling of its boxes echoes what they hold.
    for (int index = 0; index < kRuleBoxCount; ++index)
        EXPECT_FALSE(TypeRule(page.state, page.working, index, RuleBoxText(kDefaultEditRules, index)));
    EXPECT_TRUE(TypeRule(page.state, page.working, RuleBoxIndex(1037), u"00"));  // another text, the same value
    EXPECT_FALSE(TypeRule(page.state, page.working, -1, u"1"));
    EXPECT_FALSE(page.working.EditChanged);
    EXPECT_FALSE(ApplyEnabled(page.working));
    EXPECT_TRUE(SetKey(page.working.EditChanged, page.working.Edit.FieldKey, 1));  // the field key: Enter
    EXPECT_TRUE(ApplyEnabled(page.working));
}

TEST(EditPage, PreviewShowsWhatWouldBeTypedWithKeysInBrackets) {
    using Typed = std::initializer_list<std::pair<int, std::u16string>>;
    const Typed weighing = {{1037, u"3"}, {1038, u"3"}, {1041, u"+0"}, {1049, u"+"}, {1042, u"+0"}, {1050, u"+"},
                            {1043, u"+0"}, {1051, u"+"}, {1044, u"+0"}, {1052, u"+"}, {1045, u"+"}};
    const struct {
        Typed typed;
        KeyChord fieldKey, headKey, term1, term2;
        std::u16string sample, shown;
    } rows[] = {
        {{}, 0x0009, 0, 0x000D, 0, u"ABC", u"ABC[Enter]"},
        {{{1057, u"\\x1D"}}, 0x0009, 0, 0x000D, 0, u"01\\x1D10AB\\x1D17", u"01[Tab]10AB[Tab]17[Enter]"},
        {{{1057, u","}}, 0x0109, 0, 0, 0, u"A,B", u"A[Shift+Tab]B"},
        {weighing, 0x0009, 0, 0x000D, 0, u"ST,+00123.45  g", u"123.45[Enter]"},
        {weighing, 0x0009, 0, 0x000D, 0, u"US,+00000.12  g", u"0.12[Enter]"},
        {{{1063, u"\\t{yyyy}/{MM}/{dd} {HH}:{mm}"}}, 0x0009, 0, 0x000D, 0, u"12.5",
         u"12.5[Tab]2024/03/05 07:08[Enter]"},
        {{{1049, u"\\r\\n"}, {1041, u";"}}, 0x0009, 0, 0, 0, u"A;B", u"A[Enter]B"},
        {{{1035, u"13"}}, 0x0009, 0, 0x000D, 0, u"490123456789", u"（桁数が設定と違うため、入力されません）"},
        {{{1037, u"5"}, {1062, u"<"}, {1063, u">"}}, 0x0009, 0, 0x000D, 0, u"ABC", u"<>[Enter]"},
        {{}, 0x0009, 0x0241, 0x00FF, 0x0009, u"X\\tY", u"[Ctrl+A]XY[Tab]"},  // a data tab is no key
        {{}, 0x0009, 0, 0x0000, 0x0009, u"X", u"X"},  // no first terminator: none at all
        {{{1057, u"-"}}, 0x00FE, 0, 0, 0, u"A-B", u"A[キーFE]B"},
    };
    for (const auto& row : rows) {
        EditPage page(row.typed);
        page.working.Edit.FieldKey = row.fieldKey;
        page.working.Function.HeadKey = row.headKey;
        page.working.Function.TermKey1 = row.term1;
        page.working.Function.TermKey2 = row.term2;
        EXPECT_EQ(page.Preview(row.sample), row.shown) << std::string(row.sample.begin(), row.sample.end());
    }
}

TEST(EditPage, SampleEscapesRoundTripAndTheLastFrameOpensThePageOnce) {
    const std::u16string frame = u"01\\x1D\x1D" u"A\t\r\n\\\x7F\u00E9\u6771";
    EXPECT_EQ(EscapeSample(frame), u"01\\\\x1D\\x1DA\\t\\r\\n\\\\\\x7F\u00E9\u6771");
    EXPECT_EQ(ExpandSample(EscapeSample(frame)), frame);
    EXPECT_EQ(EscapeSample(std::u16string(u"\0\x1F ", 3)), u"\\x00\\x1F ");
    // A backslash that starts no escape is itself in a sample.
    EXPECT_EQ(ExpandSample(u"\\q\\x4\\x4g\\"), u"\\q\\x4\\x4g\\");
    EXPECT_EQ(ExpandSample(u"\\X41\\x1d"), u"\\X41\x1D");

    EditPage page;
    OpenEditPage(page.state, u"A\x1D" u"B");
    EXPECT_EQ(page.state.Sample, u"A\\x1DB");
    page.state.Sample = u"typed";
    OpenEditPage(page.state, u"later frame");  // a page switch keeps what the user typed
    EXPECT_EQ(page.state.Sample, u"typed");
    BeginEditPage(page.state, page.working.Edit);  // the next run asks again
    OpenEditPage(page.state, u"");
    EXPECT_EQ(page.state.Sample, u"");
}

class RecordingActions : public SettingsWindowActions {
public:
    SaveQuestionAnswer AskToSaveChanges() override {
        calls.push_back("ask");
        return answer;
    }
    void PostClose() override { calls.push_back("close"); }
    void AfterApply() override { calls.push_back("after apply"); }
    void ShowHelp() override { calls.push_back("help"); }
    void ShowAbout() override { calls.push_back("about"); }
    std::int32_t SaveSettings() override {
        calls.push_back("save");
        return saveResult;
    }
    bool PagesValid() override {
        if (!valid) calls.push_back("refused");
        return valid;
    }
    bool valid = true;
    SaveQuestionAnswer answer = SaveQuestionAnswer::Yes;
    std::int32_t saveResult = 0;
    std::vector<std::string> calls;
};

struct Window {
    Window() { BeginSettingsRun(state, working); }
    void Command(int command) { HandleSettingsCommand(state, working, actions, command); }
    // The thread's end code for a window destroyed with its exit code.
    std::int32_t End() { return FinishSettingsRun(state, state.SettingsExitCode, actions); }
    SettingsWindowState state{};
    WorkingSettings working = Defaults();
    RecordingActions actions;
};

using Calls = std::vector<std::string>;

TEST(SettingsWindow, OkWithNothingChangedStillSavesAndEndsWithZero) {
    Window window;
    window.Command(kCommandOk);
    EXPECT_EQ(window.End(), 0);
    EXPECT_EQ(window.actions.calls, (Calls{"close", "save"}));
}

TEST(SettingsWindow, CancelAsksOnlyWhenSomethingChanged) {
    Window unchanged;
    unchanged.Command(kCommandCancel);
    EXPECT_EQ(unchanged.End(), 0);
    EXPECT_EQ(unchanged.actions.calls, Calls{"close"});  // no question, no save

    const struct {
        SaveQuestionAnswer answer;
        Calls calls;
    } answers[] = {{SaveQuestionAnswer::Yes, {"ask", "close", "save"}},
                   {SaveQuestionAnswer::No, {"ask", "close"}},
                   {SaveQuestionAnswer::Cancel, {"ask"}}};
    for (const auto& a : answers) {
        Window window;
        window.working.FunctionChanged = true;
        window.actions.answer = a.answer;
        window.Command(kCommandCancel);
        if (a.answer != SaveQuestionAnswer::Cancel) EXPECT_EQ(window.End(), 0);
        EXPECT_EQ(window.actions.calls, a.calls);
        if (a.answer == SaveQuestionAnswer::Cancel) {
            EXPECT_TRUE(window.working.FunctionChanged);  // edits and flags stay
            EXPECT_TRUE(window.state.SaveOnClose);
        }
    }
}

TEST(SettingsWindow, ApplySavesClearsTheFlagsAndCancelAfterItAsksNothing) {
    for (bool WorkingSettings::*flag : {&WorkingSettings::CommChanged, &WorkingSettings::FunctionChanged,
                                        &WorkingSettings::EditChanged, &WorkingSettings::DeviceChanged}) {
        Window window;
        window.working.*flag = true;
        EXPECT_TRUE(ApplyEnabled(window.working));
        window.Command(kCommandApply);
        EXPECT_FALSE(ApplyEnabled(window.working));
        window.Command(kCommandCancel);
        EXPECT_EQ(window.End(), 0);
        EXPECT_EQ(window.actions.calls, (Calls{"save", "after apply", "close"}));
    }
}

TEST(SettingsWindow, AnInvalidRuleStopsOkApplyAndYesButNotNo) {
    const struct {
        std::vector<int> commands;
        SaveQuestionAnswer answer;
        Calls calls;
    } rows[] = {{{kCommandOk}, SaveQuestionAnswer::Yes, {"refused"}},
                {{kCommandApply}, SaveQuestionAnswer::Yes, {"refused"}},
                {{kCommandCancel}, SaveQuestionAnswer::Yes, {"ask", "refused"}},
                {{kCommandCancel}, SaveQuestionAnswer::No, {"ask", "close"}}};
    for (const auto& row : rows) {
        Window window;
        window.working.EditChanged = true;
        window.actions.valid = false;
        window.actions.answer = row.answer;
        for (int command : row.commands) window.Command(command);
        EXPECT_EQ(window.actions.calls, row.calls);
        EXPECT_TRUE(window.working.EditChanged);
    }
    Window window;  // valid again: Apply saves and clears the flag, as a new run does
    window.working.EditChanged = true;
    window.Command(kCommandApply);
    EXPECT_FALSE(ApplyEnabled(window.working));
    window.working.EditChanged = true;
    BeginSettingsRun(window.state, window.working);
    EXPECT_FALSE(ApplyEnabled(window.working));
    EXPECT_EQ(window.actions.calls, (Calls{"save", "after apply"}));
}

TEST(SettingsWindow, ApplyFailureClosesAtOnceWithItsCodeAndNoSecondSave) {
    for (std::int32_t failure : {4, 6}) {
        Window window;
        window.working.FunctionChanged = true;
        window.actions.saveResult = failure;
        window.Command(kCommandApply);
        EXPECT_EQ(window.End(), failure);
        EXPECT_EQ(window.actions.calls, (Calls{"save", "after apply", "close"}));
    }
}

TEST(SettingsWindow, MenuExitDropsEditsWithoutAQuestion) {
    Window window;
    window.working.CommChanged = true;
    window.Command(kMenuExit);
    EXPECT_EQ(window.End(), 1);
    EXPECT_EQ(window.actions.calls, Calls{"close"});
}

TEST(SettingsWindow, SaveFailureAtTheEndIsTheEndCode) {
    Window window;
    window.actions.saveResult = 6;
    window.Command(kCommandOk);
    EXPECT_EQ(window.End(), 6);
}

TEST(SettingsWindow, WindowOrPageFailuresEndWithoutSaving) {
    Window window;
    EXPECT_EQ(FinishSettingsRun(window.state, kDialogPageFailed, window.actions), kDialogPageFailed);
    EXPECT_TRUE(window.actions.calls.empty());
}

TEST(SettingsWindow, HelpAboutAndUnknownCommands) {
    Window window;
    window.Command(kMenuHelp);
    window.Command(kMenuAbout);
    window.Command(1003);
    EXPECT_EQ(window.actions.calls, (Calls{"help", "about"}));
}

}  // namespace
}  // namespace tellurin
