// Zeroing, reading and writing the settings, and the default setup, against the simulated
// recorder: frames sent, replies judged per caller, limits and messages.

#include "device/actions.h"
#include "device/simulated_bus.h"
#include "flight/flight_header.h"
#include "flight/generator.h"
#include "tests/support/fake_prompts.h"

#include <gtest/gtest.h>
#include <ostream>

namespace kestrom {
namespace {

using namespace std::chrono_literals;
using test::FakePrompts;
using test::ShownMessage;
using Frame = std::array<std::uint8_t, 8>;
using Bytes = std::vector<std::uint8_t>;

struct SettingsRig {
    SettingsRig() : recorder(bus.addRecorder()), link(bus) {
        link.sleep = [this](std::chrono::milliseconds wait) { waits.push_back(wait); };
    }
    // Connects and forgets the handshake frame and its messages.
    void connect() {
        link.ConnectDevice(prompts);
        recorder.frames.clear();
    }
    SimulatedBus bus;
    SimulatedRecorder& recorder;
    DeviceLink link;
    FakePrompts prompts;
    std::vector<std::chrono::milliseconds> waits;
};

// ---- Zeroing ----

struct ZeroCase {
    const char* name;
    std::optional<Bytes> reply; // nullopt: the recorder's own answer
    Answer answer;
    ZeroOutcome outcome;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const ZeroCase& c, std::ostream* out) { *out << c.name; }

class Zeroing : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(Zeroing, ExactlyTwoBytesOfAa) {
    SettingsRig rig;
    if (GetParam().reply) {
        rig.recorder.faults.replyOverride[command::kZero] = GetParam().reply;
    }
    rig.prompts.answers.push_back(GetParam().answer);
    const ZeroOutcome outcome = zeroRecorder(rig.link, rig.prompts);
    EXPECT_EQ(outcome, GetParam().outcome);
    ASSERT_FALSE(rig.prompts.shown.empty());
    EXPECT_EQ(
        rig.prompts.shown[0],
        (ShownMessage{Message::ResetConfirm, Message::ResetConfirmCaption, Buttons::OkCancel}));
    switch (outcome) {
    case ZeroOutcome::Done:
        EXPECT_EQ(rig.prompts.shown.back(),
                  (ShownMessage{Message::ResetDone, Message::ResetDoneCaption, Buttons::Ok}));
        EXPECT_TRUE(rig.link.connected());
        break;
    case ZeroOutcome::Failed:
        EXPECT_EQ(rig.prompts.shown.back(),
                  (ShownMessage{Message::ResetError, Message::ProblemCaption, Buttons::Ok}));
        EXPECT_FALSE(rig.link.connected());
        break;
    default:
        EXPECT_EQ(rig.prompts.shown.size(), 1u);
        EXPECT_EQ(rig.recorder.state.zeroings, 0); // nothing sent after Cancel
        EXPECT_TRUE(rig.link.connected());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Zeroing,
    ::testing::Values(ZeroCase{"acknowledged", std::nullopt, Answer::Ok, ZeroOutcome::Done},
                      ZeroCase{"cancelled", std::nullopt, Answer::Cancel, ZeroOutcome::Cancelled},
                      ZeroCase{"extra_bytes", Bytes{0xAA, 0xAA, 0x00}, Answer::Ok,
                               ZeroOutcome::Failed},
                      ZeroCase{"one_byte", Bytes{0xAA}, Answer::Ok, ZeroOutcome::Failed},
                      ZeroCase{"wrong_value", Bytes{0xAA, 0xAB}, Answer::Ok, ZeroOutcome::Failed},
                      ZeroCase{"silent", Bytes{}, Answer::Ok, ZeroOutcome::Failed}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(Zeroing, FrameIsE223AndNoRecorderMeansOnlyNotFound) {
    SettingsRig rig;
    rig.connect();
    zeroRecorder(rig.link, rig.prompts);
    ASSERT_EQ(rig.recorder.frames.size(), 2u); // handshake, e223
    EXPECT_EQ(rig.recorder.frames[1], (Frame{0x65, 0x32, 0x32, 0x33, 0, 0, 0, 0}));
    EXPECT_EQ(rig.recorder.state.zeroings, 1);

    rig.bus.setPlugged(0, false);
    rig.prompts.shown.clear();
    EXPECT_EQ(zeroRecorder(rig.link, rig.prompts), ZeroOutcome::NotConnected);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::PortError});
}

// ---- Reading the settings ----

TEST(ReadSettings, FourRepliesInOrder) {
    SettingsRig rig;
    RecorderState& s = rig.recorder.state;
    s.competitorNumber = 4321;
    s.serialNumber = 777;
    s.temperatureC = -5;
    s.triggerQuarterMetres = 801;
    s.rateCode = 4;
    s.manualZeroing = 1;
    s.delayHundredths = 12345;
    s.versionMinor = 3;
    s.versionYear = 18;
    rig.connect();
    const DeviceSettingsReply reply = ReadDeviceSettings(rig.link);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.status->competitorNumber, 4321);
    EXPECT_EQ(reply.status->serialNumber, 777);
    EXPECT_EQ(reply.status->temperatureC, -5);
    EXPECT_EQ(reply.status->triggerQuarterMetres, 801);
    EXPECT_EQ(reply.status->rateCode(), 4);
    EXPECT_EQ(reply.manualZeroing, true);
    EXPECT_EQ(reply.delayHundredths, 12345);
    EXPECT_EQ(versionText(reply.info->versionMinor, reply.info->versionYear), "V 2018.3");
    std::vector<std::uint8_t> codes;
    for (const Frame& f : rig.recorder.frames) {
        codes.push_back(f[1]);
    }
    EXPECT_EQ(codes, (std::vector<std::uint8_t>{0x34, 0x42, 0x36, 0x44}));
}

TEST(ReadSettings, ARecorderHoldingAFlightReportsTheFlightsCompetitorSerialAndRate) {
    SettingsRig rig;
    rig.recorder.holdFlight(
        generateFlight({.rateCode = 3, .competitor = 4242, .serial = 555, .maxSamples = 40}));
    rig.connect();
    const DeviceSettingsReply reply = ReadDeviceSettings(rig.link);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.status->competitorNumber, 4242);
    EXPECT_EQ(reply.status->serialNumber, 555);
    EXPECT_EQ(reply.status->rateCode(), 3);
    // The download hands over the same flight, with the same header.
    const DownloadResult download = downloadFlight(rig.link, rig.prompts);
    ASSERT_EQ(download.outcome, DownloadOutcome::Ok);
    const FlightHeader header = ApplyFlightHeader(FlightImage(download.image));
    EXPECT_EQ(header.competitor, 4242);
    EXPECT_EQ(header.serial, 555);
    EXPECT_EQ(header.rateCode, 3);
}

TEST(ReadSettings, StopsAtFirstReplyNotEightBytes) {
    SettingsRig rig;
    rig.recorder.faults.replyOverride[command::kReadDelay] = Bytes(9, 0);
    rig.connect();
    const DeviceSettingsReply reply = ReadDeviceSettings(rig.link);
    EXPECT_FALSE(reply.ok);
    EXPECT_TRUE(reply.status.has_value());
    EXPECT_TRUE(reply.manualZeroing.has_value());
    EXPECT_FALSE(reply.delayHundredths.has_value());
    EXPECT_FALSE(reply.info.has_value());
    EXPECT_EQ(rig.recorder.frames.size(), 3u); // eD never sent
}

// ---- Save ----

struct SaveCase {
    const char* name;
    SettingsToWrite values;
    SaveOutcome outcome;
    std::vector<Message> messages;
    std::size_t framesSent;
};

void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }

class Save : public ::testing::TestWithParam<SaveCase> {};

TEST_P(Save, LimitsAndMessages) {
    SettingsRig rig;
    rig.connect();
    const SaveCase& c = GetParam();
    EXPECT_EQ(saveDeviceSettings(rig.link, rig.prompts, c.values), c.outcome);
    EXPECT_EQ(rig.prompts.texts(), c.messages);
    EXPECT_EQ(rig.recorder.frames.size(), c.framesSent);
}

const std::vector<Message> kOk{Message::SetupOk};
const std::vector<Message> kTooLarge{Message::ValueTooLarge};

INSTANTIATE_TEST_SUITE_P(
    Limits, Save,
    ::testing::Values(
        SaveCase{"trigger_200", {200, 5, 2, 1, 60}, SaveOutcome::Acknowledged, kOk, 3},
        SaveCase{"trigger_201", {201, 5, 2, 1, 60}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{"trigger_negative", {-1, 5, 2, 1, 60}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{"competitor_10000", {30, 10000, 2, 1, 60}, SaveOutcome::Acknowledged, kOk, 3},
        SaveCase{"competitor_10001", {30, 10001, 2, 1, 60}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{"competitor_negative", {30, -1, 2, 1, 60}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{"delay_300", {30, 5, 2, 1, 300}, SaveOutcome::Acknowledged, kOk, 3},
        SaveCase{"delay_301", {30, 5, 2, 1, 301}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{"delay_negative", {30, 5, 2, 1, -1}, SaveOutcome::Refused, kTooLarge, 0},
        // 42949673 s times 100 wraps to 4 in 32 bits: must not be written as 0.04 s.
        SaveCase{"delay_wraps", {30, 5, 2, 1, 42949673}, SaveOutcome::Refused, kTooLarge, 0},
        SaveCase{
            "no_rate", {30, 5, -1, 1, 60}, SaveOutcome::Refused, {Message::SelectionMissing}, 0},
        SaveCase{"no_zeroing_choice",
                 {30, 5, 2, -1, 60},
                 SaveOutcome::Refused,
                 {Message::SelectionMissing},
                 0}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(Save, FramesCarryThePayloadsAndTheRecorderStoresThem) {
    SettingsRig rig;
    rig.connect();
    saveDeviceSettings(rig.link, rig.prompts, {200, 10000, 5, 1, 300});
    ASSERT_EQ(rig.recorder.frames.size(), 3u);
    EXPECT_EQ(rig.recorder.frames[0], (Frame{0x65, 0x35, 0x10, 0x27, 0x00, 0x20, 0x03, 0x05}));
    // eC and e7 set only their own bytes; the rest stays from e5.
    EXPECT_EQ(rig.recorder.frames[1], (Frame{0x65, 0x43, 0x01, 0x27, 0x00, 0x20, 0x03, 0x05}));
    EXPECT_EQ(rig.recorder.frames[2], (Frame{0x65, 0x37, 0x30, 0x75, 0x00, 0x20, 0x03, 0x05}));
    EXPECT_EQ(rig.recorder.state.competitorNumber, 10000);
    EXPECT_EQ(rig.recorder.state.triggerQuarterMetres, 800);
    EXPECT_EQ(rig.recorder.state.rateCode, 5);
    EXPECT_EQ(rig.recorder.state.manualZeroing, 1);
    EXPECT_EQ(rig.recorder.state.delayHundredths, 30000);
}

struct SaveReplyCase {
    const char* name;
    std::optional<Bytes> settingsReply;
    std::optional<Bytes> zeroModeReply;
    std::optional<Bytes> delayReply;
    SaveOutcome outcome;
    std::vector<Message> messages;
};

void PrintTo(const SaveReplyCase& c, std::ostream* out) { *out << c.name; }

class SaveReplies : public ::testing::TestWithParam<SaveReplyCase> {};

TEST_P(SaveReplies, OnlyTwoByteRefusalsOfFirstWritesAreReported) {
    SettingsRig rig;
    auto& overrides = rig.recorder.faults.replyOverride;
    overrides[command::kWriteSettings] = GetParam().settingsReply;
    overrides[command::kWriteManualZero] = GetParam().zeroModeReply;
    overrides[command::kWriteDelay] = GetParam().delayReply;
    rig.connect();
    EXPECT_EQ(saveDeviceSettings(rig.link, rig.prompts, {30, 5, 1, 1, 180}), GetParam().outcome);
    EXPECT_EQ(rig.prompts.texts(), GetParam().messages);
    EXPECT_EQ(rig.recorder.frames.size(), 3u); // the sequence always goes on to e7
    EXPECT_TRUE(rig.link.connected());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SaveReplies,
    ::testing::Values(
        SaveReplyCase{
            "all_missing", Bytes{}, Bytes{}, Bytes{}, SaveOutcome::Failed, {Message::SetupFailed}},
        SaveReplyCase{"first_refused",
                      Bytes{0, 0},
                      std::nullopt,
                      std::nullopt,
                      SaveOutcome::Acknowledged,
                      {Message::SetupFailed, Message::SetupOk}},
        SaveReplyCase{"both_refused",
                      Bytes{0, 0},
                      Bytes{0xA5, 0x00},
                      std::nullopt,
                      SaveOutcome::Acknowledged,
                      {Message::SetupFailed, Message::SetupFailed, Message::SetupOk}},
        SaveReplyCase{"odd_lengths_pass",
                      Bytes{0, 0, 0},
                      Bytes{0},
                      std::nullopt,
                      SaveOutcome::Acknowledged,
                      {Message::SetupOk}},
        SaveReplyCase{"delay_three_bytes",
                      std::nullopt,
                      std::nullopt,
                      Bytes{0, 0xA5, 0},
                      SaveOutcome::Failed,
                      {Message::SetupFailed}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(Save, WithoutConnectionSendsNothingAndSaysNothing) {
    SettingsRig rig;
    EXPECT_EQ(saveDeviceSettings(rig.link, rig.prompts, {30, 5, 1, 1, 180}),
              SaveOutcome::NotConnected);
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(rig.recorder.frames.empty());
}

// ---- Default setup ----

TEST(SetupDefault, FramesWaitsAndStaleBytes) {
    SettingsRig rig;
    std::vector<bool> okShown;
    EXPECT_TRUE(setupDefault(rig.link, rig.prompts, [&](bool shown) { okShown.push_back(shown); }));
    const auto& frames = rig.recorder.frames;
    ASSERT_EQ(frames.size(), 5u); // handshake, e5, eC, e223, e7
    EXPECT_EQ(frames[1], (Frame{0x65, 0x35, 0x00, 0x00, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(frames[2], (Frame{0x65, 0x43, 0x01, 0x00, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(frames[3], (Frame{0x65, 0x32, 0x32, 0x33, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(frames[4], (Frame{0x65, 0x37, 0x50, 0x46, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(rig.waits, (std::vector<std::chrono::milliseconds>{20ms, 20ms, 1000ms}));
    EXPECT_EQ(okShown, (std::vector<bool>{true, false}));
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_EQ(rig.recorder.state.triggerQuarterMetres, 120);
    EXPECT_EQ(rig.recorder.state.rateCode, 1);
    EXPECT_EQ(rig.recorder.state.delayHundredths, 18000);
    EXPECT_EQ(rig.recorder.state.zeroings, 1);
    EXPECT_TRUE(rig.link.connected());
}

struct DefaultCase {
    const char* name;
    std::uint8_t code;
    Bytes reply;
    bool completes;
    std::vector<Message> messages;
};

void PrintTo(const DefaultCase& c, std::ostream* out) { *out << c.name; }

class SetupDefaultReplies : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(SetupDefaultReplies, ChecksPerStep) {
    SettingsRig rig;
    rig.recorder.faults.replyOverride[GetParam().code] = GetParam().reply;
    int okShown = 0;
    EXPECT_EQ(setupDefault(rig.link, rig.prompts, [&](bool shown) { okShown += shown ? 1 : 0; }),
              GetParam().completes);
    EXPECT_EQ(rig.prompts.texts(), GetParam().messages);
    EXPECT_EQ(okShown, GetParam().completes ? 1 : 0);
    EXPECT_EQ(rig.link.connected(), GetParam().completes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SetupDefaultReplies,
    ::testing::Values(
        DefaultCase{"e5_missing", command::kWriteSettings, {}, false, {Message::SetupFailed}},
        DefaultCase{
            "e5_refused", command::kWriteSettings, {0xA5, 0x00}, false, {Message::SetupFailed}},
        DefaultCase{"eC_missing", command::kWriteManualZero, {}, false, {Message::SetupFailed}},
        // One byte: byte 1 still holds the handshake's 0xA5, which must not pass for an answer.
        DefaultCase{"e5_one_byte", command::kWriteSettings, {0x00}, false, {Message::SetupFailed}},
        DefaultCase{"e5_long_ack", command::kWriteSettings, {0x00, 0xA5, 0x00}, true, {}},
        // The default setup's zeroing check is laxer than the button's: two bytes of any kind
        // pass, and so does silence; only a longer wrong answer is reported.
        DefaultCase{"zero_two_any", command::kZero, {0x12, 0x34}, true, {}},
        DefaultCase{"zero_silent", command::kZero, {}, true, {}},
        DefaultCase{"zero_three_ok", command::kZero, {0x00, 0xAA, 0xAA}, true, {}},
        DefaultCase{
            "zero_three_wrong", command::kZero, {0xAA, 0xAA, 0x00}, true, {Message::ResetError}},
        DefaultCase{"e7_missing", command::kWriteDelay, {}, true, {Message::ResetError}},
        DefaultCase{
            "e7_three", command::kWriteDelay, {0x00, 0xA5, 0x00}, true, {Message::ResetError}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

} // namespace
} // namespace kestrom
