// The settings library client and start-up over a fake library: entries found
// by name, the library loaded by full path for each operation and freed after
// it (kept only while a dialog runs), and every result turned into its report.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "resident/shell/library_client.h"
#include "resident/shell/message_table.h"
#include "resident/shell/startup.h"

namespace tellurin {
namespace {

// The fake library's behaviour; its entries are plain functions, so they find it here.
struct FakeLibrary {
    std::int32_t dialogStart = 0, dialogFinish = 0, openPort = 0;
    void* openedHandle = reinterpret_cast<void*>(0x4242);  // what a successful open stores
    bool storeHandle = true;
    std::uint32_t interfaceNumber = kLibraryInterface;  // the exported TELLURS_INTERFACE
    std::vector<std::string> entryCalls;
};
FakeLibrary* theLibrary = nullptr;

std::int32_t TELLURS_CALL FakeDialog(void* owner, const char16_t*, CommunicationSettings*, FunctionSettings*) {
    theLibrary->entryCalls.push_back(owner != nullptr ? "dialog start" : "dialog finish");
    return owner != nullptr ? theLibrary->dialogStart : theLibrary->dialogFinish;
}
std::int32_t TELLURS_CALL FakeLoad(CommunicationSettings* communication, FunctionSettings* function) {
    theLibrary->entryCalls.push_back("load");
    communication->Protocol = u'5';
    function->KeySpeed = 9;
    return 1;
}
// Like the library's entry: a record of another size is left alone.
std::int32_t TELLURS_CALL FakeLoadEditRules(EditRules* rules) {
    theLibrary->entryCalls.push_back("load edit rules");
    if (rules->Size != sizeof(EditRules)) return 0;
    rules->CutHead = 4;
    return 1;
}
std::int32_t TELLURS_CALL FakeLoadDeviceSettings(DeviceSettings* device) {
    theLibrary->entryCalls.push_back("load device settings");
    if (device->Size != sizeof(DeviceSettings)) return 0;
    device->FrameGap = 120;
    return 1;
}
std::int32_t TELLURS_CALL FakeOpenPort(CommunicationSettings, void** handle) {
    theLibrary->entryCalls.push_back("open port");
    if (theLibrary->openPort == 0 && theLibrary->storeHandle) *handle = theLibrary->openedHandle;
    return theLibrary->openPort;
}

class FakeBinding : public LibraryBinding {
public:
    void* Load(const char16_t* fullPath) override {
        paths.push_back(fullPath);
        if (!present) return nullptr;
        ++loaded;
        return this;
    }
    void* Find(void* module, const char* name) override {
        EXPECT_EQ(module, this);
        if (missing.count(name) != 0) return nullptr;
        const std::string entry = name;
        if (entry == "TELLURS_00") return reinterpret_cast<void*>(&FakeDialog);
        if (entry == "TELLURS_01") return reinterpret_cast<void*>(&FakeLoad);
        if (entry == "TELLURS_02") return reinterpret_cast<void*>(&FakeOpenPort);
        if (entry == "TELLURS_03") return reinterpret_cast<void*>(&FakeLoadEditRules);
        if (entry == "TELLURS_04") return reinterpret_cast<void*>(&FakeLoadDeviceSettings);
        // GetProcAddress answers a data export with the address of its value.
        if (entry == "TELLURS_INTERFACE") return &theLibrary->interfaceNumber;
        return nullptr;
    }
    void Free(void* module) override {
        EXPECT_EQ(module, this);
        --loaded;
    }
    bool present = true;
    int loaded = 0;  // loads not yet freed
    std::map<std::string, int> missing;
    std::vector<std::u16string> paths;
};

class FakeReceiver : public ReceiverControl {
public:
    void** PortHandleSlot() override { return &handle; }
    bool StartReceiver() override {
        calls.push_back("start");
        return startOk;
    }
    void StopReceiver() override {
        calls.push_back("stop");
        handle = kInvalidPortHandle;
    }
    void* handle = kInvalidPortHandle;
    bool startOk = true;
    std::vector<std::string> calls;
};

class RecordingBox : public MessageBoxSurface {
public:
    void ShowErrorBox(const std::u16string& text) override { texts.push_back(text); }
    std::vector<std::u16string> texts;
};

struct Client {
    Client() {
        theLibrary = &library;
        reporter.Surface = &box;
        edit.Size = 0;  // the client says the records' sizes itself
        device.Size = 0;
        client = SettingsLibraryClient{u"C:\\Tools", &communication, &function, &edit, &device, nullptr, &binding,
                                       &receiver, &reporter};
    }
    ~Client() { theLibrary = nullptr; }
    FakeLibrary library;
    FakeBinding binding;
    FakeReceiver receiver;
    RecordingBox box;
    MessageReporter reporter;
    CommunicationSettings communication = kDefaultCommunicationSettings;
    FunctionSettings function = kDefaultFunctionSettings;
    EditRules edit = kDefaultEditRules;
    DeviceSettings device = kDefaultDeviceSettings;
    SettingsLibraryClient client{};
};

TEST(LibraryClient, LoadCallsTheEntryByFullPathAndFreesTheLibrary) {
    Client c;
    EXPECT_TRUE(LoadSettings(c.client));
    EXPECT_EQ(c.binding.paths, std::vector<std::u16string>{u"C:\\Tools\\TELLURS.DLL"});
    EXPECT_EQ(c.communication.Protocol, u'5');
    EXPECT_EQ(c.edit.CutHead, 4);  // the editing rules come along, in a record that says its size
    EXPECT_EQ(c.device.FrameGap, 120);  // and the device settings
    EXPECT_EQ(c.binding.loaded, 0);
    EXPECT_EQ(c.reporter.LastMessageIndex, 0);
}

TEST(LibraryClient, LoadWithoutLibraryOrEntryShowsCodeFive) {
    Client missingFile;
    missingFile.binding.present = false;
    EXPECT_FALSE(LoadSettings(missingFile.client));
    EXPECT_EQ(missingFile.box.texts, std::vector<std::u16string>{u"設定値の読み取りに失敗しました。"});
    EXPECT_EQ(missingFile.reporter.LastMessageIndex, 5);

    for (const char* entry : {"TELLURS_01", "TELLURS_03", "TELLURS_04"}) {
        Client missingEntry;
        missingEntry.binding.missing[entry] = 1;
        EXPECT_FALSE(LoadSettings(missingEntry.client)) << entry;
        EXPECT_EQ(missingEntry.binding.loaded, 0) << entry;
        EXPECT_EQ(missingEntry.reporter.LastMessageIndex, 5) << entry;
        EXPECT_TRUE(missingEntry.library.entryCalls.empty()) << entry;
    }
}

TEST(LibraryClient, PathsThatDoNotFitAreRefusedNotCut) {
    EXPECT_EQ(LibraryPath(u"C:\\"), u"C:\\TELLURS.DLL");
    EXPECT_EQ(LibraryPath(u""), u"");
    const std::u16string longest(kPathUnits - 1 - 12, u'a');  // plus "\TELLURS.DLL" and the terminator
    EXPECT_EQ(LibraryPath(longest).size(), kPathUnits - 1);
    EXPECT_EQ(LibraryPath(longest + u"a"), u"");

    Client tooLong;
    tooLong.client.ProgramDirectory = longest + u"a";
    EXPECT_FALSE(LoadSettings(tooLong.client));
    EXPECT_TRUE(tooLong.binding.paths.empty());  // nothing was loaded from a cut path
    EXPECT_EQ(tooLong.reporter.LastMessageIndex, 5);
}

TEST(LibraryClient, OpenPortResults) {
    const struct {
        const char* name;
        void (*arrange)(Client&);
        std::int32_t result;
        std::vector<std::string> receiverCalls;
    } cases[] = {
        {"opened and receiving", [](Client&) {}, 0, {"stop", "start"}},
        {"entry missing", [](Client& c) { c.binding.missing["TELLURS_02"] = 1; }, 4, {"stop"}},
        {"library missing", [](Client& c) { c.binding.present = false; }, 4, {"stop"}},
        {"time-outs refused", [](Client& c) { c.library.openPort = 4; }, 4, {"stop"}},
        {"answered yes", [](Client& c) { c.library.openPort = UM_OPEN_SETTINGS; }, UM_OPEN_SETTINGS, {"stop"}},
        {"answered no", [](Client& c) { c.library.openPort = UM_QUIT; }, UM_QUIT, {"stop"}},
        {"success without a handle", [](Client& c) { c.library.storeHandle = false; }, 0, {"stop"}},
        {"receiver cannot start", [](Client& c) { c.receiver.startOk = false; }, 8, {"stop", "start", "stop"}},
    };
    for (const auto& t : cases) {
        Client c;
        c.receiver.handle = reinterpret_cast<void*>(0x99);  // a port from before: always closed first
        t.arrange(c);
        EXPECT_EQ(OpenPortAndReceive(c.client), t.result) << t.name;
        EXPECT_EQ(c.receiver.calls, t.receiverCalls) << t.name;
        EXPECT_EQ(c.binding.loaded, 0) << t.name;
        EXPECT_TRUE(c.box.texts.empty()) << t.name;  // the window decides what to show
    }
}

TEST(LibraryClient, ALibraryOfAnotherInterfaceIsRefusedBeforeAnyEntry) {
    const struct {
        const char* name;
        void (*arrange)(Client&);
    } libraries[] = {
        {"no number (a release from before it)", [](Client& c) { c.binding.missing["TELLURS_INTERFACE"] = 1; }},
        {"a newer number", [](Client& c) { c.library.interfaceNumber = kLibraryInterface + 1; }},
        {"an older number", [](Client& c) { c.library.interfaceNumber = kLibraryInterface - 1; }},
    };
    const struct {
        const char* name;
        std::int32_t (*operation)(Client&);
        std::int32_t result;
    } operations[] = {
        {"load", [](Client& c) -> std::int32_t { return LoadSettings(c.client); }, 0},
        {"dialog start",
         [](Client& c) -> std::int32_t { return StartSettingsDialog(c.client, reinterpret_cast<void*>(0x10)); }, 0},
        {"port opening", [](Client& c) { return OpenPortAndReceive(c.client); }, UM_QUIT},  // the window ends
    };
    for (const auto& library : libraries) {
        for (const auto& operation : operations) {
            Client c;
            library.arrange(c);
            EXPECT_EQ(operation.operation(c), operation.result) << library.name << ", " << operation.name;
            EXPECT_TRUE(c.library.entryCalls.empty()) << library.name << ", " << operation.name;
            EXPECT_EQ(c.box.texts, std::vector<std::u16string>{u"TELLURS.DLLの版が違います。"}) << library.name;
            EXPECT_EQ(c.reporter.LastMessageIndex, 13) << library.name << ", " << operation.name;
            EXPECT_EQ(c.binding.loaded, 0) << library.name << ", " << operation.name;
        }
    }
}

// The library's side of the same check, on the number the program exports.
TEST(LibraryInterface, OnlyThisBuildsNumberIsOwn) {
    const struct {
        bool exported;
        std::uint32_t number;
        bool own;
    } cases[] = {
        {true, kLibraryInterface, true},
        {false, kLibraryInterface, false},  // a program from before the number
        {true, kLibraryInterface + 1, false},
        {true, kLibraryInterface - 1, false},
    };
    for (const auto& t : cases)
        EXPECT_EQ(IsOwnInterface(t.exported ? &t.number : nullptr), t.own) << t.exported << " " << t.number;
}

TEST(LibraryClient, DialogStartKeepsTheLibraryUntilItsFinish) {
    Client c;
    EXPECT_TRUE(StartSettingsDialog(c.client, reinterpret_cast<void*>(0x10)));
    EXPECT_EQ(c.binding.loaded, 1);
    EXPECT_TRUE(FinishSettingsDialog(c.client));
    EXPECT_EQ(c.binding.loaded, 0);
    EXPECT_EQ(c.library.entryCalls, (std::vector<std::string>{"dialog start", "dialog finish"}));
}

TEST(LibraryClient, DialogStartFailuresAreShownAndFreeTheLibrary) {
    const struct {
        void (*arrange)(Client&);
        std::u16string text;
        std::int32_t code;
    } cases[] = {
        {[](Client& c) { c.binding.present = false; }, u"セットアップが開始できません。", 9},
        {[](Client& c) { c.binding.missing["TELLURS_00"] = 1; }, u"セットアップが開始できません。", 9},
        {[](Client& c) { c.library.dialogStart = 10; }, u"セットアップの初期化に失敗しました。", 10},
        {[](Client& c) { c.library.dialogStart = 4; }, u"Function Failure  (4)", 4},
    };
    for (const auto& t : cases) {
        Client c;
        t.arrange(c);
        EXPECT_FALSE(StartSettingsDialog(c.client, reinterpret_cast<void*>(0x10)));
        EXPECT_EQ(c.box.texts, std::vector<std::u16string>{t.text});
        EXPECT_EQ(c.reporter.LastMessageIndex, t.code);
        EXPECT_EQ(c.binding.loaded, 0);
    }
}

TEST(LibraryClient, DialogFinishResults) {
    const struct {
        std::int32_t finish;
        bool result;
        std::vector<std::u16string> texts;
        int stillLoaded;
    } cases[] = {
        {0, true, {}, 0},
        {1, false, {}, 0},  // the user ended the program from the dialog: no message
        {6, false, {u"設定値が保存できません。"}, 0},
        {4, false, {u"Function Failure  (5)"}, 0},
        {11, false, {u"SETUP Open Failure (Main)"}, 0},
        // The dialog's thread outlived the wait: the library must not be unloaded under it.
        {kSettingsDialogStillRunning, false, {u"Function Failure  (5)"}, 1},
    };
    for (const auto& t : cases) {
        Client c;
        c.library.dialogFinish = t.finish;
        ASSERT_TRUE(StartSettingsDialog(c.client, reinterpret_cast<void*>(0x10)));
        EXPECT_EQ(FinishSettingsDialog(c.client), t.result) << t.finish;
        EXPECT_EQ(c.box.texts, t.texts) << t.finish;
        EXPECT_EQ(c.binding.loaded, t.stillLoaded) << t.finish;
    }
}

TEST(MessageTable, TextsFormatsAndCodesOutsideTheTable) {
    EXPECT_EQ(MessageText(3, 0), u"Windowsのバージョンが違います。");
    EXPECT_EQ(MessageText(4, 2), u"Function Failure  (2)");
    EXPECT_EQ(MessageText(12, 0), u"SETUP Open Failure (Sub)");
    EXPECT_EQ(MessageText(0, 0), u"");
    EXPECT_EQ(MessageText(13, 0), u"TELLURS.DLLの版が違います。");
    EXPECT_EQ(MessageText(14, 0), u"Function Failure  (14)");
    EXPECT_EQ(MessageText(-1, 0), u"Function Failure  (-1)");
}

// Start-up over a fake platform. Another instance may be running: it holds
// the mutex from its first step, its window can be found only once it has
// loaded its settings, and its mutex is free once its process has ended
// (Windows gives up the mutex of an ended process). An instance running
// elevated refuses a non-elevated CreateMutexW with ERROR_ACCESS_DENIED.
class FakeStartup : public StartupPlatform {
public:
    InstanceClaim ClaimSingleInstance() override {
        if (mutexFails) return InstanceClaim::Failed;
        return FirstRunning() ? heldAs : InstanceClaim::Owned;
    }
    bool HandOverToFirstInstance() override {
        if (!FirstRunning() || waited < firstWindowAfter) return false;  // FindWindowW finds nothing
        steps.push_back("hand over");
        return true;
    }
    void Pause(std::uint32_t milliseconds) override { waited += milliseconds; }
    void WindowsVersion(std::uint32_t& major, std::uint32_t& minor) override {
        major = this->major;
        minor = this->minor;
    }
    std::u16string ModulePath() override { return modulePath; }
    bool CreateResidentWindow() override {
        steps.push_back("window");
        return windowOk;
    }
    void RunMessageLoop() override { steps.push_back("loop"); }
    void CloseInstanceMutex() override { steps.push_back("close mutex"); }

    static constexpr std::uint32_t kNever = UINT32_MAX;
    bool FirstRunning() const { return firstInstance && waited < firstEndsAfter; }
    bool firstInstance = false, mutexFails = false, windowOk = true;
    InstanceClaim heldAs = InstanceClaim::HeldByAnother;
    std::uint32_t firstWindowAfter = 0, firstEndsAfter = kNever;  // milliseconds after this start
    std::uint32_t waited = 0;
    std::uint32_t major = 6, minor = 1;
    std::u16string modulePath = u"D:\\Tools\\TELLUR.EXE";
    std::vector<std::string> steps;
};

TEST(Startup, ExitCodesOfEveryPath) {
    const struct {
        const char* name;
        void (*arrange)(FakeStartup&, Client&);
        std::int32_t exitCode;
        std::vector<std::string> steps;
        std::uint32_t waited;
    } cases[] = {
        {"normal run", [](FakeStartup&, Client&) {}, 0, {"window", "loop", "close mutex"}, 0},
        {"second start hands over", [](FakeStartup& s, Client&) { s.firstInstance = true; }, 0, {"hand over"}, 0},
        {"the first instance is still loading: its window is awaited",
         [](FakeStartup& s, Client&) {
             s.firstInstance = true;
             s.firstWindowAfter = 1500;
         },
         0, {"hand over"}, 1500},
        {"the first instance never shows its window",
         [](FakeStartup& s, Client&) {
             s.firstInstance = true;
             s.firstWindowAfter = FakeStartup::kNever;
         },
         4, {}, kFirstInstanceWait},
        {"the first instance ends while awaited: this one starts",
         [](FakeStartup& s, Client&) {
             s.firstInstance = true;
             s.firstWindowAfter = FakeStartup::kNever;
             s.firstEndsAfter = 700;
         },
         0, {"window", "loop", "close mutex"}, 700},
        {"an elevated first instance refuses its mutex: handed over",
         [](FakeStartup& s, Client&) {
             s.firstInstance = true;
             s.heldAs = InstanceClaim::AccessDenied;
             s.firstWindowAfter = 300;
         },
         0, {"hand over"}, 300},
        {"mutex cannot be created", [](FakeStartup& s, Client&) { s.mutexFails = true; }, 4, {}, 0},
        {"Windows 5.0", [](FakeStartup& s, Client&) { s.major = 5; s.minor = 0; }, 3, {"close mutex"}, 0},
        {"library missing", [](FakeStartup&, Client& c) { c.binding.present = false; }, 5, {"close mutex"}, 0},
        {"library of another interface",
         [](FakeStartup&, Client& c) { c.library.interfaceNumber = kLibraryInterface + 1; }, 13, {"close mutex"}, 0},
        {"window refused", [](FakeStartup& s, Client&) { s.windowOk = false; }, 4, {"window", "close mutex"}, 0},
    };
    for (const auto& t : cases) {
        Client c;
        FakeStartup startup;
        t.arrange(startup, c);
        EXPECT_EQ(RunResidentProgram(startup, c.client), t.exitCode) << t.name;
        EXPECT_EQ(startup.steps, t.steps) << t.name;
        EXPECT_EQ(startup.waited, t.waited) << t.name;
    }
}

TEST(Startup, TheLibraryIsLookedForBesideTheProgramFile) {
    Client c;
    FakeStartup startup;
    RunResidentProgram(startup, c.client);
    EXPECT_EQ(c.binding.paths, std::vector<std::u16string>{u"D:\\Tools\\TELLURS.DLL"});
}

TEST(Startup, VersionRuleAndDirectoryOfThePath) {
    const struct {
        std::uint32_t major, minor;
        bool accepted;
    } versions[] = {{4, 0, false}, {5, 0, false}, {0, 0, false}, {5, 1, true},
                    {5, 2, true},  {6, 0, true},  {10, 0, true}, {4, 10, true}};
    for (const auto& v : versions)
        EXPECT_EQ(IsWindowsVersionAccepted(v.major, v.minor), v.accepted) << v.major << "." << v.minor;
    EXPECT_EQ(DirectoryOfPath(u"D:\\Tools\\TELLUR.EXE"), u"D:\\Tools");
    EXPECT_EQ(DirectoryOfPath(u"C:\\TELLUR.EXE"), u"C:\\");
    EXPECT_EQ(DirectoryOfPath(u"TELLUR.EXE"), u"");
    EXPECT_EQ(DirectoryOfPath(u"\\\\server\\share\\TELLUR.EXE"), u"\\\\server\\share");
}

}  // namespace
}  // namespace tellurin
