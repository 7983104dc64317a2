// The receiver loop over a scripted port with a clock: reads in blocks of at
// most 1024, recovery from line errors and failed reads, the event mask a
// driver refuses, the end on a stop, frames ended by silence, and the
// requests it writes between frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "resident/receiver/receiver_loop.h"
#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_editing.h"
#include "tests/fakes/fake_input_target.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/iconv_text_decoder.h"

namespace tellurin {
namespace {

// A port whose driver queue the test fills; each wait takes the next scripted
// outcome, and the stop arrives when the script runs out. Its clock moves with
// the script: a wait given a time-out that passes before the next outcome is
// due ends with TimedOut, and that outcome comes later by as much. Besides a well
// behaved driver it plays the odd ones Windows' serial drivers are known
// for: line errors in ClearCommError, reads that pend, waits that finish with
// an error or with no event, a queue count that reads never deliver, and
// event masks refused.
class ScriptedPort : public ReceiverPort {
public:
    explicit ScriptedPort(ReceiverFlags& flags) : flags_(flags) {}
    // SetCommMask fails for events the driver does not offer, and the mask
    // set before stays (on a freshly opened port: none).
    bool SetEventMask(std::uint32_t mask) override {
        const bool refused = (mask & ~supportedEvents) != 0;
        log.push_back("mask " + std::to_string(mask) + (refused ? " refused" : ""));
        if (!refused) eventMask_ = mask;
        return !refused;
    }
    void ResetStop() override { log.push_back("reset stop"); }
    bool ClearErrors(std::uint32_t& queued, std::uint32_t& errors) override {
        if (deviceGone) return false;
        queued = static_cast<std::uint32_t>(queue.size()) + phantomQueued;
        errors = lineErrors;
        lineErrors = 0;  // ClearCommError clears what it reports
        return true;
    }
    ReadResult ReadQueued(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) override {
        log.push_back("read " + std::to_string(count));
        if (++readsSinceWait > 50) {  // the loop spins on reads: end it so the test can fail
            flags_.ReceivingEnabled = false;
            flags_.ReceiverRunning = false;
            log.push_back("spinning");
        }
        if (failNextRead) {
            failNextRead = false;
            return ReadResult::Failed;
        }
        if (pendNextRead) {  // the driver completes the read later, into the same buffer
            pendNextRead = false;
            pendingBuffer_ = buffer;
            pendingCount_ = count;
            return ReadResult::Pending;
        }
        received = Take(buffer, count);
        return ReadResult::Completed;
    }
    ReadResult FinishPendingRead(std::uint32_t& received) override {
        log.push_back("finish read");
        if (pendingBuffer_ == nullptr) return ReadResult::Failed;  // nothing was pending
        std::uint8_t* buffer = pendingBuffer_;
        pendingBuffer_ = nullptr;
        if (pendingReadEnd == ReadResult::Stopped) {
            flags_.ReceivingEnabled = false;
            flags_.ReceiverRunning = false;
        }
        if (pendingReadEnd == ReadResult::Completed) received = Take(buffer, pendingCount_);
        return pendingReadEnd;
    }
    PortWait WaitForPortEventOrStop(std::uint32_t& eventMask, std::uint32_t timeout) override {
        timeouts.push_back(timeout);
        if (timeout == 0 && ++zeroWaits > 50) {  // the loop spins on waits that cannot last: end it
            flags_.ReceivingEnabled = false;
            flags_.ReceiverRunning = false;
            log.push_back("spinning");
            return PortWait::Stop;
        }
        if (timeout != kNoTimeout && (waits.empty() || waits.front().after >= timeout)) {
            now += timeout;
            if (!waits.empty()) waits.front().after -= timeout;
            log.push_back("wait: timed out");
            return PortWait::TimedOut;
        }
        if (waits.empty()) {
            flags_.ReceivingEnabled = false;  // what StopReceiver does before setting the event
            flags_.ReceiverRunning = false;
            log.push_back("wait: stop");
            return PortWait::Stop;
        }
        readsSinceWait = 0;
        // IOCTL_SERIAL_WAIT_ON_MASK fails (STATUS_INVALID_PARAMETER) when no
        // wait event is set.
        if (eventMask_ == 0) {
            log.push_back("wait refused");
            return PortWait::Failed;
        }
        const Wait wait = waits.front();
        waits.pop_front();
        now += wait.after;
        if (wait.outcome == PortWait::Request) {  // the window asked: the request event ends the wait
            askRequest();
            log.push_back("wait: request");
            return PortWait::Request;
        }
        deviceGone = wait.deviceGoes;
        queue.insert(queue.end(), wait.bytes.begin(), wait.bytes.end());
        arrivingAfterPurge = wait.bytesAfterRecovery;
        // An event that came before the wait started (latched) ends it at
        // once; only events of the current mask are reported.
        eventMask = (wait.mask | latchedEvents_) & eventMask_;
        latchedEvents_ = 0;
        // ClearCommError reports errors in the bytes this wait brings. A
        // line-status error (EV_ERR's: framing, overrun, parity; not a break
        // nor a full queue) that this wait does not report came while the
        // loop was busy: it is latched for the next wait.
        lineErrors |= wait.errors;
        if ((wait.errors & (kCommErrorFraming | kCommErrorOverrun | kCommErrorParity)) != 0 &&
            (wait.mask & kPortEventLineError) == 0)
            latchedEvents_ |= kPortEventLineError & eventMask_;
        log.push_back("wait");
        return wait.outcome;
    }
    void PurgeReceive() override {
        queue.clear();
        // Bytes on their way when the queue was purged land just after it.
        queue.insert(queue.end(), arrivingAfterPurge.begin(), arrivingAfterPurge.end());
        arrivingAfterPurge.clear();
        log.push_back("purge");
    }
    void ClearRts() override { log.push_back("clear rts"); }
    std::uint32_t TickCount() override { return now; }

    void Arrive(std::string bytes, std::uint32_t mask = kPortEventReceivedCharacter,
                PortWait outcome = PortWait::PortEvent) {
        waits.push_back({outcome, mask, std::move(bytes), false, ""});
    }
    // A wait that fails while bytes are on their way: they outlive the recovery.
    void FailWithBytesAfterRecovery(std::string bytes) {
        waits.push_back({PortWait::Failed, 0, "", false, std::move(bytes)});
    }
    // Bytes that arrive this many milliseconds after the last wait ended.
    void ArriveAfter(std::uint32_t after, std::string bytes) {
        Arrive(std::move(bytes));
        waits.back().after = after;
    }
    // The window asks for a request, which ends the wait.
    void AskDuringWait(std::uint32_t after = 0) {
        waits.push_back({PortWait::Request, 0, "", false, ""});
        waits.back().after = after;
    }
    // The device goes with this wait's outcome: from then on the port answers nothing.
    void Vanish(PortWait outcome, std::uint32_t mask = 0) { waits.push_back({outcome, mask, "", true, ""}); }
    struct Wait {
        PortWait outcome;
        std::uint32_t mask;
        std::string bytes;
        bool deviceGoes;
        std::string bytesAfterRecovery;
        // CE_* bits the bytes arrive with; when the wait's mask lacks EV_ERR,
        // they came after its end, while the loop was busy.
        std::uint32_t errors = 0;
        std::uint32_t after = 0;   // milliseconds from the last wait's end to this one's
    };
    bool deviceGone = false;
    std::deque<std::uint8_t> queue;
    std::deque<Wait> waits;
    bool failNextRead = false;
    bool pendNextRead = false;
    ReadResult pendingReadEnd = ReadResult::Completed;  // how a pending read ends
    std::uint32_t phantomQueued = 0;  // counted by ClearCommError, never delivered by a read
    std::uint32_t lineErrors = 0;     // CE_* bits of the next ClearCommError
    std::uint32_t supportedEvents = 0xFFFFu;  // EV_* bits SetCommMask takes
    std::uint32_t now = 0xFFFFF000u;  // GetTickCount, close to its wrap on purpose
    std::string arrivingAfterPurge;
    int readsSinceWait = 0;
    int zeroWaits = 0;
    std::vector<std::string> log;
    std::vector<std::uint32_t> timeouts;  // of every wait, in order
    std::function<void()> askRequest = [] {};

private:
    std::uint32_t Take(std::uint8_t* buffer, std::uint32_t count) {
        std::uint32_t taken = 0;
        for (; taken < count && !queue.empty(); ++taken) {
            buffer[taken] = queue.front();
            queue.pop_front();
        }
        return taken;
    }
    ReceiverFlags& flags_;
    std::uint32_t eventMask_ = 0;
    std::uint32_t latchedEvents_ = 0;
    std::uint8_t* pendingBuffer_ = nullptr;
    std::uint32_t pendingCount_ = 0;
};

struct Receiving {
    Receiving() {
        flags.ReceiverRunning = true;
        flags.ReceivingEnabled = true;
        communication.Protocol = u'5';
        function.KeySpeed = 9;
        function.TermKey1 = 0;
        port.askRequest = [this] { requests.Ask(); };
    }
    ReceiverEnd Run() {
        ReceiverLoop loop{flags,    port,    assembly,  communication, function, keyboard, line,
                          decoder,  target,  causes,    listener,      editing,  clock,    lastFrame,
                          device,   requests, notices};
        return RunReceiverLoop(loop);
    }
    void SetRequestCommand(const char16_t* command) {
        std::u16string_view text(command);
        std::copy(text.begin(), text.end(), device.RequestCommand);
        device.RequestCommand[text.size()] = u'\0';
    }
    // Frames typed with Tab after each, shown as "|".
    std::string Frames() const {
        std::string frames = keyboard.Transcript();
        for (auto at = frames.find("{Tab}"); at != std::string::npos; at = frames.find("{Tab}"))
            frames.replace(at, 5, "|");
        return frames;
    }
    std::vector<std::string> Reads() const {
        std::vector<std::string> reads;
        for (const auto& entry : port.log)
            if (entry.rfind("read", 0) == 0) reads.push_back(entry);
        return reads;
    }
    ReceiverFlags flags;
    ScriptedPort port{flags};
    FrameAssembly assembly{};
    CommunicationSettings communication = kDefaultCommunicationSettings;
    FunctionSettings function = kDefaultFunctionSettings;
    fakes::FakeKeyboard keyboard;
    fakes::FakeAnswerLine line{keyboard};
    fakes::IconvTextDecoder decoder;
    fakes::FakeInputTarget target;
    ReceptionCauses causes;
    fakes::CountingCauseListener listener;
    EditRules editing = kDefaultEditRules;
    fakes::FixedClock clock;
    fakes::KeptLastFrame lastFrame;
    DeviceSettings device = kDefaultDeviceSettings;
    RequestExchange requests;
    struct : RequestListener {
        void RequestWritten(std::uint32_t number) override { written.push_back(number); }
        std::vector<std::uint32_t> written;
    } notices;
};

TEST(ReceiverLoop, SetsUpWaitsAndEndsWithRtsDroppedAndQueuePurged) {
    Receiving receiving;
    receiving.port.Arrive("\x02" "AB\x03");
    EXPECT_EQ(receiving.Run(), ReceiverEnd::Stopped);
    EXPECT_EQ(receiving.port.log,
              (std::vector<std::string>{"reset stop", "mask 129", "wait", "read 4", "wait: stop", "reset stop",
                                        "clear rts", "purge"}));
    EXPECT_EQ(receiving.keyboard.Transcript(), "AB");
    EXPECT_EQ(receiving.line.AnswerLetters(), "A");
}

TEST(ReceiverLoop, LongBacklogIsReadInBlocksOfAtMost1024InOrder) {
    Receiving receiving;
    std::string backlog = "\x02";
    for (int i = 0; i < 2998; ++i) backlog += static_cast<char>('a' + i % 26);
    backlog += "\x03";  // 3000 bytes
    receiving.port.Arrive(backlog);
    receiving.Run();
    EXPECT_EQ(receiving.Reads(), (std::vector<std::string>{"read 1024", "read 1024", "read 952"}));
    EXPECT_EQ(receiving.keyboard.Transcript(), backlog.substr(1, 1023));  // one frame, cut at 1023
}

// Damaged bytes are never typed nor answered, whether the error ends a wait
// or is first seen before a read; an EV_ERR latched meanwhile comes after
// the damage is discarded, and the good frame arriving by then is kept. A
// driver refusing EV_ERR is waited on for EV_RXCHAR alone.
TEST(ReceiverLoop, LineErrorsDiscardTheQueueAndAbandonTheFrameInProgress) {
    constexpr std::uint32_t kErrorEnds = kPortEventLineError | kPortEventReceivedCharacter;
    constexpr std::uint32_t kAll = 0xFFFF;
    const struct {
        const char* name;
        std::uint32_t errors;
        std::uint32_t waitMask;  // with EV_ERR the error ends the wait, else it comes after
        std::uint32_t supportedEvents;
    } cases[] = {
        {"framing error ends the wait with EV_ERR", kCommErrorFraming, kErrorEnds, kAll},
        {"framing error while reading", kCommErrorFraming, kPortEventReceivedCharacter, kAll},
        {"parity error while reading", kCommErrorParity, kPortEventReceivedCharacter, kAll},
        {"overrun while reading", kCommErrorOverrun, kPortEventReceivedCharacter, kAll},
        {"break while reading", kCommErrorBreak, kPortEventReceivedCharacter, kAll},
        {"full queue while reading", kCommErrorReceiveQueueOverflow, kPortEventReceivedCharacter, kAll},
        {"framing error after a wait with no event", kCommErrorFraming, 0, kAll},
        {"framing error, driver without EV_ERR", kCommErrorFraming, kPortEventReceivedCharacter,
         kPortEventReceivedCharacter},
    };
    for (const auto& c : cases) {
        Receiving receiving;
        receiving.port.supportedEvents = c.supportedEvents;
        receiving.port.Arrive("\x02" "HA");
        receiving.port.Arrive("LF\x03", c.waitMask);
        receiving.port.waits.back().errors = c.errors;
        receiving.port.Arrive("\x02" "OK\x03");
        EXPECT_EQ(receiving.Run(), ReceiverEnd::Stopped) << c.name;
        EXPECT_EQ(receiving.keyboard.Transcript(), "OK") << c.name;
        EXPECT_EQ(receiving.line.AnswerLetters(), "A") << c.name;
    }
}

TEST(ReceiverLoop, FailedReadOrWaitRecoversAndGoesOn) {
    Receiving receiving;
    receiving.port.failNextRead = true;
    receiving.port.Arrive("\x02" "LOST\x03");
    receiving.port.Arrive("", 0, PortWait::Failed);
    receiving.port.Arrive("\x02" "OK\x03");
    receiving.Run();
    EXPECT_EQ(receiving.keyboard.Transcript(), "OK");
    EXPECT_EQ(std::count(receiving.port.log.begin(), receiving.port.log.end(), "purge"), 3);  // two recoveries, the end
}

// Drivers on the kernel driver framework may pend even a read of queued bytes.
TEST(ReceiverLoop, ReadThatPendsIsWaitedForAndItsBytesAreTyped) {
    const struct {
        const char* name;
        ReadResult end;
        const char* typed;
        ReceiverEnd receiverEnd;
        long purges;
    } cases[] = {
        {"completes later", ReadResult::Completed, "AB OK", ReceiverEnd::Stopped, 1},
        {"fails later: recovered, next frame typed", ReadResult::Failed, " OK", ReceiverEnd::Stopped, 2},
        {"stop while pending: nothing typed", ReadResult::Stopped, "", ReceiverEnd::Stopped, 1},
    };
    for (const auto& c : cases) {
        Receiving receiving;
        receiving.port.pendNextRead = true;
        receiving.port.pendingReadEnd = c.end;
        receiving.port.Arrive("\x02" "AB\x03");
        receiving.port.Arrive("\x02" " OK\x03");
        EXPECT_EQ(receiving.Run(), c.receiverEnd) << c.name;
        EXPECT_EQ(receiving.keyboard.Transcript(), c.typed) << c.name;
        EXPECT_EQ(std::count(receiving.port.log.begin(), receiving.port.log.end(), "finish read"), 1) << c.name;
        EXPECT_EQ(std::count(receiving.port.log.begin(), receiving.port.log.end(), "purge"), c.purges) << c.name;
    }
}

// A driver that refuses every port-event wait at once, while its status still
// answers, would keep the loop spinning; a received byte resets the count.
TEST(ReceiverLoop, WaitsFailingAtOnceInARowGiveThePortUp) {
    Receiving giveUp;
    for (std::uint32_t i = 0; i < kFailedWaitsBeforeGivingUp + 5; ++i) giveUp.port.Arrive("", 0, PortWait::Failed);
    EXPECT_EQ(giveUp.Run(), ReceiverEnd::DeviceGone);
    EXPECT_EQ(giveUp.port.waits.size(), 5u) << "waited again after the last failure allowed";

    Receiving goesOn;
    for (std::uint32_t round = 0; round < 3; ++round) {
        for (std::uint32_t i = 0; i + 1 < kFailedWaitsBeforeGivingUp; ++i) goesOn.port.Arrive("", 0, PortWait::Failed);
        goesOn.port.Arrive("\x02" "Z\x03");
    }
    EXPECT_EQ(goesOn.Run(), ReceiverEnd::Stopped);
    EXPECT_EQ(goesOn.keyboard.Transcript(), "ZZZ");
}

// A driver that takes no event mask, not even EV_RXCHAR alone, could only
// fail every wait: its port is given up at once, with nothing read.
TEST(ReceiverLoop, PortRefusingEveryEventMaskIsGivenUpAtOnce) {
    Receiving receiving;
    receiving.port.supportedEvents = 0;
    receiving.port.queue = {0x02, 'N', 'O', 0x03};
    receiving.port.Arrive("");
    EXPECT_EQ(receiving.Run(), ReceiverEnd::DeviceGone);
    EXPECT_EQ(receiving.port.log, (std::vector<std::string>{"reset stop", "mask 129 refused", "mask 1 refused",
                                                            "clear rts", "purge"}));
}

// Only bytes really received show that the port works: a failed wait, and a
// wait that ends with no event while nothing is queued, count towards giving
// the port up; an event that brings nothing neither counts nor resets. Only
// failures within 5 s of each other count together: harmless ones hours
// apart do not add up. Script letters: F failed wait, 0 no event and nothing
// queued, E an event that brings no byte, B an event with a frame, R a failed
// wait whose frame arrives just after the recovery, Z no event with a frame
// queued; the next wait ends 5001 ms later after +, 5000 ms after =, else
// at once. The clock wraps on the way.
TEST(ReceiverLoop, FailedWaitCountIsResetOnlyByBytesReceived) {
    const struct {
        const char* script;
        ReceiverEnd end;
        std::size_t waitsLeft;
        const char* typed;
    } cases[] = {
        {"FFFB", ReceiverEnd::DeviceGone, 1, ""},
        {"FFBFFB", ReceiverEnd::Stopped, 0, "ZZ"},
        {"FFEFB", ReceiverEnd::DeviceGone, 1, ""},   // an empty event is no sign of life
        {"F0FB", ReceiverEnd::DeviceGone, 1, ""},    // nor is an event with no mask
        {"000B", ReceiverEnd::DeviceGone, 1, ""},    // a driver ending every wait at once
        {"FRFFB", ReceiverEnd::Stopped, 0, "ZZ"},    // bytes after a recovery reset the count
        {"FFZFFB", ReceiverEnd::Stopped, 0, "ZZ"},   // no mask, but bytes were there
        {"0E0E0B", ReceiverEnd::DeviceGone, 1, ""},
        {"0+0+0B", ReceiverEnd::Stopped, 0, "Z"},
        {"F+F+FB", ReceiverEnd::Stopped, 0, "Z"},
        {"00+00B", ReceiverEnd::Stopped, 0, "Z"},     // a gap starts the count again
        {"0=0=0B", ReceiverEnd::DeviceGone, 1, ""},  // 5 s apart still count together
    };
    for (const auto& c : cases) {
        Receiving receiving;
        std::uint32_t gap = 0;
        for (const char* letter = c.script; *letter != '\0'; ++letter) {
            if (*letter == '+' || *letter == '=') {
                gap = *letter == '+' ? 5001 : 5000;
                continue;
            }
            switch (*letter) {
                case 'F': receiving.port.Arrive("", 0, PortWait::Failed); break;
                case '0': receiving.port.Arrive("", 0); break;
                case 'E': receiving.port.Arrive(""); break;
                case 'B': receiving.port.Arrive("\x02" "Z\x03"); break;
                case 'R': receiving.port.FailWithBytesAfterRecovery("\x02" "Z\x03"); break;
                case 'Z': receiving.port.Arrive("\x02" "Z\x03", 0); break;
            }
            receiving.port.waits.back().after = gap;
            gap = 0;
        }
        EXPECT_EQ(receiving.Run(), c.end) << c.script;
        EXPECT_EQ(receiving.port.waits.size(), c.waitsLeft) << c.script;
        EXPECT_EQ(receiving.keyboard.Transcript(), c.typed) << c.script;
    }
}

// Some drivers count bytes in ClearCommError that a read then does not
// deliver: each empty read goes back to the wait, so the loop never spins.
TEST(ReceiverLoop, ReadThatBringsNothingGoesBackToTheWait) {
    Receiving receiving;
    receiving.port.phantomQueued = 3;
    receiving.port.Arrive("");
    receiving.port.Arrive("");
    EXPECT_EQ(receiving.Run(), ReceiverEnd::Stopped);
    EXPECT_EQ(std::count(receiving.port.log.begin(), receiving.port.log.end(), "spinning"), 0);
    EXPECT_EQ(receiving.Reads().size(), 3u) << "one read after each wait, and one before the first";
}

// Line errors and overruns that ClearCommError reports become reception
// causes; a frame typed afterwards clears them.
TEST(ReceiverLoop, LineErrorsAndOverrunsAreRecordedUntilAFrameIsTyped) {
    const struct {
        std::uint32_t errors;
        std::uint32_t cause;
    } cases[] = {
        {kCommErrorFraming, CauseLineError},          {kCommErrorParity, CauseLineError},
        {kCommErrorBreak, CauseLineError},            {kCommErrorOverrun, CauseOverrun},
        {kCommErrorReceiveQueueOverflow, CauseOverrun},
    };
    for (const auto& c : cases) {
        Receiving receiving;
        receiving.port.lineErrors = c.errors;
        receiving.port.Arrive("", kPortEventLineError);
        receiving.Run();
        EXPECT_EQ(receiving.causes.Active(), c.cause) << c.errors;
        EXPECT_EQ(receiving.listener.notices, 1) << c.errors;

        receiving.flags.ReceiverRunning = receiving.flags.ReceivingEnabled = true;
        receiving.port.Arrive("\x02" "OK\x03");
        receiving.Run();
        EXPECT_EQ(receiving.causes.Active(), 0u) << c.errors;
    }
}

// Whatever way the wait ends when the device goes (at once with no event, an
// error event, a failed wait), the loop ends instead of waiting again, and a
// frame cut off is not finished by the next port's bytes.
TEST(ReceiverLoop, EndsWhenTheDeviceHasGoneAndAbandonsTheFrameInProgress) {
    for (auto [outcome, mask] : {std::pair{PortWait::PortEvent, 0u}, std::pair{PortWait::PortEvent, kPortEventLineError},
                                 std::pair{PortWait::Failed, 0u}}) {
        Receiving receiving;
        receiving.port.Arrive("\x02" "OK\x03\x02" "HA");
        receiving.port.Vanish(outcome, mask);
        receiving.port.Arrive("\x02" "NEVER\x03");
        EXPECT_EQ(receiving.Run(), ReceiverEnd::DeviceGone);
        EXPECT_EQ(receiving.port.waits.size(), 1u) << "waited again on a port without a device";
        EXPECT_EQ(receiving.assembly.State, FrameState::Idle);
        EXPECT_EQ(receiving.keyboard.Transcript(), "OK");
        EXPECT_EQ(receiving.port.log.back(), "purge");
    }
}

TEST(ReceiverLoop, NothingIsReadWhileReceivingIsNotEnabled) {
    Receiving receiving;
    receiving.flags.ReceivingEnabled = false;
    receiving.port.Arrive("\x02" "AB\x03");
    receiving.Run();
    EXPECT_TRUE(receiving.Reads().empty());
    EXPECT_EQ(receiving.keyboard.Transcript(), "");
}

TEST(ReceiverLoop, RestartKeepsTheNakRunAndFollowsTheCurrentProtocol) {
    Receiving receiving;
    for (int i = 0; i < 19; ++i) receiving.port.Arrive("\x02\x03");
    receiving.Run();
    EXPECT_EQ(receiving.line.AnswerLetters(), std::string(19, 'N'));

    receiving.flags.ReceiverRunning = receiving.flags.ReceivingEnabled = true;
    receiving.communication.Protocol = u'3';  // CR framing after the restart
    receiving.port.Arrive("\r");
    receiving.Run();
    EXPECT_EQ(receiving.line.AnswerLetters(), std::string(19, 'N') + "A");  // the 20th bad frame
}

// Protocol '6': a frame ends when no byte has come for FrameGap (50 ms here),
// wherever the reads split it; a gap of exactly FrameGap ends it too. Every
// byte is data (CR and LF included, dropped by the editing step as any
// control byte), nothing is answered, and a frame that reaches 1023 bytes
// ends there, the next byte beginning the next frame.
TEST(ReceiverLoop, SilenceEndsFramesUnderProtocolSix) {
    const std::string limit(1023, 'L');
    const struct {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::string>> arrivals;  // after how many ms, which bytes
        std::string frames;
    } cases[] = {
        {"split across reads, each gap below FrameGap", {{0, "AB"}, {30, "CD"}, {49, "EF"}}, "ABCDEF|"},
        {"a gap just below FrameGap", {{0, "AB"}, {49, "CD"}}, "ABCD|"},
        {"a gap of exactly FrameGap", {{0, "AB"}, {50, "CD"}}, "AB|CD|"},
        {"a gap just above FrameGap", {{0, "AB"}, {51, "CD"}}, "AB|CD|"},
        {"end bytes of other protocols are data", {{0, "\x02" "12\r\n"}, {10, "34\x03"}, {400, "5\r"}}, "1234|5|"},
        {"a frame reaching the limit ends there", {{0, limit + "XY"}}, limit + "|XY|"},
        {"the limit across reads of 1024", {{0, limit + "Z" + limit}}, limit + "|Z" + limit.substr(1) + "|L|"},
    };
    for (const auto& c : cases) {
        Receiving receiving;
        receiving.communication.Protocol = u'6';
        receiving.function.TermKey1 = 0x0009;
        for (const auto& [after, bytes] : c.arrivals) receiving.port.ArriveAfter(after, bytes);
        EXPECT_EQ(receiving.Run(), ReceiverEnd::Stopped) << c.name;
        EXPECT_EQ(receiving.Frames(), c.frames) << c.name;
        EXPECT_EQ(receiving.line.Writes(), "") << c.name;
    }
}

// The wait has a time-out only while a frame of protocol '6' is open, and
// just as long as the gap still to go; an idle port never wakes the loop,
// under '6' as under the other protocols.
TEST(ReceiverLoop, OnlyAnOpenSilenceFrameGivesTheWaitATimeOut) {
    Receiving open;
    open.communication.Protocol = u'6';
    open.port.ArriveAfter(0, "AB");
    open.port.ArriveAfter(20, "C");
    open.Run();
    EXPECT_EQ(open.port.timeouts, (std::vector<std::uint32_t>{kNoTimeout, 50, 50, kNoTimeout}));
    EXPECT_EQ(open.keyboard.Transcript(), "ABC");

    for (const char16_t protocol : {u'6', u'5', u'0'}) {
        Receiving idle;
        idle.communication.Protocol = protocol;
        idle.port.Arrive("", 0);  // a wait that ends with no event
        idle.port.Arrive("");
        idle.Run();
        EXPECT_EQ(idle.port.timeouts, std::vector<std::uint32_t>(3, kNoTimeout)) << static_cast<char>(protocol);
        EXPECT_EQ(std::count(idle.port.log.begin(), idle.port.log.end(), "wait: timed out"), 0);
    }
}

// A keyboard whose typing the window interrupts with a request, as the hot
// key may come while a frame is typed.
struct AskingKeyboard : fakes::FakeKeyboard {
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override {
        if (askAtEvent >= 0 && static_cast<int>(Events().size()) == askAtEvent) ask();
        FakeKeyboard::SendKeyEvent(flags, virtualKey, scanCode);
    }
    int askAtEvent = -1;
    std::function<void()> ask;
};

// A line on which the window asks for a request while an answer is written,
// twice before the receiver gets to it.
struct AskingLine : fakes::FakeAnswerLine {
    using FakeAnswerLine::FakeAnswerLine;
    AnswerOutcome WriteAnswer(std::uint8_t answer) override {
        ask();
        ask();
        return FakeAnswerLine::WriteAnswer(answer);
    }
    std::function<void()> ask;
};

// Requests go out through the answers' writer, between frames: one asked
// while an answer is written or a frame typed goes right after the frame, and
// asks that pile up meanwhile go out once. Only a frame completed after the
// write answers it, and clears the no-answer cause.
TEST(ReceiverLoop, RequestsAreWrittenBetweenFramesAndAnsweredByTheNextFrame) {
    Receiving idle;
    idle.SetRequestCommand(u"Q\\r\\n");
    idle.port.AskDuringWait();
    idle.port.AskDuringWait(10);
    idle.Run();
    EXPECT_EQ(idle.line.Requests(), (std::vector<std::string>{"Q\r\n", "Q\r\n"}));
    EXPECT_EQ(idle.notices.written, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_FALSE(idle.requests.Answered(2));

    // Asked while the frame's answer is written: the frame is typed first.
    Receiving answering;
    answering.SetRequestCommand(u"S\\r\\n");
    AskingLine askingLine{answering.keyboard};
    askingLine.ask = [&answering] { answering.requests.Ask(); };
    ReceiverLoop loop{answering.flags,    answering.port,     answering.assembly, answering.communication,
                      answering.function, answering.keyboard, askingLine,         answering.decoder,
                      answering.target,   answering.causes,   answering.listener, answering.editing,
                      answering.clock,    answering.lastFrame, answering.device,  answering.requests,
                      answering.notices};
    answering.port.Arrive("\x02" "OK\x03");
    RunReceiverLoop(loop);
    EXPECT_EQ(askingLine.Writes(), "AR");
    EXPECT_EQ(askingLine.KeyEventsBeforeRequest(), std::vector<std::size_t>{answering.keyboard.Events().size()});
    EXPECT_EQ(answering.notices.written, std::vector<std::uint32_t>{2});
    EXPECT_FALSE(answering.requests.Answered(2)) << "the frame before the request answered it";

    // Asked while a frame of protocol '6' is typed; the next frame answers it.
    Receiving typing;
    AskingKeyboard keyboard;
    typing.SetRequestCommand(u"\\x1bP");
    typing.communication.Protocol = u'6';
    keyboard.askAtEvent = 1;
    keyboard.ask = [&typing] { typing.requests.Ask(); };
    typing.causes.Raise(CauseNoAnswer, typing.listener);
    fakes::FakeAnswerLine line{keyboard};
    ReceiverLoop typingLoop{typing.flags,    typing.port,   typing.assembly,  typing.communication, typing.function,
                            keyboard,        line,          typing.decoder,   typing.target,        typing.causes,
                            typing.listener, typing.editing, typing.clock,    typing.lastFrame,     typing.device,
                            typing.requests, typing.notices};
    typing.port.ArriveAfter(0, "+12.5 g");
    typing.port.ArriveAfter(500, "+12.6 g");
    RunReceiverLoop(typingLoop);
    ASSERT_EQ(line.Requests(), std::vector<std::string>{"\x1bP"});
    // Both frames type alike: the request went out right after the first.
    EXPECT_EQ(line.KeyEventsBeforeRequest()[0] * 2, keyboard.Events().size());
    EXPECT_EQ(keyboard.Transcript(), "+12.5 g+12.6 g");
    EXPECT_TRUE(typing.requests.Answered(1));
    EXPECT_EQ(typing.causes.Active(), 0u);

    // No command set: nothing is written, nothing told.
    Receiving none;
    none.port.AskDuringWait();
    none.Run();
    EXPECT_TRUE(none.line.Requests().empty());
    EXPECT_TRUE(none.notices.written.empty());
}

}  // namespace
}  // namespace tellurin
