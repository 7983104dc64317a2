// The settings library client; see library_client.h.
#include "resident/shell/library_client.h"

#include "common/message_codes.h"

namespace tellurin {
namespace {

// The library loaded for one operation, freed when the operation ends unless
// it is kept. Its entries are found only when it speaks this program's
// interface; one that does not is foreign, and nothing in it is ever called.
class BoundLibrary {
public:
    explicit BoundLibrary(SettingsLibraryClient& client) : client_(client) {
        const std::u16string path = LibraryPath(client.ProgramDirectory);
        if (!path.empty()) module_ = client.Binding->Load(path.c_str());
        if (module_ != nullptr) ownInterface_ = IsOwnInterface(client.Binding->Find(module_, kLibraryInterfaceName));
    }
    ~BoundLibrary() {
        if (module_ != nullptr) client_.Binding->Free(module_);
    }
    BoundLibrary(const BoundLibrary&) = delete;
    BoundLibrary& operator=(const BoundLibrary&) = delete;

    // Loaded, but of another release: the caller refuses it with RefuseForeignLibrary.
    bool Foreign() const { return module_ != nullptr && !ownInterface_; }
    void* Find(const char* name) { return ownInterface_ ? client_.Binding->Find(module_, name) : nullptr; }
    void* Keep() {
        void* module = module_;
        module_ = nullptr;
        return module;
    }

private:
    SettingsLibraryClient& client_;
    void* module_ = nullptr;
    bool ownInterface_ = false;
};

// The program does not go on with a library it cannot trust with its records:
// after this message every operation fails and the window ends the program,
// whose exit code is then this message's.
void RefuseForeignLibrary(SettingsLibraryClient& client) {
    ShowMessage(*client.Reporter, MessageWrongLibraryVersion, 0);
}

}  // namespace

std::u16string LibraryPath(const std::u16string& programDirectory) {
    if (programDirectory.empty()) return {};
    std::u16string path = programDirectory;
    if (path.back() != u'\\') path += u'\\';
    path += u"TELLURS.DLL";
    if (path.size() + 1 > kPathUnits) return {};
    return path;
}

bool StartSettingsDialog(SettingsLibraryClient& client, void* owner) {
    BoundLibrary library(client);
    if (library.Foreign()) {
        RefuseForeignLibrary(client);
        return false;
    }
    auto entry = reinterpret_cast<SettingsDialogEntry>(library.Find(kSettingsDialogEntryName));
    std::int32_t code = MessageSetupNotStarted;
    if (entry != nullptr)
        code = entry(owner, client.ProgramDirectory.c_str(), client.Communication, client.Function);
    if (code == MessageNone) {
        client.SettingsLibrary = library.Keep();  // its dialog thread runs in it
        return true;
    }
    ShowMessage(*client.Reporter, code, FailureSettingsDialogStart);
    return false;
}

bool FinishSettingsDialog(SettingsLibraryClient& client) {
    auto entry = client.SettingsLibrary != nullptr
                     ? reinterpret_cast<SettingsDialogEntry>(
                           client.Binding->Find(client.SettingsLibrary, kSettingsDialogEntryName))
                     : nullptr;
    const std::int32_t code = entry != nullptr ? entry(nullptr, nullptr, nullptr, nullptr) : MessageFunctionFailure;
    if (code == kSettingsDialogStillRunning) {
        // Its thread still runs inside the library: unloading would pull the
        // code from under it. The load is given up unfreed, so the library
        // stays loaded for the life of the process.
        client.SettingsLibrary = nullptr;
        ShowMessage(*client.Reporter, MessageFunctionFailure, FailureSettingsDialogEnd);
        return false;
    }
    if (client.SettingsLibrary != nullptr) client.Binding->Free(client.SettingsLibrary);
    client.SettingsLibrary = nullptr;
    if (code == MessageNone) return true;
    if (code != MessageEndProgram) ShowMessage(*client.Reporter, code, FailureSettingsDialogEnd);
    return false;
}

bool LoadSettings(SettingsLibraryClient& client) {
    BoundLibrary library(client);
    if (library.Foreign()) {
        RefuseForeignLibrary(client);
        return false;
    }
    auto entry = reinterpret_cast<LoadSettingsEntry>(library.Find(kLoadSettingsEntryName));
    auto editEntry = reinterpret_cast<LoadEditRulesEntry>(library.Find(kLoadEditRulesEntryName));
    auto deviceEntry = reinterpret_cast<LoadDeviceSettingsEntry>(library.Find(kLoadDeviceSettingsEntryName));
    if (entry == nullptr || editEntry == nullptr || deviceEntry == nullptr) {
        ShowMessage(*client.Reporter, MessageSettingsNotRead, 0);
        return false;
    }
    (void)entry(client.Communication, client.Function);  // fields not read keep their values
    client.Edit->Size = sizeof(EditRules);
    (void)editEntry(client.Edit);  // a refused record keeps the rules it had
    client.Device->Size = sizeof(DeviceSettings);
    (void)deviceEntry(client.Device);  // likewise the device settings
    return true;
}

std::int32_t OpenPortAndReceive(SettingsLibraryClient& client) {
    client.Receiver->StopReceiver();  // any port open so far is closed
    std::int32_t result;
    {
        BoundLibrary library(client);
        if (library.Foreign()) {
            RefuseForeignLibrary(client);
            return kOpenPortWrongLibrary;
        }
        auto entry = reinterpret_cast<OpenPortEntry>(library.Find(kOpenPortEntryName));
        if (entry == nullptr) return kOpenPortLibraryFailure;
        result = entry(*client.Communication, client.Receiver->PortHandleSlot());
    }
    if (result != 0) return result;
    if (*client.Receiver->PortHandleSlot() == kInvalidPortHandle) return 0;
    if (client.Receiver->StartReceiver()) return 0;
    client.Receiver->StopReceiver();
    return kOpenPortReceiverFailure;
}

}  // namespace tellurin
