// Port opening against declared capabilities: the mapping of every setting,
// the order of failures and their messages, queue sizes and flow limits, the
// fixed settings (on line states pre-filled with 0x00 and 0xFF), and that
// every failure leaves the port closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/store/port_opening.h"
#include "tests/fakes/fake_serial_port.h"

namespace tellurin {
namespace {

using fakes::FakeQuestion;
using fakes::FakeSerialPort;

CommunicationSettings Settings(const char16_t* baud, char16_t data, char16_t stop, char16_t parity, char16_t flow) {
    CommunicationSettings settings = kDefaultCommunicationSettings;
    std::u16string text = baud;
    std::fill(std::begin(settings.BaudRate), std::end(settings.BaudRate), u'\0');
    std::copy(text.begin(), text.end(), settings.BaudRate);
    settings.DataBit = data;
    settings.StopBit = stop;
    settings.Parity = parity;
    settings.FlowControl = flow;
    return settings;
}

struct Opening {
    std::int32_t Open(const CommunicationSettings& settings) {
        const std::int32_t result = OpenConfiguredPort(settings, port, question);
        EXPECT_EQ(port.MisuseCount(), 0) << "an operation reached a port that was not open";
        if (result != kPortOpened) EXPECT_FALSE(port.IsOpen()) << "a failed opening left the port open";
        return result;
    }
    FakeSerialPort port;
    FakeQuestion question{true};
};

TEST(PortOpening, OpensConfiguresAndRaisesRtsOnAWineLikePort) {
    Opening opening;
    EXPECT_EQ(opening.Open(Settings(u"9600", u'7', u'1', u'E', u'R')), kPortOpened);
    EXPECT_TRUE(opening.port.IsOpen());
    EXPECT_TRUE(opening.port.RtsRaised());
    EXPECT_EQ(opening.port.OpenedPath(), u"\\\\.\\COM1");
    EXPECT_TRUE(opening.question.texts.empty());
    const CommTimeoutSettings& timeouts = opening.port.Timeouts();
    EXPECT_EQ(timeouts.ReadIntervalTimeout, kMaxDword);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant +
                  timeouts.WriteTotalTimeoutMultiplier + timeouts.WriteTotalTimeoutConstant,
              0u);
    EXPECT_EQ(opening.port.InputQueue(), 4096u);
    EXPECT_EQ(opening.port.OutputQueue(), 256u);
    const DeviceControlBlock* state = opening.port.StateSet();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->BaudRate, 9600u);
    EXPECT_EQ(state->ByteSize, 7);
    EXPECT_EQ(state->StopBits, kOneStopBit);
    EXPECT_EQ(state->Parity, kEvenParity);
    EXPECT_EQ(state->fRtsControl, kRtsControlHandshake);
    EXPECT_EQ(state->XonLim, 512);
}

TEST(PortOpening, EveryListedRateOpensOnEveryDriverTable) {
    const std::uint32_t rates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (const fakes::DriverTable& driver : fakes::kDriverTables) {
        for (std::size_t index = 0; index < kBaudRateCount; ++index) {
            Opening opening;
            opening.port.Properties = driver.Properties();
            ASSERT_EQ(opening.Open(Settings(kBaudRateTexts[index], u'8', u'1', u'N', u'N')), kPortOpened)
                << driver.Name << " " << rates[index];
            EXPECT_EQ(opening.port.StateSet()->BaudRate, rates[index]) << driver.Name;
            EXPECT_TRUE(opening.question.texts.empty()) << driver.Name;
        }
    }
}

TEST(PortOpening, EachRateNeedsItsOwnCapabilityBit) {
    // BAUD_* bits as the platform documents them.
    const struct {
        const char16_t* text;
        std::uint32_t bit;
    } rates[] = {{u"110", 0x2},      {u"300", 0x10},      {u"600", 0x20},      {u"1200", 0x40},
                 {u"2400", 0x100},   {u"4800", 0x200},    {u"9600", 0x800},    {u"19200", 0x2000},
                 {u"38400", 0x4000}, {u"57600", 0x40000}, {u"115200", 0x20000}};
    for (const auto& rate : rates) {
        SCOPED_TRACE(testing::Message() << "capability bit " << rate.bit);
        Opening alone;
        alone.port.Properties.dwMaxBaud = 0x20000;  // no BAUD_USER fallback
        alone.port.Properties.dwSettableBaud = rate.bit;
        EXPECT_EQ(alone.Open(Settings(rate.text, u'8', u'1', u'N', u'N')), kPortOpened);

        Opening without;
        without.port.Properties.dwMaxBaud = 0x20000;
        without.port.Properties.dwSettableBaud = 0x0006FFFF & ~rate.bit;
        EXPECT_EQ(without.Open(Settings(rate.text, u'8', u'1', u'N', u'N')), kAnswerOpenSettings);
        EXPECT_EQ(without.question.texts, std::vector<std::u16string>{PortErrorText(u"COM1", PortErrorBaudRate)});
    }
}

struct LineCase {
    const char* name;
    char16_t data, stop, parity, flow;
    std::uint8_t byteSize, stopBits, parityValue;
    std::uint32_t inX, rtsControl;
};

TEST(PortOpening, LineSettingsMapToTheirDcbValues) {
    const LineCase cases[] = {
        {"8N2 none", u'8', u'2', u'N', u'N', 8, kTwoStopBits, kNoParity, 0, kRtsControlEnable},
        {"7O1 rts/cts", u'7', u'1', u'O', u'R', 7, kOneStopBit, kOddParity, 0, kRtsControlHandshake},
        {"8E1 xon/xoff", u'8', u'1', u'E', u'X', 8, kOneStopBit, kEvenParity, 1, kRtsControlEnable},
    };
    for (const LineCase& c : cases) {
        Opening opening;
        opening.port.Properties.dwProvCapabilities |= kCapabilityXonXoff;
        ASSERT_EQ(opening.Open(Settings(u"4800", c.data, c.stop, c.parity, c.flow)), kPortOpened) << c.name;
        const DeviceControlBlock* state = opening.port.StateSet();
        EXPECT_EQ(state->ByteSize, c.byteSize) << c.name;
        EXPECT_EQ(state->StopBits, c.stopBits) << c.name;
        EXPECT_EQ(state->Parity, c.parityValue) << c.name;
        EXPECT_EQ(state->fInX, c.inX) << c.name;
        EXPECT_EQ(state->fRtsControl, c.rtsControl) << c.name;
        EXPECT_EQ(state->fParity, 1u) << c.name;
    }
}

TEST(PortOpening, ParityCheckFollowsItsOwnSettableBit) {
    // A driver may declare parity settable without parity checking, or the reverse.
    const struct {
        const char* name;
        std::uint32_t settable;
        std::uint32_t parityCheck;
        std::uint8_t parity;
    } cases[] = {{"SP_PARITY alone", 0x0001, 0, 1}, {"SP_PARITY_CHECK alone", 0x0020, 1, 0}};
    for (const auto& c : cases) {
        Opening opening;
        opening.port.SetInitialState(0x00);
        opening.port.Properties.dwSettableParams = c.settable;
        ASSERT_EQ(opening.Open(Settings(u"9600", u'8', u'1', u'O', u'N')), kPortOpened) << c.name;
        EXPECT_EQ(opening.port.StateSet()->fParity, c.parityCheck) << c.name;
        EXPECT_EQ(opening.port.StateSet()->Parity, c.parity) << c.name;
    }
}

struct FailureCase {
    const char* name;
    CommunicationSettings settings;
    void (*limit)(CommProperties&);
    std::int32_t code;
};

TEST(PortOpening, FirstUnusableSettingInFixedOrderIsReported) {
    const FailureCase cases[] = {
        {"baud without bit or kBaudUser", Settings(u"57600", u'8', u'2', u'N', u'N'),
         [](CommProperties& p) { p.dwSettableBaud &= ~kBaud57600; p.dwMaxBaud = kBaud115200; }, PortErrorBaudRate},
        {"baud text not in the list", Settings(u"14400", u'8', u'2', u'N', u'N'),
         [](CommProperties& p) { p.dwMaxBaud = 0; }, PortErrorBaudRate},
        {"7 data bits not settable", Settings(u"4800", u'7', u'2', u'N', u'N'),
         [](CommProperties& p) { p.wSettableData = kDataBits8; }, PortErrorDataBit},
        {"data bit letter unknown", Settings(u"4800", u'9', u'2', u'N', u'N'), [](CommProperties&) {},
         PortErrorDataBit},
        {"two stop bits not settable", Settings(u"4800", u'8', u'2', u'N', u'N'),
         [](CommProperties& p) { p.wSettableStopParity &= ~kStopBits20; }, PortErrorStopBit},
        {"even parity not settable", Settings(u"4800", u'8', u'1', u'E', u'N'),
         [](CommProperties& p) { p.wSettableStopParity &= ~kParityEven; }, PortErrorParity},
        {"rts/cts without kCapabilityRtsCts", Settings(u"4800", u'8', u'1', u'N', u'R'),
         [](CommProperties& p) { p.dwProvCapabilities &= ~kCapabilityRtsCts; }, PortErrorFlowControl},
        {"xon/xoff without kCapabilityXonXoff (as under Wine)", Settings(u"4800", u'8', u'1', u'N', u'X'),
         [](CommProperties&) {}, PortErrorFlowControl},
        {"everything unusable: baud first", Settings(u"1", u'9', u'9', u'Z', u'Z'),
         [](CommProperties& p) { p.dwMaxBaud = 0; }, PortErrorBaudRate},
        {"data, parity and flow unusable: data first", Settings(u"4800", u'9', u'1', u'Z', u'Z'),
         [](CommProperties&) {}, PortErrorDataBit},
    };
    for (const FailureCase& c : cases) {
        Opening opening;
        c.limit(opening.port.Properties);
        EXPECT_EQ(opening.Open(c.settings), kAnswerOpenSettings) << c.name;
        ASSERT_EQ(opening.question.texts.size(), 1u) << c.name;
        EXPECT_EQ(opening.question.texts[0], PortErrorText(u"COM1", c.code)) << c.name;
        EXPECT_EQ(opening.port.StateSet(), nullptr) << c.name;
    }
}

TEST(PortOpening, UserRateCapablePortRunsAtTheRateAskedFor) {
    Opening opening;
    opening.port.Properties = fakes::UsbUserRateProperties();
    ASSERT_EQ(opening.Open(Settings(u"57600", u'8', u'2', u'N', u'N')), kPortOpened);
    EXPECT_EQ(opening.port.StateSet()->BaudRate, 57600u);

    Opening unlisted;
    unlisted.port.Properties = fakes::UsbUserRateProperties();
    ASSERT_EQ(unlisted.Open(Settings(u"14400", u'8', u'2', u'N', u'N')), kPortOpened);
    EXPECT_EQ(unlisted.port.StateSet()->BaudRate, 115200u);
}

TEST(PortOpening, FixedSettingsAreWrittenAndPortValuesKeptWhateverTheStartingState) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        Opening opening;
        opening.port.SetInitialState(fill);
        opening.port.Properties.dwSettableParams = 0;  // nothing settable: only the fixed settings
        ASSERT_EQ(opening.Open(Settings(u"9600", u'7', u'1', u'E', u'R')), kPortOpened);
        const DeviceControlBlock& state = *opening.port.StateSet();
        EXPECT_EQ(state.fBinary, 1u);
        EXPECT_EQ(state.fOutxCtsFlow, 1u);
        EXPECT_EQ(state.fDtrControl, kDtrControlEnable);
        EXPECT_EQ(state.fDsrSensitivity, 0u);
        EXPECT_EQ(state.fTXContinueOnXoff, 1u);
        EXPECT_EQ(state.fOutX, 0u);
        EXPECT_EQ(state.fErrorChar, 0u);
        EXPECT_EQ(state.fNull, 1u);
        EXPECT_EQ(state.fAbortOnError, 0u);
        EXPECT_EQ(state.wReserved, 0u);
        EXPECT_EQ(state.XonLim, 512u);
        EXPECT_EQ(state.XoffLim, 512u);
        EXPECT_EQ(state.XonChar, 0x11);
        EXPECT_EQ(state.XoffChar, 0x13);
        EXPECT_EQ(state.ErrorChar, 0);
        // Not declared settable, or never touched: the port's own values stay.
        const std::uint32_t word = fill == 0 ? 0u : 0xFFFFFFFFu;
        EXPECT_EQ(state.BaudRate, word);
        EXPECT_EQ(state.ByteSize, fill);
        EXPECT_EQ(state.StopBits, fill);
        EXPECT_EQ(state.Parity, fill);
        EXPECT_EQ(state.fParity, word);
        EXPECT_EQ(state.fInX, word);
        EXPECT_EQ(state.fRtsControl, word);
        EXPECT_EQ(state.fOutxDsrFlow, word);
        EXPECT_EQ(static_cast<std::uint8_t>(state.EofChar), fill);
        EXPECT_EQ(static_cast<std::uint8_t>(state.EvtChar), fill);
    }
}

TEST(PortOpening, QueueSizesAndFlowLimits) {
    const struct {
        std::uint32_t maxRx, maxTx, input, output;
    } queues[] = {{0, 0, 16384, 256}, {16384, 256, 16384, 256}, {4096, 128, 4096, 128}, {100000, 999, 16384, 256}};
    for (const auto& q : queues) {
        CommProperties properties{};
        properties.dwMaxRxQueue = q.maxRx;
        properties.dwMaxTxQueue = q.maxTx;
        const QueueSizes sizes = PlanQueueSizes(properties);
        EXPECT_EQ(sizes.Input, q.input) << q.maxRx;
        EXPECT_EQ(sizes.Output, q.output) << q.maxTx;
    }
    const struct {
        std::uint32_t current;
        std::uint16_t limit;
    } limits[] = {{4096, 512}, {16384, 2048}, {16385, 2048}, {1u << 20, 2048}, {0, 0}, {7, 0}};
    for (const auto& l : limits) {
        CommProperties properties{};
        properties.dwCurrentRxQueue = l.current;
        EXPECT_EQ(FlowLimitFor(properties), l.limit) << l.current;
    }
}

TEST(PortOpening, PortThatCannotBeOpenedAsksAndAnswersWithTheUsersChoice) {
    for (bool yes : {true, false}) {
        FakeSerialPort port;
        port.FailOpen = true;
        FakeQuestion question(yes);
        CommunicationSettings settings = kDefaultCommunicationSettings;
        settings.CommPort[3] = u'3';
        EXPECT_EQ(OpenConfiguredPort(settings, port, question), yes ? kAnswerOpenSettings : kAnswerQuit);
        ASSERT_EQ(question.texts.size(), 1u);
        EXPECT_EQ(question.texts[0], u"シリアルポート COM3 が取得できません。\n\n\u3000設定を変更しますか？");
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST(PortOpening, FailuresAfterTheOpenCloseThePortFirst) {
    const struct {
        const char* name;
        void (*arrange)(FakeSerialPort&);
        std::int32_t result;
        bool asks;
    } cases[] = {
        {"properties unreadable", [](FakeSerialPort& p) { p.FailProperties = true; }, kAnswerOpenSettings, true},
        {"line state unreadable", [](FakeSerialPort& p) { p.FailGetState = true; }, kAnswerOpenSettings, true},
        {"line state refused", [](FakeSerialPort& p) { p.FailSetState = true; }, kAnswerOpenSettings, true},
        {"time-outs refused", [](FakeSerialPort& p) { p.FailTimeouts = true; }, kPortTimeoutsRefused, false},
    };
    for (const auto& c : cases) {
        Opening opening;
        c.arrange(opening.port);
        EXPECT_EQ(opening.Open(Settings(u"4800", u'8', u'2', u'N', u'N')), c.result) << c.name;
        EXPECT_EQ(opening.question.texts.size(), c.asks ? 1u : 0u) << c.name;
        if (c.asks) EXPECT_EQ(opening.question.texts[0], PortErrorText(u"COM1", PortErrorOpen)) << c.name;
    }
}

TEST(PortOpening, MessagesNameTheSettingAndFitTheBuffer) {
    const char16_t* names[] = {u"ボーレート", u"データビット", u"ストップビット", u"パリティ", u"フロー制御"};
    for (std::int32_t code = PortErrorBaudRate; code <= PortErrorFlowControl; ++code) {
        const std::u16string text = PortErrorText(u"COM1", code);
        EXPECT_EQ(text, u"［通信設定－" + std::u16string(names[code - PortErrorBaudRate]) +
                            u"］の設定値が使用できません。\n\n\u3000設定を変更しますか？");
    }
    EXPECT_LE(PortErrorText(u"COM256", PortErrorOpen).size(), 127u);
}

TEST(PortOpening, UnterminatedPortNameIsReadWithinTheRecord) {
    Opening opening;
    CommunicationSettings settings = kDefaultCommunicationSettings;
    const std::u16string seven = u"COM1234";
    std::copy(seven.begin(), seven.end(), settings.CommPort);  // no terminator in the field
    opening.port.FailOpen = true;
    opening.Open(settings);
    EXPECT_EQ(opening.port.OpenedPath(), u"\\\\.\\COM1234");
}

}  // namespace
}  // namespace tellurin
