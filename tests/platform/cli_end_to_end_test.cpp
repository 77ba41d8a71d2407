// tarvo-cli against a simulated logger served on a pseudo-terminal by another
// process: the real serial path (QSerialPort on the pty) end to end.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

#include "cli_process.h"

namespace tarvo::testing {
namespace {

TEST(CliEndToEnd, ConnectJsonOverAPseudoTerminalPrintsTheWholeRecord) {
    SimulatorProcess sim;
    ASSERT_FALSE(sim.device().isEmpty());
    const auto r = runCli({"--port", sim.device(), "connect", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("userName"), "演示用户");
    EXPECT_EQ(j.at("recordCount"), 1008);
    EXPECT_EQ(j.at("channelType").size(), 8u);
    EXPECT_EQ(j.at("deviceBytes").size(), 4u);
    EXPECT_EQ(j.at("phoneNumbers").size(), 3u);
    EXPECT_EQ(j.at("smsPasswords").size(), 2u);
    EXPECT_EQ(j.size(), 64u);  // every member of the record
}

TEST(CliEndToEnd, ConnectListsThePropertyRowsAsLabelTabValue) {
    SimulatorProcess sim;
    const auto r = runCli({"--port", sim.device(), "connect"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("用户名\t演示用户\n"), std::string::npos);
    EXPECT_NE(r.out.find("记录通道\t00001111\n"), std::string::npos);
}

// The demo line holds loggers at 1, 2 and 7: nobody answers at 5.
TEST(CliEndToEnd, ConnectToAnAddressNobodyAnswersFailsWithTheFailureMessage) {
    SimulatorProcess sim;
    const auto r = runCli({"--port", sim.device(), "--address", "5", "--resend", "1", "connect"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("操作失败。请检查串口设置和硬件连接是否正常。"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
}

TEST(CliEndToEnd, ConnectJsonKeepsPortMessagesOnStandardErrorInTheirOrder) {
    QTemporaryDir dir;
    const auto r = runCli({"--port", dir.path() + "/no-such-tty", "--resend", "1", "connect",
                           "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    const auto purge = r.err.find("清除输入数据失败!");
    const auto failure = r.err.find("操作失败。请检查串口设置和硬件连接是否正常。");
    ASSERT_NE(purge, std::string::npos) << r.err;
    ASSERT_NE(failure, std::string::npos) << r.err;
    EXPECT_LT(purge, failure) << r.err;
    EXPECT_EQ(r.err.find("清除输入数据失败!", failure), std::string::npos) << r.err;
}

TEST(CliEndToEnd, ConnectYesFailsWhenTheLoggerDoesNotTakeTheClock) {
    QTemporaryDir dir;
    const QString config = writeSimulatorConfig(
        dir.path() + "/late.json",
        nlohmann::json::parse(R"({"clockOffsetSeconds": -7200,
                                  "faults": [{"kind": "noAnswer", "command": "clock", "next": 100}]})"));
    ASSERT_FALSE(config.isEmpty());
    SimulatorProcess sim({"--no-pace", "--config", config});
    const auto r = runCli({"--port", sim.device(), "--yes", "--resend", "1", "connect", "--json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("记录仪时钟有误，是否设置为系统时钟？ [Yes]"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the logger clock was not set"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;  // no record claiming the PC time
}

TEST(CliEndToEnd, UsageErrorsExitWithTwo) {
    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"},
                                    QStringList{"--address", "101", "connect"},
                                    QStringList{"--parity", "x", "connect"}}) {
        EXPECT_EQ(runCli(args).exitCode, 2) << args.join(' ').toStdString();
    }
}

// The logger answers its first page of history, then nothing more.
constexpr const char* kOnlyTheFirstPageAnswered =
    R"([{"kind": "noAnswer", "command": "history", "skip": 1, "next": 1000}])";

class CliFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<SimulatorProcess> sim;

    QString file(const char* name) const { return dir.path() + "/" + name; }

    // Serves a small logger: two channels, `records` records in pages of 64 bytes, its
    // answers spoiled by `faults` when given.
    void serveSmallLogger(int records, const char* faults = nullptr) {
        nlohmann::json config = {{"userName", "小号"}, {"title", "T1"}, {"pageSize", 64},
                                 {"recordCount", records}, {"growRecords", false},
                                 {"channels", twoLoggerChannels()}};
        if (faults != nullptr) config["faults"] = nlohmann::json::parse(faults);
        sim = std::make_unique<SimulatorProcess>(QStringList{
            "--no-pace", "--config", writeSimulatorConfig(file("small.json"), config)});
    }

    CliResult upload(const QString& target, const QStringList& options = {}) const {
        return runCli(QStringList{"--port", sim->device()} + options +
                      QStringList{"upload", "-o", target});
    }
};

TEST_F(CliFiles, UploadSavesTheHistoryAndShowReadsItBack) {
    serveSmallLogger(30);
    const auto up = upload(file("day.orx"));
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_NE(up.out.find("day.orx: 2 channels, 30 records"), std::string::npos) << up.out;
    EXPECT_NE(up.err.find("是否确定上传历史数据？"), std::string::npos);

    const auto shown = runCli({"show", file("day.orx"), "--json"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const auto j = nlohmann::json::parse(shown.out);
    EXPECT_EQ(j.at("saved"), true);
    ASSERT_EQ(j.at("channels").size(), 2u);
    const auto& c0 = j.at("channels").at(0);
    EXPECT_EQ(c0.at("values").size(), 30u);
    EXPECT_EQ(c0.at("userName"), "小号    ");  // Text(8) read back with its padding
    EXPECT_NE(c0.at("color"), 0);              // saved with the colour the window would draw

    const auto table = runCli({"show", file("day.orx")});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_NE(table.out.find("记录次数\t30\n"), std::string::npos);
}

TEST_F(CliFiles, UploadFromAnEmptyLoggerFailsWithTheStorageMessage) {
    serveSmallLogger(0);
    const auto up = upload(file("none.orx"));
    EXPECT_EQ(up.exitCode, 1);
    EXPECT_NE(up.err.find("记录仪中有可能并未存储数据"), std::string::npos) << up.err;
    EXPECT_FALSE(QFile::exists(file("none.orx")));
}

TEST_F(CliFiles, AnUploadCutShortSavesThePagesReceivedAndSaysSoOnStandardError) {
    // 60 records of 6 bytes in pages of 64 bytes; the second page is never answered.
    serveSmallLogger(60, kOnlyTheFirstPageAnswered);
    const auto up = upload(file("part.orx"), {"--resend", "1"});
    EXPECT_EQ(up.exitCode, 1);
    EXPECT_TRUE(up.out.empty()) << up.out;
    EXPECT_NE(up.err.find("a partial history was saved: " + file("part.orx").toStdString() +
                          ": 2 channels, "),
              std::string::npos)
        << up.err;
    EXPECT_TRUE(QFile::exists(file("part.orx")));
}

TEST_F(CliFiles, UploadEndingWithFewerRecordsThanPromisedSavesThemAndFails) {
    serveSmallLogger(30, kOnlyTheFirstPageAnswered);
    const auto up = upload(file("part.orx"));
    EXPECT_EQ(up.exitCode, 1);
    EXPECT_NE(up.err.find("上传未完成：只收到10条记录，记录仪中共有30条记录。"), std::string::npos)
        << up.err;
    EXPECT_NE(up.err.find("tarvo-cli: received 10 of 30 records"), std::string::npos) << up.err;
    const auto shown = runCli({"show", file("part.orx"), "--json"});
    ASSERT_EQ(shown.exitCode, 0) << "the pages received are saved: " << shown.err;
    EXPECT_EQ(nlohmann::json::parse(shown.out).at("channels").at(0).at("values").size(), 10u);
}

TEST_F(CliFiles, UploadIntoAFolderThatCannotTakeTheFileFailsBeforeAsking) {
    serveSmallLogger(30);
    QFile plain(file("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& target : {file("missing/day.orx"), file("plain/day.orx"), dir.path()}) {
        SCOPED_TRACE(target.toStdString());
        const auto up = upload(target);
        EXPECT_EQ(up.exitCode, 1);
        EXPECT_NE(up.err.find("tarvo-cli: cannot"), std::string::npos) << up.err;
        EXPECT_EQ(up.err.find("是否确定上传历史数据？"), std::string::npos) << "asked first: " << up.err;
    }
}

TEST_F(CliFiles, ConvertWritesEveryFormatAndRefusesABadFileWritingNothing) {
    serveSmallLogger(12);
    ASSERT_EQ(upload(file("in.orx")).exitCode, 0);
    for (const char* out : {"out.csv", "out.txt", "out.doc", "out.mdb", "copy.orx"}) {
        const auto r = runCli({"convert", file("in.orx"), file(out)});
        EXPECT_EQ(r.exitCode, 0) << out << r.err;
        EXPECT_TRUE(QFile::exists(file(out))) << out;
    }
    const auto appended = runCli({"convert", file("in.orx"), file("archive"), "--append"});
    EXPECT_EQ(appended.exitCode, 0) << appended.err;
    EXPECT_TRUE(QFile::exists(file("archive.mdb")));

    QFile bad(file("bad.orx"));
    bad.open(QIODevice::WriteOnly);
    bad.write("not a logger file");
    bad.close();
    const auto refused = runCli({"convert", file("bad.orx"), file("never.csv")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("您打开的文件格式无效。"), std::string::npos);
    EXPECT_FALSE(QFile::exists(file("never.csv")));
}

TEST(CliMaintenance, CommandsReportTheProgramsMessagesAndExitStatuses) {
    SimulatorProcess sim({"--no-pace"});
    struct Case {
        QStringList args;
        int status;
        const char* out;  // expected in standard output ("" for nothing in particular)
        const char* err;  // expected in standard error
    };
    const Case cases[] = {
        {{"stop"}, 0, "设置记录仪成功！", "您确定要停止记录仪吗？ [Yes]"},
        {{"power", "saving"}, 0, "设置记录仪成功！", ""},
        {{"reset", "3"}, 0, "设置记录仪成功！", ""},
        {{"reset", "6"}, 2, "", "reset"},
        {{"sms-numbers", "13800000000", "", "123"}, 0, "手机号码设置成功！", ""},
        {{"sms-numbers", "1380000000x", "", ""}, 2, "", "sms-numbers"},  // sends nothing
        {{"sms-password", "00000000", "87654321"}, 1, "", "短信旧密码不正确!"},
        {{"sms-password", "12345678", "87654321"}, 0, "密码设置成功!", ""},
        {{"sms-password", "1234", "87654321"}, 1, "", "旧密码长度不足8位!"},
        {{"sms-password", "87654321", "876543210"}, 2, "", "sms-password"},
        {{"sms-password", "87654321", "8765432a"}, 2, "", "sms-password"},
        {{"clock", "2025-01-02 03:04:05"}, 0, "", ""},
        {{"clock", "2025-13-02 03:04:05"}, 2, "", "clock"},
    };
    for (const Case& c : cases) {
        const auto r = runCli(QStringList{"--port", sim.device()} + c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, c.status) << what << "\n" << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << what << "\n" << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << what << "\n" << r.err;
    }
    // The logger took the clock it was given (it runs on from there).
    const auto j = nlohmann::json::parse(runCli({"--port", sim.device(), "connect", "--json"}).out);
    EXPECT_NEAR(j.at("loggerClock").get<double>(), 45659.12783, 0.001);  // 2025-01-02 03:04:05
    EXPECT_EQ(j.at("workStatus"), 2);  // stopped by the stop command
    EXPECT_EQ(j.at("powerMode"), 128);
}

TEST(CliRestart, EditsAreAppliedThroughTheEditorsAndWrittenToTheLogger) {
    SimulatorProcess sim({"--no-pace"});
    const QStringList port{"--port", sim.device()};
    const auto refused = runCli(port + QStringList{"restart", "--set", "interval=00:00:01"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("记录间隔不得小于2秒"), std::string::npos) << refused.err;
    EXPECT_EQ(runCli(port + QStringList{"restart", "--set", "colour=red"}).exitCode, 2);
    EXPECT_EQ(runCli(port + QStringList{"restart", "--set", "interval=soon"}).exitCode, 2);

    const auto done = runCli(port + QStringList{"restart", "--set", "interval=00:05:00", "--set",
                                                "userName=Bob"});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.out.find("重启记录仪成功！"), std::string::npos);
    const auto j = nlohmann::json::parse(runCli(port + QStringList{"connect", "--json"}).out);
    EXPECT_EQ(j.at("userName"), "Bob");
    EXPECT_EQ(j.at("intervalMinutes"), 5);
    EXPECT_EQ(j.at("recordCount"), 0);  // a restart clears the memory
}

TEST(CliLive, PrintsExactlyOneLinePerAnswerAndSavesTheDailyFile) {
    SimulatorProcess sim({"--no-pace"});
    QTemporaryDir dir;
    const auto r = runCli({"--port", sim.device(), "--yes", "live", "--count", "2", "--interval",
                           "1", "--save-dir", dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out;
    for (const QString& line : lines) {
        const QStringList cells = line.split('\t');
        EXPECT_EQ(cells.size(), 5) << line.toStdString();  // the time, then four channels
        EXPECT_TRUE(QDateTime::fromString(cells[0], "yyyy-M-d H:mm:ss").isValid()) << line.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"*.txt"}).size(), 1);
    EXPECT_EQ(runCli({"--port", sim.device(), "live", "--count", "0"}).exitCode, 2);
}

}  // namespace
}  // namespace tarvo::testing
