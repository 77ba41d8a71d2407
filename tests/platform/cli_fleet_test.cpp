// scan and collect as processes, against a simulated line of two loggers. The answer
// timeout leaves a loaded machine room: only the addresses nobody answers wait it out.

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_process.h"

namespace tarvo::testing {
namespace {

// A small logger at `address`: one channel, `records` records in pages of 64 bytes.
QString writeLogger(const QString& folder, int address, int records) {
    nlohmann::json channel = twoLoggerChannels()[0];
    channel["generator"]["seed"] = address;
    const std::string n = std::to_string(address);
    return writeSimulatorConfig(folder + QStringLiteral("/logger%1.json").arg(address),
                                {{"address", address}, {"modelPassword", "K" + n},
                                 {"userName", "U" + n}, {"title", "T" + n}, {"pageSize", 64},
                                 {"recordCount", records}, {"growRecords", false},
                                 {"channels", nlohmann::json::array({channel})}});
}

class CliFleet : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const char* name) const { return dir.path() + "/" + name; }
};

TEST_F(CliFleet, ScanListsTheLoggersThatAnswerAndFailsOnAnEmptyRange) {
    SimulatorProcess sim({"--no-pace", "--config", writeLogger(dir.path(), 1, 20), "--config",
                          writeLogger(dir.path(), 3, 10)});
    const auto r = runCli({"--port", sim.device(), "--timeout", "1000", "scan", "--to", "4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("1\t记录仪1\tK1\t正在记录\t20\t", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\n3\t记录仪3\tK3\t正在记录\t10\t"), std::string::npos) << r.out;

    const auto j = runCli({"--port", sim.device(), "--timeout", "1000", "scan", "--from", "3",
                           "--to", "3", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    const auto list = nlohmann::json::parse(j.out);
    ASSERT_EQ(list.size(), 1u);
    for (const char* key : {"address", "name", "modelPassword", "workStatus", "recordCount",
                            "totalSpace", "loggerClock", "clockOffsetSeconds", "userName", "title"}) {
        EXPECT_TRUE(list[0].contains(key)) << key;
    }
    EXPECT_EQ(list[0].at("title"), "T3");

    const auto none = runCli({"--port", sim.device(), "--timeout", "1000", "scan", "--from", "5",
                              "--to", "6"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.empty());
    EXPECT_NE(none.err.find("没有找到记录仪。"), std::string::npos);
    EXPECT_EQ(runCli({"scan", "--to", "101"}).exitCode, 2);
}

TEST_F(CliFleet, CollectSavesEveryLoggerReportsTheOneThatFailsAndGoesOn) {
    SimulatorProcess sim({"--no-pace", "--config", writeLogger(dir.path(), 1, 20), "--config",
                          writeLogger(dir.path(), 3, 10)});
    const QString out = file("out");
    const auto r = runCli({"--port", sim.device(), "--timeout", "1000", "--resend", "1", "collect",
                           "--addresses", "1,4,3", "--out-dir", out, "--format", "orx,csv",
                           "--database", file("all.mdb"), "--json"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("collected"), 2);
    EXPECT_EQ(j.at("failed"), 1);
    const auto& loggers = j.at("loggers");
    ASSERT_EQ(loggers.size(), 3u);
    EXPECT_EQ(loggers[0].at("address"), 1);
    EXPECT_EQ(loggers[0].at("records"), 20);
    EXPECT_TRUE(loggers[0].at("error").is_null());
    ASSERT_EQ(loggers[0].at("files").size(), 2u);
    for (const auto& f : loggers[0].at("files")) {
        EXPECT_TRUE(QFile::exists(QString::fromStdString(f.get<std::string>()))) << f;
    }
    EXPECT_EQ(loggers[1].at("address"), 4);
    EXPECT_EQ(loggers[1].at("error"), "操作失败。请检查串口设置和硬件连接是否正常。");
    EXPECT_EQ(loggers[2].at("records"), 10);
    EXPECT_NE(r.err.find("4\t记录仪4\t操作失败"), std::string::npos) << r.err;
    EXPECT_TRUE(QFile::exists(file("all.mdb")));

    const auto text = runCli({"--port", sim.device(), "collect", "--addresses", "3", "--out-dir",
                              out});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("3\t记录仪3\t10\t" + out.toStdString() + "/记录仪3_3_", 0), 0u)
        << text.out;
    EXPECT_NE(text.out.find(".orx\n1 collected, 0 failed\n"), std::string::npos) << text.out;
    EXPECT_NE(text.err.find("是否确定上传历史数据？"), std::string::npos) << text.err;
    EXPECT_EQ(runCli({"collect", "--addresses", "1,x", "--out-dir", out}).exitCode, 2);
    EXPECT_EQ(runCli({"collect", "--format", "pdf", "--out-dir", out}).exitCode, 2);
    EXPECT_EQ(runCli({"collect"}).exitCode, 2);
}

}  // namespace
}  // namespace tarvo::testing
