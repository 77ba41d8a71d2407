// tarvo-cli over a pseudo-terminal: a line that never falls silent cannot hold a
// command, and the upload's progress line appears only on a terminal.

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "cli_process.h"
#include "pty_peer.h"

namespace tarvo::testing {
namespace {

// A peer that never falls silent: a byte every 30 ms.
constexpr PtyPeer::Noise kNoise{0x55, std::chrono::milliseconds(30)};

TEST(CliAnswerTiming, APeerThatNeverFallsSilentEndsInTheFailureMessageInEitherTiming) {
    for (const QStringList& extra : {QStringList{}, QStringList{"--strict-timing"}}) {
        PtyPeer peer(kNoise);
        ASSERT_FALSE(peer.path().isEmpty());
        const auto start = std::chrono::steady_clock::now();
        const auto r = runCli(QStringList{"--port", peer.path()} + extra + QStringList{"connect"},
                              120000);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("操作失败。请检查串口设置和硬件连接是否正常。"), std::string::npos)
            << r.err;
        // Six transmissions of about a second each; generous for a loaded machine.
        EXPECT_LT(took, std::chrono::seconds(60));
    }
}

// Ended by SIGTERM mid-exchange, the command winds up and closes the port (its lock
// goes with it) instead of dying on the signal.
TEST(CliAnswerTiming, ATerminatedCommandEndsNormallyAndReleasesThePort) {
    PtyPeer peer(kNoise);
    QProcess p;
    useTestSettings(p);
    p.start(cliPath(), {"--port", peer.path(), "connect"});
    ASSERT_TRUE(p.waitForStarted(10000));
    // The connect frame went out: the command is waiting for its answer.
    for (int i = 0; i < 400 && !peer.heardAnything(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(peer.heardAnything());
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(p.exitCode(), 0);
}

TEST(CliAnswerTiming, UploadShowsOneProgressLineOnATerminalAndErasesIt) {
    QTemporaryDir dir;
    const QString config = writeSimulatorConfig(
        dir.path() + "/fast.json", {{"pageSize", 512}, {"recordCount", 1500}, {"growRecords", false},
                                    {"baudRate", 115200}, {"channels", twoLoggerChannels()}});
    ASSERT_FALSE(config.isEmpty());
    SimulatorProcess sim({"--config", config});
    const QStringList args{"--port", sim.device(), "--baud", "115200", "upload", "-o",
                           dir.path() + "/up.orx"};

    // Standard error on a terminal: the line is drawn in place and erased at the end.
    PtyPeer terminal;
    QProcess p;
    useTestSettings(p);
    p.setStandardErrorFile(terminal.path());
    p.start(cliPath(), args);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_NE(p.readAllStandardOutput().toStdString().find("2 channels, 1500 records"),
              std::string::npos);
    const std::string shown = terminal.heard();
    EXPECT_NE(shown.find("%  "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" bytes"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" B/s"), std::string::npos) << shown;
    const std::string erase = "\r\033[K";
    ASSERT_GE(shown.size(), erase.size());
    EXPECT_EQ(shown.substr(shown.rfind('\r')), erase) << "the line is erased when done";

    // Not a terminal: nothing of it.
    const auto piped = runCli(args);
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.err.find("\033[K"), std::string::npos);
    EXPECT_EQ(piped.err.find("bytes"), std::string::npos);
}

}  // namespace
}  // namespace tarvo::testing
