// The communication page's decisions: what its lists offer, what they show for
// the working settings, and what a selection changes. A value is written only
// when it differs, so CommChanged is set only by a real change. The page also
// holds the device's values (DeviceChanged): the frame gap, and the request
// command with its interval, time-out and hot key; their boxes behave as the
// data-editing page's do (a valid value is taken, an invalid one is kept as
// typed and stops saving until corrected, and a note names it).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/dialog/function_page.h"
#include "settings/store/settings_store.h"

namespace tellurin {

constexpr int kPortCount = 256;
constexpr int kProtocolCount = 7;  // the stored codes '0' to '6'
extern const char16_t* const kProtocolTexts[kProtocolCount];

// "COM1".."COM256", the port list's entries.
std::u16string PortName(int number);

// A radio group: its button ids in order and the character each stores.
struct RadioGroup {
    int FirstId;
    const char16_t* Values;  // one character per button
};
constexpr RadioGroup kDataBitGroup{1005, u"78"};
constexpr RadioGroup kStopBitGroup{1007, u"12"};
constexpr RadioGroup kParityGroup{1009, u"NOE"};
constexpr RadioGroup kFlowControlGroup{1012, u"NXR"};

// What the page shows when it is created; -1 for a list with no selection,
// and a group with no checked button when its field is outside the set.
struct CommunicationPageView {
    int PortIndex;
    int BaudIndex;
    int ProtocolIndex;
    int DataBitChecked;  // index in the group, or -1
    int StopBitChecked;
    int ParityChecked;
    int FlowControlChecked;
};

CommunicationPageView ShowCommunicationPage(const CommunicationSettings& settings);
int CheckedIndexFor(const RadioGroup& group, char16_t value);

// Handlers; each returns true when the working settings changed (and then
// sets CommChanged).
bool SelectPort(WorkingSettings& working, int index, const std::u16string& text);
bool SelectBaudRate(WorkingSettings& working, int index);
bool SelectProtocol(WorkingSettings& working, int index);
// checkedIndex: the button of the group that is checked now, or -1.
bool SelectRadio(WorkingSettings& working, const RadioGroup& group, int checkedIndex);

// The device's boxes, in the order of kDeviceBoxes.
enum class DeviceBoxKind : std::uint8_t { FrameGap, RequestCommand, RequestInterval, RequestTimeout };
struct DeviceBox {
    int Id;
    const char16_t* Name;  // as the note names it: the label without its mnemonic
    DeviceBoxKind Kind;
};
constexpr int kDeviceBoxCount = 4;
inline constexpr DeviceBox kDeviceBoxes[kDeviceBoxCount] = {
    {1067, u"受信間隔", DeviceBoxKind::FrameGap},
    {1068, u"コマンド", DeviceBoxKind::RequestCommand},
    {1069, u"要求間隔", DeviceBoxKind::RequestInterval},
    {1070, u"応答待ち", DeviceBoxKind::RequestTimeout},
};
constexpr KeyGroup kRequestHotKeyGroup{1071, 1072, 1073, 1074};
constexpr int kCommunicationNoteId = 1075;

// The box of an id, or -1.
int DeviceBoxIndex(int id);

// The page's own state for one run of the dialog: each device box as the user
// left it (kept across page switches), which are invalid, the hot key as last
// saved by Apply, and whether another program held it then.
struct CommunicationPageState {
    std::array<std::u16string, kDeviceBoxCount> Typed;
    std::uint32_t Invalid;  // bit n: kDeviceBoxes[n] does not hold a valid value
    KeyChord AppliedHotKey;
    bool HotKeyHeld;
};

// A new run: the boxes show the device's values (numbers in decimal), all valid.
void BeginCommunicationPage(CommunicationPageState& page, const DeviceSettings& device);

// The text of box `index` for the device's values.
std::u16string DeviceBoxText(const DeviceSettings& device, int index);

// The user changed box `index` to text; as TypeRule on the data-editing page,
// with DeviceChanged. True when the text differs from what the box held.
bool TypeDeviceValue(CommunicationPageState& page, WorkingSettings& working, int index, std::u16string_view text);

bool DeviceValuesValid(const CommunicationPageState& page);

// Apply has saved: true when the hot key is to be checked against the other
// programs', because it names a key and differs from the one saved before. It
// is then the saved one. The check's answer is given to HotKeyChecked.
bool HotKeyToCheck(CommunicationPageState& page, const DeviceSettings& device);
void HotKeyChecked(CommunicationPageState& page, bool heldElsewhere);

// The page's note: the first invalid box, else a hot key held by another
// program, else empty.
std::u16string CommunicationNote(const CommunicationPageState& page);

}  // namespace tellurin
