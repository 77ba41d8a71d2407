// `tarvo-cli summary` on a small logger data file whose figures are worked out by hand.

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_process.h"
#include "core/date_time.h"
#include "data/channel_record.h"
#include "files/file_names.h"
#include "files/logger_data_file.h"

namespace tarvo::testing {
namespace {

// Channel 0 in ℃ with limits 2..8 and channel 1 in %RH without limits (0, 0), four
// records ten minutes apart from 2026-1-2 3:00:00.
void writeFixture(const QString& path) {
    std::vector<ChannelRecord> channels(2);
    const std::vector<std::vector<float>> values = {{5, 9, 9.5f, 1}, {50, 60, 70, 80}};
    const char* units[] = {"℃", "%RH"};
    for (int c = 0; c < 2; ++c) {
        ChannelRecord& r = channels[static_cast<std::size_t>(c)];
        r.channel = static_cast<std::int16_t>(c);
        r.typeText = "温度";
        r.unitText = units[c];
        r.rangeLow = -40;
        r.rangeHigh = 100;
        r.values = values[static_cast<std::size_t>(c)];
        for (int k = 0; k < 4; ++k) r.times.push_back(makeDateTime(2026, 1, 2, 3, 10 * k, 0));
    }
    channels[0].alarmLow = 2;
    channels[0].alarmHigh = 8;
    ASSERT_TRUE(writeLoggerDataFile(pathFromText(path.toStdString()), channels));
}

class CliSummary : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir.path() + "/week.orx";
        writeFixture(file);
    }
    QTemporaryDir dir;
    QString file;
};

TEST_F(CliSummary, PrintsOneTabSeparatedLinePerChannel) {
    const auto r = runCli({"summary", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Above 8 from 3:10 to 3:30; below 2 from 3:30 to one interval after the last record.
    // MKT at 83.144 kJ/mol of 5, 9, 9.5 and 1 ℃ is 6.7826 ℃.
    EXPECT_EQ(r.out,
              "0\t℃\t4\t1.00\t9.50\t6.13\t2.00\t8.00\t1200\t600\t2\t2026-1-2 3:10:00\t"
              "2026-1-2 3:30:00\t1200\t6.78\n"
              "1\t%RH\t4\t50.00\t80.00\t65.00\t0.00\t0.00\t-\t-\t-\t-\t-\t-\t-\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliSummary, JsonHoldsEveryKeyWithNullsWhereAFigureDoesNotExist) {
    const auto r = runCli({"summary", file, "--json", "--energy", "60"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("activationEnergy"), 60.0);
    const auto& c0 = j.at("channels").at(0);
    EXPECT_EQ(c0.at("channel"), 0);
    EXPECT_EQ(c0.at("unit"), "℃");
    EXPECT_EQ(c0.at("records"), 4);
    EXPECT_EQ(c0.at("min"), 1.0);
    EXPECT_EQ(c0.at("max"), 9.5);
    EXPECT_EQ(c0.at("mean"), 6.125);
    EXPECT_EQ(c0.at("alarmLow"), 2.0);
    EXPECT_EQ(c0.at("alarmHigh"), 8.0);
    EXPECT_EQ(c0.at("secondsAboveHigh"), 1200);
    EXPECT_EQ(c0.at("secondsBelowLow"), 600);
    EXPECT_EQ(c0.at("excursions"), 2);
    const auto& longest = c0.at("longestExcursion");
    EXPECT_NEAR(longest.at("start").get<double>(), makeDateTime(2026, 1, 2, 3, 10, 0), 1e-9);
    EXPECT_NEAR(longest.at("end").get<double>(), makeDateTime(2026, 1, 2, 3, 30, 0), 1e-9);
    EXPECT_EQ(longest.at("seconds"), 1200);
    EXPECT_NEAR(c0.at("mkt").get<double>(), 6.6024, 1e-4);

    const auto& c1 = j.at("channels").at(1);
    for (const char* key : {"secondsAboveHigh", "secondsBelowLow", "excursions",
                            "longestExcursion", "mkt"}) {
        EXPECT_TRUE(c1.at(key).is_null()) << key;
    }
    EXPECT_EQ(c1.at("alarmHigh"), 0.0);
}

TEST_F(CliSummary, BadArgumentsAreUsageErrorsAndABadFileIsRefused) {
    for (const QStringList& args :
         {QStringList{"summary"}, QStringList{"summary", file, "--energy"},
          QStringList{"summary", file, "--energy", "0"},
          QStringList{"summary", file, "--energy", "warm"}, QStringList{"summary", file, file}}) {
        EXPECT_EQ(runCli(args).exitCode, 2) << args.join(' ').toStdString();
    }
    QFile bad(dir.path() + "/bad.orx");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a logger file");
    bad.close();
    const auto refused = runCli({"summary", bad.fileName()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("您打开的文件格式无效。"), std::string::npos);
    EXPECT_EQ(refused.out, "");
}

}  // namespace
}  // namespace tarvo::testing
