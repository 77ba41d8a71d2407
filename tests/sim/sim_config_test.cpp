#include "sim/sim_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim/sim_logger.h"
#include "sim_fixture.h"

namespace tarvo {
namespace {

TEST(SimConfig, ExampleFileParsesToTheDemoConfiguration) {
    std::string error;
    const auto config = loadSimConfigFile(TARVO_SOURCE_DIR "/examples/demo_logger.json", error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(*config, demoConfig());
}

TEST(SimConfig, DemoLineHoldsThreeDifferentLoggersMatchingTheExampleFiles) {
    const std::vector<SimConfig> line = demoLine();
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[0], demoConfig());
    EXPECT_FALSE(duplicateAddress(line));
    for (std::size_t i = 1; i < line.size(); ++i) {
        EXPECT_NE(line[i].title, line[0].title);
        EXPECT_NE(line[i].channels, line[0].channels);
        EXPECT_GT(line[i].recordCount, 0);
        const std::string file = std::string(TARVO_SOURCE_DIR "/examples/demo_logger_") +
                                 std::to_string(line[i].address) + ".json";
        std::string error;
        const auto config = loadSimConfigFile(file, error);
        ASSERT_TRUE(config) << file << ": " << error;
        EXPECT_EQ(*config, line[i]) << file;
    }
    EXPECT_EQ(line[1].address, 2);
    EXPECT_EQ(line[2].address, 7);
}

TEST(SimConfig, ALineRefusesTwoLoggersAtOneAddress) {
    std::vector<SimConfig> line = demoLine();
    line[2].address = 2;
    const auto why = duplicateAddress(line);
    ASSERT_TRUE(why);
    EXPECT_NE(why->find("address 2"), std::string::npos) << *why;
}

TEST(SimConfig, JsonRoundTripKeepsEveryField) {
    SimConfig c = testing::smallConfig();
    c.answersXY001 = false;
    c.recordAddress = 0x1234;
    c.overflowCount = 3;
    c.phoneNumbers = {"13800000000", "", "1"};
    c.channels[0].generator = SimSampleGenerator{1.5, -2.25, 0.125, 99};
    c.channels[7].curve = 4;  // a channel that differs from the default only a little
    c.faults = {{SimFaultKind::Garbage, SimCommand::History, 2, 3, 0.25},
                {SimFaultKind::Trickle, SimCommand::Any, 0, 0, 1}};
    std::string error;
    const auto back = parseSimConfig(simConfigToJson(c), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, c);
}

TEST(SimConfig, MissingKeysKeepTheirDefaults) {
    std::string error;
    const auto c = parseSimConfig(R"({"address": 7, "channels": [{"started": true}]})", error);
    ASSERT_TRUE(c) << error;
    SimConfig expected;
    expected.address = 7;
    expected.channels[0].started = true;
    EXPECT_EQ(*c, expected);
}

TEST(SimConfig, BadInputIsRefusedWithAReasonThatNamesTheKey) {
    struct Case {
        const char* json;
        const char* mentions;
    };
    const Case table[] = {
        {"", "not valid JSON"},
        {"{\"address\": 1,", "not valid JSON"},
        {"[1, 2]", "JSON object"},
        {R"({"adress": 1})", "\"adress\""},
        {R"({"address": 0})", "\"address\""},
        {R"({"address": "1"})", "\"address\""},
        {R"({"protocols": [3]})", "\"protocols\""},
        {R"({"deviceBytes": [1, 2, 3]})", "\"deviceBytes\""},
        {R"({"firmwareDate": "2006-02-30"})", "\"firmwareDate\""},
        {R"({"interval": "00:00:00"})", "\"interval\""},
        {R"({"interval": "10 minutes"})", "\"interval\""},
        {R"({"startTime": "2024-13-01 00:00:00"})", "\"startTime\""},
        {R"({"userName": "ninechars"})", "\"userName\""},
        {R"({"smsPassword": "1234abcd"})", "\"smsPassword\""},
        {R"({"pageSize": 0})", "\"pageSize\""},
        {R"({"channels": [{"rangeHigh": 128}]})", "\"channels[0].rangeHigh\""},
        {R"({"channels": [{"channel": 9}]})", "\"channels[0].channel\""},
        {R"({"channels": [{"channel": 1}, {"channel": 1}]})", "repeats channel 1"},
        {R"({"channels": [{"samples": [1, "x"]}]})", "\"channels[0].samples\""},
        {R"({"channels": [{"generator": {"bse": 1}}]})", "\"channels[0].generator.bse\""},
        {R"({"faults": [{"kind": "fire"}]})", "\"faults[0].kind\""},
        {R"({"faults": [{"kind": "noAnswer", "rate": 2}]})", "\"faults[0].rate\""},
        {R"({"faults": [{"kind": "noAnswer", "command": "boil"}]})", "\"faults[0].command\""},
        {R"({"faults": [{"next": 1}]})", "\"faults[0].kind\" is required"},
    };
    for (const Case& k : table) {
        std::string error;
        EXPECT_FALSE(parseSimConfig(k.json, error)) << k.json;
        EXPECT_NE(error.find(k.mentions), std::string::npos) << k.json << " -> " << error;
    }
}

TEST(SimConfig, MissingFileIsReportedByName) {
    std::string error;
    EXPECT_FALSE(loadSimConfigFile("/nonexistent/logger.json", error));
    EXPECT_NE(error.find("/nonexistent/logger.json"), std::string::npos);
}

TEST(SimConfig, DemoIsARealisticWeekOfFourChannelsWithAlarmCrossings) {
    const SimConfig c = demoConfig();
    EXPECT_EQ(c.address, 1);
    EXPECT_EQ(c.startedMask(), 0x0F);
    EXPECT_NE(c.deviceType(), 0);
    EXPECT_GT(makeDateTime(c.firmwareDate.year, c.firmwareDate.month, c.firmwareDate.day),
              makeDateTime(2005, 2, 25));
    EXPECT_EQ(c.intervalSeconds, 600);
    EXPECT_EQ(c.recordCount, 1008);
    EXPECT_EQ(c.channels[0].type, 1);
    EXPECT_EQ(c.channels[0].unit, 1);
    EXPECT_EQ(c.channels[1].type, 2);
    EXPECT_EQ(c.channels[1].unit, 2);

    SimLogger logger(c, testing::testNow());
    EXPECT_LT(c.recordCount, logger.totalSpace());
    for (int ch = 0; ch < 4; ++ch) {
        if (!c.channels[ch].alarm) continue;
        int above = 0, below = 0;
        for (int k = 0; k < c.recordCount; ++k) {
            const double v = logger.sampleValue(ch, k);
            above += v > c.channels[ch].alarmHigh;
            below += v < c.channels[ch].alarmLow;
            EXPECT_GE(v, c.channels[ch].rangeLow);
            EXPECT_LE(v, c.channels[ch].rangeHigh);
        }
        EXPECT_GT(above + below, 0) << ch;
        EXPECT_LT(above + below, c.recordCount / 4) << ch;
    }
}

}  // namespace
}  // namespace tarvo
