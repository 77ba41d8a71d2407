// A USB adapter unplugged and plugged back while tarvo-cli samples live values: the
// simulator serves its line behind a link, drops the pseudo-terminal on SIGUSR1 and
// brings the line back on a new one on the next SIGUSR1, switching the link to it.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "cli_process.h"
#include "link/live_sampling.h"

namespace tarvo {
namespace {

// Waits (generously: the machine may be loaded) until `done` holds.
template <typename Done>
bool waitFor(Done done, int timeoutMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

int countOf(const std::string& text, std::string_view part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(CliReconnect, LiveSamplingWaitsForTheUnpluggedPortAndResumesWhenItIsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyLOGGER"));

    QProcess simulator;
    simulator.start(testing::cliPath(), {QStringLiteral("simulate"), QStringLiteral("--link"), link});
    ASSERT_TRUE(simulator.waitForStarted(10000));
    ASSERT_TRUE(simulator.waitForReadyRead(10000));
    ASSERT_EQ(QString::fromUtf8(simulator.readLine()).trimmed(), link);
    ASSERT_FALSE(QFileInfo(link).symLinkTarget().isEmpty());

    QProcess cli;
    testing::useTestSettings(cli, dir.filePath(QStringLiteral("config")));
    cli.start(testing::cliPath(), {QStringLiteral("--port"), link, QStringLiteral("live"),
                                   QStringLiteral("--count"), QStringLiteral("4"),
                                   QStringLiteral("--interval"), QStringLiteral("1")});
    ASSERT_TRUE(cli.waitForStarted(10000));
    std::string out;
    std::string err;
    auto gather = [&] {
        cli.waitForReadyRead(50);
        out += cli.readAllStandardOutput().toStdString();
        err += cli.readAllStandardError().toStdString();
    };

    // The first sample arrives, then the adapter is pulled.
    ASSERT_TRUE(waitFor([&] { gather(); return countOf(out, "\n") >= 1; })) << err;
    ::kill(static_cast<pid_t>(simulator.processId()), SIGUSR1);
    ASSERT_TRUE(waitFor([&] { gather(); return countOf(err, kPortLostText) >= 1; })) << out << err;
    EXPECT_FALSE(QFileInfo::exists(link));
    const int samplesBefore = countOf(out, "\n");
    EXPECT_LT(samplesBefore, 4);

    // Plugged back: the link points at a new pseudo-terminal (which may reuse the
    // old one's number).
    ::kill(static_cast<pid_t>(simulator.processId()), SIGUSR1);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(link); }));
    ASSERT_TRUE(waitFor([&] {
        gather();
        return cli.state() == QProcess::NotRunning;
    }, 120000)) << out << err;
    gather();
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << err;
    EXPECT_EQ(countOf(out, "\n"), 4) << out;
    EXPECT_EQ(countOf(err, kPortLostText), 1) << err;

    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished(10000));
    EXPECT_FALSE(QFileInfo::exists(link));  // the link goes with the simulator
}

}  // namespace
}  // namespace tarvo
