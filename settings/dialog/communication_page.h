// The communication page's decisions: what its lists offer, what they show for
// the working settings, and what a selection changes. A value is written only
// when it differs, so CommChanged is set only by a real change.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace tellurin
