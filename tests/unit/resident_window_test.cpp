// The resident window's handlers over a fake platform that records every call
// and can dispatch further messages while a call is in progress, the way a
// message box's nested loop does.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "resident/receiver/reception_causes.h"
#include "resident/shell/device_requests.h"
#include "resident/shell/resident_window.h"

namespace tellurin {
namespace {

constexpr std::uint32_t kTaskbarCreated = 0xC123;
constexpr std::uintptr_t kMouseMove = 0x0200;
constexpr std::uintptr_t kLeftButtonUp = 0x0202;

class FakeResidentWorld : public ResidentWindowPlatform, public ResidentServices {
public:
    // Platform
    bool CreateSyncObjects() override { return Record("sync", syncOk); }
    void DestroySyncObjects() override { Record("unsync"); }
    void LockBusy() override { EXPECT_FALSE(busyLocked) << "busy lock taken twice"; busyLocked = true; }
    void UnlockBusy() override { busyLocked = false; }
    void LockQuit() override { quitLocked = true; }
    void UnlockQuit() override { quitLocked = false; }
    void LoadTrayIconImage() override { Record("image"); }
    TrayAppearance shown;  // what the tray shows after the last accepted add or modify
    bool NotifyIcon(ShellIconOperation operation, const TrayAppearance& appearance) override {
        const char* names[] = {"icon+", "icon~", "icon-"};
        const bool accepted[] = {addOk, modifyOk, true};
        const bool result = Record(names[static_cast<int>(operation)], shellOk && accepted[static_cast<int>(operation)] &&
                                                                           SizeKnown(appearance.RecordSize));
        if (result && operation != ShellIconOperation::Delete) shown = appearance;
        return result;
    }
    // The shell of Windows XP and Server 2003 takes the record only at the
    // sizes of the versions it knows and refuses any other, the larger record
    // of later Windows included (every add, modify and delete then fails).
    // Its versions end at szTip[64] (the first shell's), before guidItem
    // (Windows 2000's) and before hBalloonIcon (its own); later shells also
    // take the whole record of their headers. The window and icon handles
    // make the sizes differ with the word size.
    bool xpShell = false;
    bool SizeKnown(std::uint32_t size) const {
        constexpr bool wide = sizeof(void*) == 8;
        const std::uint32_t versions[] = {wide ? 168u : 152u, wide ? 952u : 936u, wide ? 968u : 952u};
        const std::uint32_t whole = wide ? 976u : 956u;
        for (const std::uint32_t known : versions)
            if (size == known) return true;
        return !xpShell && size == whole;
    }
    void PostToSelf(std::uint32_t message) override { posted.push_back(message); }
    void* ForegroundWindow() override { return foreground; }
    bool IsLiveWindow(void* window) override { return window != nullptr && window != deadWindow; }
    void GiveForeground(void* window) override { foregroundGiven.push_back(window); }
    void DestroySelf() override { Record("destroy"); }
    void PostQuit() override { Record("quit"); }
    void StartTimer(ResidentTimer timer, std::uint32_t milliseconds) override {
        if (timer == RequestTimer || timer == AnswerTimer) {
            std::uint32_t& period = timer == RequestTimer ? requestTimer : answerTimer;
            EXPECT_EQ(period, 0u) << "timer " << timer << " started twice";
            EXPECT_GT(milliseconds, 0u) << "SetTimer takes 0 as its shortest period, not as none";
            period = milliseconds;
            return;
        }
        bool& running = timer == ReopenTimer ? timerRunning : trayTimerRunning;
        EXPECT_FALSE(running) << "timer " << timer << " started twice";
        running = true;
        (timer == ReopenTimer ? timerDelays : trayDelays).push_back(milliseconds);
    }
    void StopTimer(ResidentTimer timer) override {
        if (timer == RequestTimer) requestTimer = 0;
        else if (timer == AnswerTimer) answerTimer = 0;
        else (timer == ReopenTimer ? timerRunning : trayTimerRunning) = false;
    }
    std::uint32_t TickCount() override { return now; }
    // RegisterHotKey: a chord another program holds is refused with
    // ERROR_HOTKEY_ALREADY_REGISTERED; a Windows before 7 refuses MOD_NOREPEAT
    // (as a parameter it does not know).
    bool RegisterHotKey(std::uint32_t modifiers, std::uint32_t virtualKey, std::uint32_t& error) override {
        hotKeyCalls.push_back(std::to_string(modifiers) + "+" + std::to_string(virtualKey));
        EXPECT_FALSE(hotKeyRegistered) << "the id registered twice";
        if (olderWindows && (modifiers & kHotKeyNoRepeat) != 0) {
            error = 87;  // ERROR_INVALID_PARAMETER
            return false;
        }
        if (chordHeldElsewhere) {
            error = kErrorHotKeyAlreadyRegistered;
            return false;
        }
        hotKeyRegistered = true;
        return true;
    }
    void UnregisterHotKey() override {
        EXPECT_TRUE(hotKeyRegistered) << "unregistered what was never registered";
        hotKeyRegistered = false;
    }
    // The menu takes the foreground for this window; the user's choice, or
    // messages that arrive while it is up, are the test's.
    TrayMenuCommand ShowTrayMenu(const TrayMenuItem* items, std::size_t count) override {
        menus.emplace_back(items, items + count);
        foreground = self;
        RunNested();
        if (menuChoiceMovesForeground) foreground = reinterpret_cast<void*>(0x7777);
        return menuChoice;
    }
    bool IsSelf(void* window) override { return window == self; }
    // Services
    void ShowMessage(std::int32_t code, std::int32_t detail) override {
        messages.push_back(std::to_string(code) + "/" + std::to_string(detail));
        RunNested();
    }
    bool StartSettingsDialog() override { return Record("start", startOk); }
    bool FinishSettingsDialog() override { return Record("finish", finishOk); }
    bool LoadSettings() override {
        if (reloadTrayIcon != 0) function.TrayIcon = reloadTrayIcon;
        return Record("load", loadOk);
    }
    std::int32_t OpenPortAndReceive() override {
        Record("open");
        RunNested();
        return openResult;
    }
    void StopReceiver() override {
        Record("stop");
        receiverLostDevice = false;  // the stopped receiver is gone with its notice
    }
    bool ReceiverLostDevice() override { return receiverLostDevice; }
    bool PortDeviceAvailable() override { return Record("probe", deviceAvailable); }
    std::uint32_t ActiveReceptionCauses() override { return causes; }
    void RaiseReceptionCause(std::uint32_t cause) override { causes |= cause; }
    std::uint32_t AskForRequest() override { return marks.Receiving ? ++asked : 0; }
    bool RequestAnswered(std::uint32_t number) override { return number <= answered; }

    // The window under test.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t lParam = 0) {
        std::intptr_t result = -99;
        if (!HandleResidentMessage(window, message, 0, lParam, result)) return -98;
        return result;
    }
    std::intptr_t Tick(ResidentTimer timer) { return SendWith(kTimer, timer); }
    std::intptr_t SendWith(std::uint32_t message, std::uintptr_t wParam, std::uintptr_t lParam = 0) {
        std::intptr_t result = -99;
        if (!HandleResidentMessage(window, message, wParam, lParam, result)) return -98;
        return result;
    }
    void SetRequestCommand(const char16_t* command) {
        std::u16string_view text(command);
        std::copy(text.begin(), text.end(), device.RequestCommand);
        device.RequestCommand[text.size()] = u'\0';
    }
    // Messages to dispatch during the next ShowMessage or OpenPortAndReceive.
    void WhileBusy(std::vector<std::pair<std::uint32_t, std::uintptr_t>> nested) { nested_ = std::move(nested); }

    bool syncOk = true, shellOk = true, addOk = true, modifyOk = true, startOk = true, finishOk = true,
         loadOk = true;
    std::int32_t openResult = 0;
    bool receiverLostDevice = false, deviceAvailable = false, timerRunning = false, trayTimerRunning = false;
    std::vector<std::uint32_t> timerDelays, trayDelays;
    std::uint32_t now = 0x7FFFF000;  // GetTickCount wraps: near the top on purpose
    std::uint32_t causes = 0;
    char16_t reloadTrayIcon = 0;
    void* foreground = reinterpret_cast<void*>(0x1111);
    void* deadWindow = nullptr;
    bool busyLocked = false, quitLocked = false;
    std::uint32_t requestTimer = 0, answerTimer = 0;  // the running timer's period; 0 when stopped
    std::vector<std::string> hotKeyCalls;  // "modifiers+key" of each registration tried
    bool hotKeyRegistered = false, chordHeldElsewhere = false, olderWindows = false;
    std::vector<std::vector<TrayMenuItem>> menus;  // every menu shown
    TrayMenuCommand menuChoice = TrayMenuNone;
    bool menuChoiceMovesForeground = false;  // the user clicked another window to close the menu
    void* self = reinterpret_cast<void*>(0x9999);
    std::uint32_t asked = 0, answered = 0;  // request numbers, as the receiver counts them
    std::vector<std::string> calls, messages;
    std::vector<std::uint32_t> posted;
    std::vector<void*> foregroundGiven;
    ResidentMarks marks{};
    CommunicationSettings communication = {u"COM5", u"9600", u'N', u'8', u'1', u'N', u'5'};
    FunctionSettings function = kDefaultFunctionSettings;
    DeviceSettings device = kDefaultDeviceSettings;
    int identity = 0;
    ResidentWindow window{marks, *this, *this, communication, function, device, kTaskbarCreated, &identity};

private:
    bool Record(const char* call, bool result = true) {
        calls.push_back(call);
        return result;
    }
    void RunNested() {
        auto nested = std::move(nested_);
        nested_.clear();
        for (auto [message, lParam] : nested) Send(message, lParam);
    }
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> nested_;
};

using Calls = std::vector<std::string>;
using Posts = std::vector<std::uint32_t>;

TEST(ResidentWindow, CreationMakesObjectsAddsIconAndPostsOpenPort) {
    FakeResidentWorld world;
    EXPECT_EQ(world.Send(kWindowCreate), 0);
    EXPECT_EQ(world.calls, (Calls{"sync", "image", "icon+"}));
    EXPECT_TRUE(world.marks.TrayIconShown);
    EXPECT_EQ(world.posted, Posts{UM_OPEN_PORT});
}

TEST(ResidentWindow, CreationRefusedWhenAnEventIsMissing) {
    FakeResidentWorld world;
    world.syncOk = false;
    EXPECT_EQ(world.Send(kWindowCreate), -1);
    EXPECT_EQ(world.messages, Calls{"7/0"});
    EXPECT_TRUE(world.posted.empty());
}

TEST(ResidentWindow, IconRefusedAtStartIsAddedWhenTheTaskbarAppears) {
    FakeResidentWorld world;
    world.shellOk = false;
    EXPECT_EQ(world.Send(kWindowCreate), 0);  // the program goes on
    EXPECT_TRUE(world.messages.empty());      // no box at logon
    EXPECT_FALSE(world.marks.TrayIconShown);
    EXPECT_EQ(world.posted, Posts{UM_OPEN_PORT});
    world.shellOk = true;
    world.Send(kTaskbarCreated);
    EXPECT_TRUE(world.marks.TrayIconShown);
    EXPECT_EQ(world.calls.back(), "icon+");
}

// At logon the shell may time out on an add and still carry it out later, or
// restart unseen: the icon is put in place by add or modify, whichever the
// shell takes, refusals are retried quietly with a back-off, and none of it
// ends the program or shows a box.
void RefusedAtStart(FakeResidentWorld& world) {
    world.shellOk = false;
    world.Send(kWindowCreate);
}
void DialogOpenWithIcon(FakeResidentWorld& world) {
    world.marks.SettingsOpen = true;
    world.marks.TrayIconShown = true;
}

TEST(ResidentWindow, TrayRefusalsAreRetriedQuietlyAndNeverEndTheProgram) {
    using Step = void (*)(FakeResidentWorld&);
    using Delays = std::vector<std::uint32_t>;
    const struct {
        const char* name;
        Step arrange;
        Step act;      // the calls it makes are compared
        Calls calls;
        Delays trayDelays;  // every retry wait since the start
        bool iconShown, retryWaiting;
    } cases[] = {
        {"a refused refresh after the dialog is retried", [](FakeResidentWorld& w) {
             DialogOpenWithIcon(w);
             w.shellOk = false;
         }, [](FakeResidentWorld& w) { w.Send(UM_SETTINGS_CLOSED); },
         {"finish", "load", "icon~", "icon+"}, {1000}, false, true},
        {"each refused retry waits twice as long, up to 16 s", RefusedAtStart,
         [](FakeResidentWorld& w) {
             for (int retry = 0; retry < 5; ++retry) w.Tick(TrayRetryTimer);
         },
         {"icon+", "icon~", "icon+", "icon~", "icon+", "icon~", "icon+", "icon~", "icon+", "icon~"},
         {1000, 2000, 4000, 8000, 16000, 16000}, false, true},
        {"a refused icon while a retry already waits restarts the back-off at 1 s",
         [](FakeResidentWorld& w) {
             RefusedAtStart(w);
             for (int retry = 0; retry < 4; ++retry) w.Tick(TrayRetryTimer);
         },
         // The shell came back, not yet ready; its icon size is read again.
         [](FakeResidentWorld& w) { w.Send(kTaskbarCreated); },
         {"image", "icon+", "icon~"}, {1000, 2000, 4000, 8000, 16000, 1000}, false, true},
        {"an earlier add carried out after all: only a modify succeeds", [](FakeResidentWorld& w) {
             RefusedAtStart(w);
             w.shellOk = true;
             w.addOk = false;
         }, [](FakeResidentWorld& w) { w.Tick(TrayRetryTimer); },
         {"icon+", "icon~"}, {1000}, true, false},
        {"a tick already queued when the retries ended does nothing", [](FakeResidentWorld& w) {
             RefusedAtStart(w);
             w.shellOk = true;
             w.Tick(TrayRetryTimer);
         }, [](FakeResidentWorld& w) { w.Tick(TrayRetryTimer); }, {}, {1000}, true, false},
        {"the shell restarted unseen: the refresh's modify fails, an add serves", [](FakeResidentWorld& w) {
             DialogOpenWithIcon(w);
             w.modifyOk = false;
         }, [](FakeResidentWorld& w) { w.Send(UM_SETTINGS_CLOSED); },
         {"finish", "load", "icon~", "icon+"}, {}, true, false},
        {"an add that may have been carried out is removed at the end, quietly", [](FakeResidentWorld& w) {
             RefusedAtStart(w);
             w.shellOk = true;
         }, [](FakeResidentWorld& w) { w.Send(kWindowDestroy); },
         {"stop", "icon-", "unsync", "quit"}, {1000}, false, false},
        {"Windows XP's shell, which knows only its own record sizes, takes every call",
         [](FakeResidentWorld& w) { w.xpShell = true; },
         [](FakeResidentWorld& w) {
             w.Send(kWindowCreate);
             w.Send(UM_OPEN_PORT);
         },
         {"sync", "image", "icon+", "open", "icon~"}, {}, true, false},
        {"a cause while the icon is refused waits for the retry", RefusedAtStart, [](FakeResidentWorld& w) {
             w.causes = CauseLineError;
             w.Send(UM_RECEPTION_CAUSES);
         }, {}, {1000}, false, true},
        {"Windows XP's shell removes the icon at the end", [](FakeResidentWorld& w) {
             w.xpShell = true;
             w.Send(kWindowCreate);
         }, [](FakeResidentWorld& w) { w.Send(kWindowDestroy); }, {"stop", "icon-", "unsync", "quit"}, {}, false,
         false},
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        c.arrange(world);
        world.calls.clear();
        c.act(world);
        EXPECT_EQ(world.calls, c.calls) << c.name;
        EXPECT_EQ(world.trayDelays, c.trayDelays) << c.name;
        EXPECT_EQ(world.marks.TrayIconShown, c.iconShown) << c.name;
        EXPECT_EQ(world.marks.TrayRetrying, c.retryWaiting) << c.name;
        EXPECT_EQ(world.trayTimerRunning, c.retryWaiting) << c.name;
        EXPECT_TRUE(world.messages.empty()) << c.name;
        for (const std::uint32_t message : world.posted) EXPECT_NE(message, UM_QUIT) << c.name;
    }
}

// The tray shows the state at a glance: the tip names port, rate and state,
// and the icon is the grey one whenever the port is not receiving.
TEST(ResidentWindow, TrayTipAndIconFollowTheState) {
    FakeResidentWorld world;
    struct Step {
        const char* name;
        std::function<void(FakeResidentWorld&)> act;
        const char16_t* tip;
        bool receiving;
    };
    const Step steps[] = {
        {"created, port not yet open", [](FakeResidentWorld& w) { w.Send(kWindowCreate); },
         u"Tellurin  COM5 9600bps 停止中", false},
        {"port opened", [](FakeResidentWorld& w) { w.Send(UM_OPEN_PORT); }, u"Tellurin  COM5 9600bps 受信中", true},
        {"settings opened", [](FakeResidentWorld& w) { w.Send(UM_OPEN_SETTINGS); },
         u"Tellurin  COM5 9600bps 設定中（受信停止）", false},
        {"settings closed with a new rate",
         [](FakeResidentWorld& w) {
             w.communication.BaudRate[0] = u'4';
             w.communication.BaudRate[1] = u'8';
             w.Send(UM_SETTINGS_CLOSED);
         },
         u"Tellurin  COM5 4800bps 停止中", false},
        {"port opened again", [](FakeResidentWorld& w) { w.Send(UM_OPEN_PORT); }, u"Tellurin  COM5 4800bps 受信中",
         true},
        {"device pulled out",
         [](FakeResidentWorld& w) {
             w.receiverLostDevice = true;
             w.Send(UM_PORT_LOST);
         },
         u"Tellurin  COM5 4800bps デバイス待ち", false},
        {"a cause the lost receiver posted", [](FakeResidentWorld& w) {
             w.causes = CauseOverrun;
             w.Send(UM_RECEPTION_CAUSES);
         }, u"Tellurin  COM5 4800bps デバイス待ち\n受信データがあふれました。", false},
        {"device back", [](FakeResidentWorld& w) {
             w.causes = 0;  // the new receiver starts with none
             w.deviceAvailable = true;
             w.Tick(ReopenTimer);
         }, u"Tellurin  COM5 4800bps 受信中", true},
        {"port refused", [](FakeResidentWorld& w) {
             w.openResult = 4;
             w.Send(UM_OPEN_PORT);
         }, u"Tellurin  COM5 4800bps 停止中", false},
    };
    for (const Step& step : steps) {
        step.act(world);
        EXPECT_EQ(world.shown.Tip, step.tip) << step.name;
        EXPECT_EQ(world.shown.Receiving, step.receiving) << step.name;
    }
    EXPECT_LE(TrayTip(TrayState::SettingsOpen, {u"COM256", u"115200", u'N', u'8', u'1', u'N', u'5'}).size(), 127u);

    world.calls.clear();  // a change of scaling loads the images again and shows them
    EXPECT_EQ(world.Send(kDpiChanged), 0);
    EXPECT_EQ(world.calls, (Calls{"image", "icon~"}));
}

// Where registering "TaskbarCreated" failed, its number is 0: message 0 must
// not stand for it.
TEST(ResidentWindow, UnregisteredTaskbarMessageIsNeverMatched) {
    FakeResidentWorld world;
    world.window.TaskbarCreatedMessage = 0;
    world.shellOk = false;
    world.Send(kWindowCreate);
    world.shellOk = true;
    world.calls.clear();
    EXPECT_EQ(world.Send(0), -98);
    EXPECT_TRUE(world.calls.empty());
}

TEST(ResidentWindow, NoIconWhenTrayIconIsOffEvenAfterTaskbarRestart) {
    FakeResidentWorld world;
    world.function.TrayIcon = u'N';
    world.Send(kWindowCreate);
    world.Send(kTaskbarCreated);
    EXPECT_EQ(world.calls, (Calls{"sync", "image"}));
    EXPECT_FALSE(world.marks.TrayIconShown);
}

TEST(ResidentWindow, TrayPressOpensSettingsAndRemembersTheWindowToRestore) {
    FakeResidentWorld world;
    world.Send(UM_TRAY_NOTIFY, kMouseMove);
    world.foreground = reinterpret_cast<void*>(0x2222);  // the press itself changes the foreground
    world.Send(UM_TRAY_NOTIFY, kLeftButtonDown);
    EXPECT_EQ(world.marks.RestoreWindow, reinterpret_cast<void*>(0x1111));
    EXPECT_EQ(world.posted, Posts{UM_OPEN_SETTINGS});
    world.Send(UM_TRAY_NOTIFY, kRightButtonDown);  // the right button's release opens the menu instead
    EXPECT_EQ(world.posted, Posts{UM_OPEN_SETTINGS});
    EXPECT_TRUE(world.menus.empty());
    world.Send(UM_TRAY_NOTIFY, kLeftButtonUp);
    EXPECT_EQ(world.marks.LastForegroundWindow, reinterpret_cast<void*>(0x2222));
}

TEST(ResidentWindow, TrayPressWhileBusyOpensNothingButStillSetsTheRestoreWindow) {
    for (bool ResidentMarks::*mark : {&ResidentMarks::SettingsOpen, &ResidentMarks::PortOpening}) {
        FakeResidentWorld world;
        world.marks.*mark = true;
        world.marks.LastForegroundWindow = reinterpret_cast<void*>(0x3333);
        world.Send(UM_TRAY_NOTIFY, kLeftButtonDown);
        EXPECT_TRUE(world.posted.empty());
        EXPECT_EQ(world.marks.RestoreWindow, reinterpret_cast<void*>(0x3333));
    }
}

TEST(ResidentWindow, OpenSettingsStopsTheReceiverAndStartsTheDialogOnce) {
    FakeResidentWorld world;
    world.Send(UM_OPEN_SETTINGS);
    EXPECT_EQ(world.calls, (Calls{"stop", "start"}));
    EXPECT_TRUE(world.marks.SettingsOpen);
    world.Send(UM_OPEN_SETTINGS);  // already open
    EXPECT_EQ(world.calls.size(), 2u);

    FakeResidentWorld failing;
    failing.startOk = false;
    failing.Send(UM_OPEN_SETTINGS);
    EXPECT_EQ(failing.posted, Posts{UM_QUIT});
}

TEST(ResidentWindow, SettingsClosedReloadsRefreshesRestoresAndReopensThePort) {
    FakeResidentWorld world;
    world.Send(kWindowCreate);
    world.posted.clear();
    world.calls.clear();
    world.marks.SettingsOpen = true;
    world.marks.RestoreWindow = reinterpret_cast<void*>(0x4444);
    world.Send(UM_SETTINGS_CLOSED);
    EXPECT_EQ(world.calls, (Calls{"finish", "load", "icon~"}));
    EXPECT_FALSE(world.marks.SettingsOpen);
    EXPECT_EQ(world.foregroundGiven, std::vector<void*>{reinterpret_cast<void*>(0x4444)});
    EXPECT_EQ(world.marks.RestoreWindow, nullptr);
    EXPECT_EQ(world.posted, Posts{UM_OPEN_PORT});
}

TEST(ResidentWindow, TrayIconSwitchedInTheSettingsTakesEffectWhenTheDialogCloses) {
    FakeResidentWorld world;
    world.Send(kWindowCreate);
    world.calls.clear();
    world.marks.SettingsOpen = true;
    world.reloadTrayIcon = u'N';
    world.Send(UM_SETTINGS_CLOSED);
    EXPECT_EQ(world.calls, (Calls{"finish", "load", "icon-"}));
    EXPECT_FALSE(world.marks.TrayIconShown);

    world.calls.clear();
    world.marks.SettingsOpen = true;
    world.reloadTrayIcon = u'Y';
    world.Send(UM_SETTINGS_CLOSED);
    EXPECT_EQ(world.calls, (Calls{"finish", "load", "icon+"}));
    EXPECT_TRUE(world.marks.TrayIconShown);
}

TEST(ResidentWindow, SettingsClosedFailuresEndTheProgramAndKeepTheMark) {
    const struct {
        const char* name;
        void (*arrange)(FakeResidentWorld&);
        Calls calls;
        std::vector<std::string> messages;
    } cases[] = {
        {"no dialog open", [](FakeResidentWorld& w) { w.marks.SettingsOpen = false; }, {}, {}},
        {"finish fails", [](FakeResidentWorld& w) { w.finishOk = false; }, {"finish"}, {}},
        {"reload fails", [](FakeResidentWorld& w) { w.loadOk = false; }, {"finish", "load"}, {}},
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        world.marks.SettingsOpen = true;
        c.arrange(world);
        world.Send(UM_SETTINGS_CLOSED);
        EXPECT_EQ(world.calls, c.calls) << c.name;
        EXPECT_EQ(world.messages, c.messages) << c.name;
        EXPECT_EQ(world.posted, Posts{UM_QUIT}) << c.name;
        if (std::string(c.name) != "no dialog open") EXPECT_TRUE(world.marks.SettingsOpen) << c.name;
    }
}

TEST(ResidentWindow, EveryResultOfOpeningThePortClearsTheMark) {
    const struct {
        std::int32_t result;
        bool settingsOpen;
        Posts posted;
        std::vector<std::string> messages;
    } cases[] = {
        {0, false, {}, {}},
        {UM_OPEN_SETTINGS, false, {UM_OPEN_SETTINGS}, {}},
        {UM_QUIT, false, {UM_QUIT}, {}},
        {4, false, {}, {"4/6"}},  // the library could not open the port: shown, the program stays
        {8, false, {}, {"8/0"}},  // the receiver could not start: shown, the program stays
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        world.openResult = c.result;
        world.Send(UM_OPEN_PORT);
        EXPECT_FALSE(world.marks.PortOpening) << c.result;
        EXPECT_EQ(world.posted, c.posted) << c.result;
        EXPECT_EQ(world.messages, c.messages) << c.result;
    }
}

TEST(ResidentWindow, NestedDispatchDuringThePortQuestionStartsNothing) {
    FakeResidentWorld world;
    world.openResult = UM_OPEN_SETTINGS;
    // While the question is up: a tray press, a second instance's request and
    // another UM_OPEN_PORT arrive.
    world.WhileBusy({{UM_TRAY_NOTIFY, kLeftButtonDown}, {UM_OPEN_SETTINGS, 0}, {UM_OPEN_PORT, 0}});
    world.Send(UM_OPEN_PORT);
    EXPECT_EQ(world.calls, Calls{"open"});
    EXPECT_EQ(world.posted, Posts{UM_OPEN_SETTINGS});  // only the answer's own
}

TEST(ResidentWindow, QuitActsOnceEvenWhenRepeatedDuringAMessageBox) {
    FakeResidentWorld world;
    world.marks.RestoreWindow = reinterpret_cast<void*>(0x5555);
    world.Send(UM_QUIT);
    world.Send(UM_QUIT);
    EXPECT_EQ(world.calls, Calls{"destroy"});
    EXPECT_EQ(world.foregroundGiven, std::vector<void*>{reinterpret_cast<void*>(0x5555)});

    FakeResidentWorld closedWindow;
    closedWindow.marks.RestoreWindow = closedWindow.deadWindow = reinterpret_cast<void*>(0x6666);
    closedWindow.Send(UM_QUIT);
    EXPECT_TRUE(closedWindow.foregroundGiven.empty());

    // A log-off quits before answering (the process may be ended right after);
    // a log-off that was called off changes nothing.
    FakeResidentWorld loggingOff;
    std::intptr_t result = -1;
    EXPECT_TRUE(HandleResidentMessage(loggingOff.window, kEndSession, 0, 0, result));
    EXPECT_TRUE(loggingOff.calls.empty());
    EXPECT_TRUE(HandleResidentMessage(loggingOff.window, kEndSession, 1, 0, result));
    EXPECT_EQ(loggingOff.calls, Calls{"destroy"});
    EXPECT_EQ(result, 0);
}

TEST(ResidentWindow, DestroyStopsTheReceiverRemovesTheIconAndEndsTheLoop) {
    FakeResidentWorld world;
    world.Send(kWindowCreate);
    world.calls.clear();
    world.Send(kWindowDestroy);
    EXPECT_EQ(world.calls, (Calls{"stop", "icon-", "unsync", "quit"}));

    FakeResidentWorld refused;
    refused.Send(kWindowCreate);
    refused.shellOk = false;
    refused.Send(kWindowDestroy);
    EXPECT_EQ(refused.messages, Calls{"4/1"});  // the end goes on, exit code 4
    EXPECT_EQ(refused.calls.back(), "quit");
}

// The device goes: the receiver's notice closes the dead port and starts the
// quiet retries, which back off (1 s, 2 s, ... 16 s) without a single box,
// and the normal opening follows as soon as the device can be opened.
TEST(ResidentWindow, LostDeviceIsReopenedQuietlyWithABackOff) {
    FakeResidentWorld world;
    world.receiverLostDevice = true;
    world.Send(UM_PORT_LOST);
    EXPECT_EQ(world.calls, Calls{"stop"});
    for (int retry = 0; retry < 6; ++retry) world.Tick(ReopenTimer);
    EXPECT_EQ(world.timerDelays, (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 16000, 16000, 16000}));
    EXPECT_TRUE(world.messages.empty());
    EXPECT_FALSE(world.marks.PortOpening);

    world.deviceAvailable = true;
    world.calls.clear();
    world.Tick(ReopenTimer);
    EXPECT_EQ(world.calls, (Calls{"probe", "open"}));
    EXPECT_FALSE(world.marks.Reopening);
    EXPECT_FALSE(world.timerRunning);

    world.Tick(ReopenTimer);  // a tick already queued when the retries ended does nothing
    EXPECT_EQ(world.calls, (Calls{"probe", "open"}));
}

// A port lost again soon after it was reopened (a driver that refuses every
// wait) keeps the back-off growing instead of starting over at 1 s; one that
// ran for a while (2 s is enough) starts over. The tick count may wrap in
// between.
TEST(ResidentWindow, PortLostSoonAfterReopeningKeepsTheBackOffGrowing) {
    FakeResidentWorld world;
    world.now = 0xFFFFFC00;
    world.deviceAvailable = true;
    for (int loss = 0; loss < 6; ++loss) {
        world.receiverLostDevice = true;
        world.Send(UM_PORT_LOST);
        world.Tick(ReopenTimer);  // the device is there: opened at once
        world.now += 500;         // and lost again half a second later
    }
    EXPECT_EQ(world.timerDelays, (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 16000, 16000}));

    for (const std::uint32_t lifetime : {60000u, 2000u}) {
        world.now += lifetime;
        world.receiverLostDevice = true;
        world.Send(UM_PORT_LOST);
        EXPECT_EQ(world.timerDelays.back(), 1000u) << lifetime;
        world.Tick(ReopenTimer);  // opened again
    }
}

// Why scans may not arrive: each cause that appears is shown once as a
// balloon, the most telling one stays as the tip's second line while it
// lasts, and nothing is shown with the tray icon switched off.
TEST(ResidentWindow, ReceptionCausesShowOnceAsBalloonAndStayInTheTip) {
    FakeResidentWorld world;
    world.Send(kWindowCreate);
    world.Send(UM_OPEN_PORT);
    const std::u16string firstLine = u"Tellurin  COM5 9600bps 受信中";
    const std::u16string noFrames = u"データの区切りが見つかりません。伝送手順の設定を確認してください。";
    const std::u16string lineError =
        u"通信エラーが発生しています。ボーレート・データビット・パリティの設定を確認してください。";

    world.causes = CauseNoFrames;
    world.Send(UM_RECEPTION_CAUSES);
    EXPECT_EQ(world.shown.Balloon, noFrames);
    EXPECT_EQ(world.shown.Tip, firstLine + u"\n" + noFrames);

    world.calls.clear();
    world.Send(UM_RECEPTION_CAUSES);  // nothing changed: no second balloon
    EXPECT_TRUE(world.calls.empty());

    world.causes = CauseNoFrames | CauseLineError;  // a second cause appears, and is the more telling
    world.Send(UM_RECEPTION_CAUSES);
    EXPECT_EQ(world.shown.Balloon, lineError);
    EXPECT_EQ(world.shown.Tip, firstLine + u"\n" + lineError);

    world.causes = CauseNoFrames;  // one goes: the tip follows, no balloon
    world.Send(UM_RECEPTION_CAUSES);
    EXPECT_EQ(world.shown.Balloon, u"");
    EXPECT_EQ(world.shown.Tip, firstLine + u"\n" + noFrames);

    world.causes = 0;  // a frame was typed
    world.Send(UM_RECEPTION_CAUSES);
    EXPECT_EQ(world.shown.Tip, firstLine);

    world.causes = CauseNoFrames;  // a new occurrence is told again
    world.Send(UM_RECEPTION_CAUSES);
    EXPECT_EQ(world.shown.Balloon, noFrames);

    FakeResidentWorld hidden;
    hidden.function.TrayIcon = u'N';
    hidden.Send(kWindowCreate);
    hidden.causes = CauseDesktopLocked;
    hidden.Send(UM_RECEPTION_CAUSES);
    EXPECT_TRUE(hidden.calls == (Calls{"sync", "image"})) << "the tray was touched with the icon off";
}

TEST(ResidentWindow, StaleOrBusyPortLostNoticesAreIgnored) {
    FakeResidentWorld stale;  // the port has been reopened since the thread sent it
    stale.Send(UM_PORT_LOST);
    EXPECT_TRUE(stale.calls.empty());
    EXPECT_TRUE(stale.timerDelays.empty());

    FakeResidentWorld twice;
    twice.receiverLostDevice = true;
    twice.Send(UM_PORT_LOST);
    twice.receiverLostDevice = true;
    twice.Send(UM_PORT_LOST);
    EXPECT_EQ(twice.timerDelays.size(), 1u);

    FakeResidentWorld settings;  // the dialog's close opens the port anyway
    settings.receiverLostDevice = true;
    settings.marks.SettingsOpen = true;
    settings.Send(UM_PORT_LOST);
    EXPECT_TRUE(settings.calls.empty());
}

// Opening the settings ends the quiet retries: closing the dialog opens the
// port the normal way, and only then does a missing device ask the user.
TEST(ResidentWindow, SettingsOrQuitEndTheQuietRetries) {
    FakeResidentWorld world;
    world.receiverLostDevice = true;
    world.Send(UM_PORT_LOST);
    world.Send(UM_OPEN_SETTINGS);
    EXPECT_FALSE(world.marks.Reopening);
    EXPECT_FALSE(world.timerRunning);
    world.deviceAvailable = true;
    world.Tick(ReopenTimer);
    EXPECT_EQ(world.calls, (Calls{"stop", "stop", "start"}));

    FakeResidentWorld ending;
    ending.receiverLostDevice = true;
    ending.Send(UM_PORT_LOST);
    ending.Send(kWindowDestroy);
    EXPECT_FALSE(ending.timerRunning);
}

TEST(ResidentWindow, IdentityIsTheSameAddressAlways) {
    FakeResidentWorld world;
    const std::intptr_t first = world.Send(UM_GET_IDENTITY);
    world.marks.PortOpening = true;
    EXPECT_EQ(world.Send(UM_GET_IDENTITY), first);
    EXPECT_EQ(first, reinterpret_cast<std::intptr_t>(&world.identity));
    EXPECT_EQ(world.Send(0x0010 /* WM_CLOSE */), -98);  // left to default handling
}

// The right button's release opens the menu: its three items, the request
// item enabled only with a command set and the port open, and what each does.
// The window the user worked in gets the foreground back from the menu, or
// is restored when the settings close or the program ends.
TEST(ResidentWindow, TrayMenuItemsAndWhatEachDoes) {
    void* const sink = reinterpret_cast<void*>(0x1111);
    void* const elsewhere = reinterpret_cast<void*>(0x7777);
    const struct {
        const char* name;
        bool command, portOpen;
        TrayMenuCommand choice;
        bool clickedElsewhere;
        Posts posted;
        std::uint32_t asked;
        std::vector<void*> foregroundGiven;
        void* restoreWindow;
    } cases[] = {
        {"open settings", false, true, TrayMenuOpenSettings, false, {UM_OPEN_SETTINGS}, 0, {}, sink},
        {"end the program", true, true, TrayMenuQuit, false, {UM_QUIT}, 0, {}, sink},
        {"request data", true, true, TrayMenuRequestData, false, {}, 1, {sink}, nullptr},
        {"closed with Esc", true, true, TrayMenuNone, false, {}, 0, {sink}, nullptr},
        {"closed by a click on another window", true, true, TrayMenuNone, true, {}, 0, {}, nullptr},
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        if (c.command) world.SetRequestCommand(u"Q\\r\\n");
        world.marks.Receiving = c.portOpen;
        world.menuChoice = c.choice;
        world.menuChoiceMovesForeground = c.clickedElsewhere;
        world.Send(UM_TRAY_NOTIFY, kMouseMove);  // the pointer reaches the icon
        world.foreground = elsewhere;             // the press may activate the taskbar
        world.Send(UM_TRAY_NOTIFY, kRightButtonDown);
        EXPECT_TRUE(world.menus.empty()) << c.name;
        world.Send(UM_TRAY_NOTIFY, kRightButtonUp);
        ASSERT_EQ(world.menus.size(), 1u) << c.name;
        const auto& items = world.menus[0];
        ASSERT_EQ(items.size(), 3u) << c.name;
        EXPECT_EQ(std::u16string(items[0].Text), u"設定を開く (&S)");
        EXPECT_EQ(std::u16string(items[1].Text), u"データ要求 (&R)");
        EXPECT_EQ(std::u16string(items[2].Text), u"Tellurinの終了 (&X)");
        EXPECT_TRUE(items[0].Default && !items[1].Default && !items[2].Default) << c.name;
        EXPECT_TRUE(items[0].Enabled && items[2].Enabled) << c.name;
        EXPECT_EQ(items[1].Enabled, c.command && c.portOpen) << c.name;
        EXPECT_EQ(items[1].Command, TrayMenuRequestData) << c.name;
        EXPECT_EQ(world.posted, c.posted) << c.name;
        EXPECT_EQ(world.asked, c.asked) << c.name;
        EXPECT_EQ(world.foregroundGiven, c.foregroundGiven) << c.name;
        EXPECT_EQ(world.marks.RestoreWindow, c.restoreWindow) << c.name;
        EXPECT_FALSE(world.marks.TrayMenuOpen) << c.name;
    }

    // The request item is disabled without a command or without the port.
    for (const bool command : {false, true}) {
        FakeResidentWorld world;
        if (command) world.SetRequestCommand(u"Q\\r\\n");
        world.Send(UM_TRAY_NOTIFY, kRightButtonUp);
        EXPECT_FALSE(world.menus[0][1].Enabled) << command;
    }

    // A second right click while the menu is up opens no second menu, and
    // the menu's own choice still counts.
    FakeResidentWorld nested;
    nested.menuChoice = TrayMenuOpenSettings;
    nested.WhileBusy({{UM_TRAY_NOTIFY, kRightButtonUp}, {UM_TRAY_NOTIFY, kRightButtonUp}});
    nested.Send(UM_TRAY_NOTIFY, kRightButtonUp);
    EXPECT_EQ(nested.menus.size(), 1u);
    EXPECT_EQ(nested.posted, Posts{UM_OPEN_SETTINGS});
}

// When requests go, over the window's clock: the interval timer, the hot key
// and the menu ask the receiver; a timer request is skipped while the last
// one is not yet written, or written, unanswered and within its 2000 ms
// time-out; the time-out raises the cause once, and its balloon. Script:
// T timer tick, H hot key, M menu item, W the receiver wrote the last request
// asked, F a frame completed, A the answer timer fired, +N N ms pass.
TEST(ResidentWindow, RequestsFromTimerHotKeyAndMenuAndTheNoAnswerCause) {
    const std::u16string noAnswer = u"機器から応答がありません。";
    const struct {
        const char* script;
        std::uint32_t asked;
        bool noAnswerCause;
        std::uint32_t answerTimer;  // the answer timer's period at the end, 0 when stopped
    } cases[] = {
        {"T W F +30 A", 1, false, 0},
        {"T T", 1, false, 0},                       // not yet written
        {"T W +1999 T", 1, false, 2000},            // unanswered, within its time-out
        {"T W F +10 T", 2, false, 0},               // answered: the next goes
        {"T W +2000 T", 2, true, 0},                // the time-out passed: raised, and the next goes
        {"T W +2000 A", 1, true, 0},
        {"T W +1990 A", 1, false, 10},              // a timer that fired early waits the rest
        {"T W +500 H", 2, false, 2000},             // the user's requests always go
        {"T W +500 M", 2, false, 2000},
        {"T W +500 H W +1600 A", 2, false, 400},    // the newer request's time-out counts
        {"T +10 H W +2000 A", 2, true, 0},          // asks that piled up were written once
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        world.SetRequestCommand(u"Q\\r\\n");
        world.device.RequestInterval = 1000;
        world.device.RequestHotKey = 0x0678;  // Ctrl+Alt+F9
        world.menuChoice = TrayMenuRequestData;
        world.Send(kWindowCreate);
        world.Send(UM_OPEN_PORT);
        EXPECT_EQ(world.requestTimer, 1000u) << c.script;
        std::string script = c.script;
        for (std::size_t at = 0; at < script.size(); ++at) {
            switch (script[at]) {
                case 'T': world.Tick(RequestTimer); break;
                case 'H': world.SendWith(kHotKey, kRequestHotKeyId); break;
                case 'M': world.Send(UM_TRAY_NOTIFY, kRightButtonUp); break;
                case 'W': world.SendWith(UM_REQUEST_WRITTEN, world.asked); break;
                case 'F': world.answered = world.asked; break;
                case 'A': world.Tick(AnswerTimer); break;
                case '+': world.now += static_cast<std::uint32_t>(std::stoul(script.substr(at + 1))); break;
            }
        }
        EXPECT_EQ(world.asked, c.asked) << c.script;
        EXPECT_EQ((world.causes & CauseNoAnswer) != 0, c.noAnswerCause) << c.script;
        EXPECT_EQ(world.shown.Balloon, c.noAnswerCause ? noAnswer : u"") << c.script;
        EXPECT_EQ(world.answerTimer, c.answerTimer) << c.script;
    }

    // A notice about an older request, or from a receiver since stopped, starts no time-out.
    FakeResidentWorld stale;
    stale.SetRequestCommand(u"Q\\r\\n");
    stale.Send(UM_OPEN_PORT);
    stale.SendWith(kHotKey, kRequestHotKeyId);
    stale.SendWith(kHotKey, kRequestHotKeyId);
    stale.SendWith(UM_REQUEST_WRITTEN, 1);
    EXPECT_EQ(stale.answerTimer, 0u);
    stale.Send(UM_OPEN_SETTINGS);
    stale.SendWith(UM_REQUEST_WRITTEN, 2);
    EXPECT_EQ(stale.answerTimer, 0u);

    // No command set, or the port closed: nothing is asked, and no timer runs.
    FakeResidentWorld none;
    none.device.RequestInterval = 1000;
    none.Send(UM_OPEN_PORT);
    none.SendWith(kHotKey, kRequestHotKeyId);
    EXPECT_EQ(none.asked, 0u);
    EXPECT_EQ(none.requestTimer, 0u);
    FakeResidentWorld closed;
    closed.SetRequestCommand(u"Q\\r\\n");
    closed.device.RequestInterval = 1000;
    closed.Send(UM_OPEN_PORT);
    closed.SendWith(kHotKey, kRequestHotKeyId);
    closed.SendWith(UM_REQUEST_WRITTEN, 1);
    closed.receiverLostDevice = true;
    closed.Send(UM_PORT_LOST);
    EXPECT_EQ(closed.requestTimer, 0u);
    EXPECT_EQ(closed.answerTimer, 0u);
    closed.SendWith(kHotKey, kRequestHotKeyId);
    EXPECT_EQ(closed.asked, 1u);
}

// The hot key is registered while the port is open, with MOD_NOREPEAT where
// Windows knows it; a chord another program holds is said in the tip's
// second line while the port is open, below any reception cause.
TEST(ResidentWindow, RequestHotKeyIsRegisteredWhileThePortIsOpen) {
    const std::u16string firstLine = u"Tellurin  COM5 9600bps 受信中";
    const struct {
        const char* name;
        KeyChord chord;
        bool olderWindows, heldElsewhere;
        std::vector<std::string> tries;
        bool registered;
    } cases[] = {
        {"Ctrl+Alt+F9", 0x0678, false, false, {"16387+120"}, true},
        {"Shift+F2", 0x0171, false, false, {"16388+113"}, true},
        {"Windows before 7: again without MOD_NOREPEAT", 0x0678, true, false, {"16387+120", "3+120"}, true},
        {"held by another program", 0x0678, false, true, {"16387+120"}, false},
        {"none set", 0x0000, false, false, {}, false},
    };
    for (const auto& c : cases) {
        FakeResidentWorld world;
        world.SetRequestCommand(u"Q\\r\\n");
        world.device.RequestHotKey = c.chord;
        world.olderWindows = c.olderWindows;
        world.chordHeldElsewhere = c.heldElsewhere;
        world.Send(kWindowCreate);
        world.Send(UM_OPEN_PORT);
        EXPECT_EQ(world.hotKeyCalls, c.tries) << c.name;
        EXPECT_EQ(world.hotKeyRegistered, c.registered) << c.name;
        const bool refused = c.chord != 0 && !c.registered;
        EXPECT_EQ(world.shown.Tip, refused ? firstLine + u"\nデータ要求のホットキーを登録できません。" : firstLine)
            << c.name;
        if (refused) {  // a reception cause is more telling
            world.causes = CauseLineError;
            world.Send(UM_RECEPTION_CAUSES);
            EXPECT_EQ(world.shown.Tip, firstLine + u"\n" + ReceptionCauseText(CauseLineError)) << c.name;
        }
        world.Send(UM_OPEN_SETTINGS);  // the port closes: the chord is free again
        EXPECT_FALSE(world.hotKeyRegistered) << c.name;
        EXPECT_EQ(world.shown.Tip.find(u"ホットキー"), std::u16string::npos) << c.name;
    }

    FakeResidentWorld noCommand;  // a chord without a command would only take it from others
    noCommand.device.RequestHotKey = 0x0678;
    noCommand.Send(UM_OPEN_PORT);
    EXPECT_TRUE(noCommand.hotKeyCalls.empty());
    EXPECT_EQ(HotKeyModifiers(0x0778), kHotKeyShift | kHotKeyControl | kHotKeyAlt);
}

}  // namespace
}  // namespace tellurin
