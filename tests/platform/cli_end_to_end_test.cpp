// tarvo-cli against a simulated logger served on a pseudo-terminal by another
// process: the real serial path (QSerialPort on the pty) end to end.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

TEST(CliEndToEnd, ConnectToAnAddressNobodyAnswersFailsWithTheFailureMessage) {
    SimulatorProcess sim;
    const auto r = runCli({"--port", sim.device(), "--address", "7", "--resend", "1", "connect"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("操作失败。请检查串口设置和硬件连接是否正常。"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
}

TEST(CliEndToEnd, UsageErrorsExitWithTwo) {
    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"},
                                    QStringList{"--address", "101", "connect"},
                                    QStringList{"--parity", "x", "connect"}}) {
        EXPECT_EQ(runCli(args).exitCode, 2) << args.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace tarvo::testing
