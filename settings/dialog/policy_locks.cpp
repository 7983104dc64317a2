// The controls behind each stored value; see policy_locks.h. A value is known
// here by its field in the working settings, as the store knows it.
#include "settings/dialog/policy_locks.h"

#include <initializer_list>

#include "settings/dialog/communication_page.h"
#include "settings/dialog/edit_page.h"
#include "settings/dialog/function_page.h"

namespace tellurin {
namespace {

std::vector<int> GroupIds(const RadioGroup& group) {
    std::vector<int> ids;
    for (int index = 0; group.Values[index] != u'\0'; ++index) ids.push_back(group.FirstId + index);
    return ids;
}

std::vector<int> GroupIds(const KeyGroup& group) { return {group.ListId, group.ShiftId, group.CtrlId, group.AltId}; }

}  // namespace

std::vector<int> LockedControlIds(const WorkingSettings& working, int pageIndex) {
    std::vector<int> ids;
    const auto lock = [&](const void* field, const std::vector<int>& controls) {
        if (IsLockedByPolicy(working, field)) ids.insert(ids.end(), controls.begin(), controls.end());
    };
    const CommunicationSettings& communication = working.Communication;
    const FunctionSettings& function = working.Function;
    switch (pageIndex) {
        case 0:
            lock(communication.CommPort, {1003});
            lock(communication.BaudRate, {1004});
            lock(&communication.DataBit, GroupIds(kDataBitGroup));
            lock(&communication.StopBit, GroupIds(kStopBitGroup));
            lock(&communication.Parity, GroupIds(kParityGroup));
            lock(&communication.FlowControl, GroupIds(kFlowControlGroup));
            lock(&communication.Protocol, {1015});
            lock(&working.Device.FrameGap, {kDeviceBoxes[0].Id});
            lock(working.Device.RequestCommand, {kDeviceBoxes[1].Id});
            lock(&working.Device.RequestInterval, {kDeviceBoxes[2].Id});
            lock(&working.Device.RequestTimeout, {kDeviceBoxes[3].Id});
            lock(&working.Device.RequestHotKey, GroupIds(kRequestHotKeyGroup));
            break;
        case 1:
            lock(&function.HeadKey, GroupIds(kHeadKeyGroup));
            lock(&function.TermKey1, GroupIds(kTermKey1Group));
            lock(&function.TermKey2, GroupIds(kTermKey2Group));
            lock(&function.KeySpeed, {kKeySpeedSliderId});
            lock(&function.CapsLock, {kCapsLockBoxId});
            lock(&function.TrayIcon, {kTrayIconBoxId});
            lock(&function.CharacterCode, {kCharacterCodeListId});
            lock(&function.ImeOff, {kImeOffBoxId});
            break;
        case 2:
            for (int index = 0; index < kRuleBoxCount; ++index)
                lock(RuleBoxField(working.Edit, index), {kRuleBoxes[index].Id});
            lock(&working.Edit.FieldKey, GroupIds(kFieldKeyGroup));
            break;
        default: break;
    }
    return ids;
}

}  // namespace tellurin
