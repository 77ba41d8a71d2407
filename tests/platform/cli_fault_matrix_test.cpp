// tarvo-cli against a misbehaving line, command by command and fault by fault: every
// cell ends within its bound with status 1 and its message, leaves the port free to
// be opened again, and loses nothing (no half-written file under the final name, an
// existing file of that name untouched).
//
// Each cell prints "cell | bound | measured | result" on standard output, so that
// `ctest -R CliFaultMatrix -V` (or the test binary itself) lists the measured times.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>

#include "cli_process.h"
#include "pty_peer.h"
#include "workstation/fleet.h"

namespace tarvo::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kFailure = "操作失败。请检查串口设置和硬件连接是否正常。";
constexpr const char* kOldBytes = "the file that was there before\n";

// Every cell runs at the default line speed with a short answer timeout and two
// transmissions a frame, so that the bounds below stay small.
constexpr int kBaud = 9600;
constexpr int kTimeoutMs = 200;
constexpr int kResend = 2;

enum class Op { Connect, Upload, Restart, Live, Scan, Collect };
enum class Fault {
    NoAnswer,
    BadChecksum,
    Truncated,
    Trickle,
    Garbage,
    EndlessStream,  // a peer that never falls silent
    Vanish,         // the simulator dies mid-exchange: its pseudo-terminal is closed
    Interrupt,      // SIGINT to tarvo-cli mid-exchange
    Terminate,      // SIGTERM to tarvo-cli mid-exchange
};

const char* opName(Op op) {
    switch (op) {
        case Op::Connect: return "connect";
        case Op::Upload: return "upload";
        case Op::Restart: return "restart";
        case Op::Live: return "live";
        case Op::Scan: return "scan";
        case Op::Collect: return "collect";
    }
    return "?";
}

const char* faultName(Fault f) {
    switch (f) {
        case Fault::NoAnswer: return "noAnswer";
        case Fault::BadChecksum: return "badChecksum";
        case Fault::Truncated: return "truncated";
        case Fault::Trickle: return "trickle";
        case Fault::Garbage: return "garbage";
        case Fault::EndlessStream: return "endlessStream";
        case Fault::Vanish: return "vanish";
        case Fault::Interrupt: return "sigint";
        case Fault::Terminate: return "sigterm";
    }
    return "?";
}

// The command whose answers the simulated logger spoils for an operation: the
// exchange the operation exists for (the connect before it goes through).
const char* faultedCommand(Op op) {
    switch (op) {
        case Op::Connect: return "any";  // both variants, both blocks
        case Op::Scan: return "connect";
        case Op::Upload:
        case Op::Collect: return "history";
        case Op::Restart: return "write";
        case Op::Live: return "live";
    }
    return "any";
}

// The longest a failing operation may take, from the answer timing rules: every
// transmission waits at most the answer timeout plus, for an answer that keeps
// growing, twice its largest length at the line speed; the receive ticks add about
// 0.3 s. The transmissions that may fail in a row are counted per operation; the
// whole is multiplied by 4 and 15 s is added for starting processes on a loaded
// machine (and a sanitizer build).
milliseconds boundFor(Op op) {
    const auto lineMs = [](int bytes) { return 2 * bytes * 10 * 1000 / kBaud; };
    const int connectTx = kTimeoutMs + lineMs(335) + 300;  // the parameter answer
    const int pageTx = kTimeoutMs + lineMs(64 + 9) + 300;  // a page of the fixture
    const int shortTx = kTimeoutMs + lineMs(64) + 300;     // live answers, acknowledgements
    // A connect that fails tries "XY-002" and then "XY-001" (two blocks).
    const int connect = 3 * kResend * connectTx;
    int worst = 0;
    switch (op) {
        case Op::Connect: worst = connect; break;
        case Op::Scan: worst = 2 * connectTx; break;  // two addresses, one transmission each
        // A page is asked for again after each of up to five bad answers.
        case Op::Upload:
        case Op::Collect: worst = connect + 5 * kResend * pageTx; break;
        case Op::Restart: worst = connect + kResend * (connectTx + shortTx) + connect; break;
        case Op::Live: worst = connect + 3 * (2000 + kResend * shortTx); break;
    }
    return milliseconds(4 * worst + 15000);
}

QString writeLogger(const QString& folder, Fault fault, Op op) {
    // A fault of the logger's own spoils every answer to the operation's command.
    // Faults that strike from outside need an exchange that lasts: its answers crawl
    // out at 20 ms a byte (live sampling lasts by itself).
    std::string kind = faultName(fault);
    if (fault > Fault::Garbage) kind = op == Op::Live ? "" : "trickle";
    auto faults = nlohmann::json::array();
    if (!kind.empty()) {
        faults.push_back(
            nlohmann::json{{"kind", kind}, {"command", faultedCommand(op)}, {"next", 100000}});
    }
    auto channels = twoLoggerChannels();
    channels[0]["live"] = {{"base", 21}, {"drift", 0.5}};
    channels[1]["live"] = {{"base", 50}, {"drift", 1}};
    return writeSimulatorConfig(folder + "/logger.json",
                                {{"pageSize", 64}, {"recordCount", 60}, {"growRecords", false},
                                 {"trickleByteMs", 20}, {"faults", faults}, {"channels", channels}});
}

struct Cell {
    Op op;
    Fault fault;
    // A trickle that completes within the cut-off is an answer like any other.
    int status = 1;
};

std::string cellName(const Cell& c) { return std::string(opName(c.op)) + "_" + faultName(c.fault); }

// So that test names and messages show the cell, not its bytes.
void PrintTo(const Cell& c, std::ostream* os) { *os << cellName(c); }

class CliFaultMatrix : public ::testing::TestWithParam<Cell> {
protected:
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.path() + "/" + name; }
};

TEST_P(CliFaultMatrix, EndsInTimeWithItsFailureReleasesThePortAndLosesNothing) {
    const Cell cell = GetParam();
    const Op op = cell.op;
    const Fault fault = cell.fault;
    ASSERT_TRUE(dir.isValid());

    // The line: the simulated logger with its fault, or a peer that never falls silent.
    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<PtyPeer> endless;
    QString device;
    if (fault == Fault::EndlessStream) {
        // A byte every 20 ms whatever it hears: "<", as an answer begins.
        endless = std::make_unique<PtyPeer>(PtyPeer::Noise{0x3C, milliseconds(20)});
        device = endless->path();
    } else {
        sim = std::make_unique<SimulatorProcess>(
            QStringList{"--no-pace", "--config", writeLogger(dir.path(), fault, op)});
        device = sim->device();
    }
    ASSERT_FALSE(device.isEmpty());

    // A file of the target's name is there already; the collect folder is empty.
    const QString target = file("keep.orx");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(kOldBytes);
    }
    const QString outDir = file("out");
    const QString liveDir = file("live");

    QStringList args{"--port",    device,  "--baud", QString::number(kBaud), "--timeout",
                     QString::number(kTimeoutMs), "--resend", QString::number(kResend)};
    switch (op) {
        case Op::Connect: args << "connect"; break;
        case Op::Upload: args << "upload" << "-o" << target; break;
        case Op::Restart: args << "restart" << "--set" << "interval=00:05:00"; break;
        case Op::Live:
            // Two seconds apart, so that a fault striking after the first answer
            // comes before the last request even on a loaded machine.
            args << "live" << "--count" << "3" << "--interval" << "2" << "--save-dir" << liveDir;
            break;
        case Op::Scan: args << "scan" << "--to" << "2"; break;
        case Op::Collect: args << "collect" << "--addresses" << "1" << "--out-dir" << outDir; break;
    }

    QProcess p;
    useTestSettings(p);
    std::string out;
    std::string err;
    const auto drain = [&] {
        out += p.readAllStandardOutput().toStdString();
        err += p.readAllStandardError().toStdString();
    };
    // Live sampling and a collect wait a while for a device that went away.
    const milliseconds bound =
        boundFor(op) + milliseconds(fault == Fault::Vanish && (op == Op::Live || op == Op::Collect)
                                        ? kPortWaitMs
                                        : 0);
    const auto start = Clock::now();
    p.start(cliPath(), args);
    ASSERT_TRUE(p.waitForStarted(10000));

    // Faults that strike from outside wait until the exchange they strike is under way.
    if (fault == Fault::Vanish || fault == Fault::Interrupt || fault == Fault::Terminate) {
        // Upload and collect: the pages have begun (the question comes just before them);
        // live: the first answer is in; otherwise the command has had time to send.
        const auto underWay = [&] {
            switch (op) {
                case Op::Upload:
                case Op::Collect: return err.find("是否确定上传历史数据？") != std::string::npos;
                case Op::Restart: return err.find("是否清除原有数据并启动记录仪？") != std::string::npos;
                case Op::Live: return !out.empty();
                default: return Clock::now() - start > milliseconds(1500);
            }
        };
        while (!underWay() && p.state() != QProcess::NotRunning && Clock::now() - start < bound) {
            p.waitForReadyRead(50);
            drain();
        }
        ASSERT_TRUE(underWay()) << "stdout: " << out << "\nstderr: " << err;
        std::this_thread::sleep_for(milliseconds(300));
        if (fault == Fault::Vanish) sim->vanish();
        if (fault == Fault::Interrupt) ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        if (fault == Fault::Terminate) p.terminate();
    }
    const bool ended = p.waitForFinished(static_cast<int>(
        std::max<std::int64_t>(1000, (bound - std::chrono::duration_cast<milliseconds>(
                                                  Clock::now() - start)).count())));
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    if (!ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    drain();
    const bool normal = p.exitStatus() == QProcess::NormalExit;
    const int status = normal ? p.exitCode() : -1;
    std::printf("fault cell | %s | bound %.1f s | measured %.2f s | status %d\n",
                cellName(cell).c_str(), bound.count() / 1000.0, took.count() / 1000.0, status);
    std::fflush(stdout);

    ASSERT_TRUE(ended) << "still running after " << bound.count() << " ms\nstderr: " << err;
    EXPECT_TRUE(normal) << "ended by a signal, not by winding up";
    EXPECT_EQ(status, cell.status) << "stdout: " << out << "\nstderr: " << err;

    // The failure is said on standard error.
    if (cell.status == 0) {
        EXPECT_EQ(err.find(kFailure), std::string::npos) << err;
    } else if (fault == Fault::Interrupt && op == Op::Upload) {
        EXPECT_NE(err.find("tarvo-cli: interrupted by SIGINT"), std::string::npos) << err;
    } else if (fault == Fault::Terminate && op == Op::Upload) {
        EXPECT_NE(err.find("tarvo-cli: interrupted by SIGTERM"), std::string::npos) << err;
    } else if (op == Op::Scan) {
        EXPECT_NE(err.find("没有找到记录仪。"), std::string::npos) << err;
    } else if (op == Op::Live) {
        // Bad answers fail with the failure message, missing ones are counted.
        EXPECT_TRUE(err.find(kFailure) != std::string::npos ||
                    err.find("live requests went unanswered") != std::string::npos ||
                    err.find("the port did not come back") != std::string::npos)
            << err;
    } else {
        EXPECT_NE(err.find(kFailure), std::string::npos) << err;
    }

    // Nothing lost: no page arrived intact, so the old file is as it was; nothing is
    // left beside it; the collect folder holds no half-written file.
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll().toStdString(), kOldBytes);
    const QStringList beside =
        QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    const QStringList expected = fault == Fault::EndlessStream
                                     ? QStringList{"keep.orx"}
                                     : QStringList{"keep.orx", "logger.json"};
    EXPECT_EQ(beside, expected) << beside.join(' ').toStdString();
    const QStringList collected =
        QDir(outDir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_TRUE(collected.isEmpty()) << collected.join(' ').toStdString();
    if (op == Op::Live) {
        // A daily file, if any sample was saved, ends with a whole line.
        for (const QString& name : QDir(liveDir + "/实时数据").entryList(QDir::Files)) {
            QFile daily(liveDir + "/实时数据/" + name);
            ASSERT_TRUE(daily.open(QIODevice::ReadOnly));
            const QByteArray text = daily.readAll();
            EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n")) << name.toStdString();
        }
    }

    // The port is free again (no lock, no one holding it), unless the device itself went.
    if (fault != Fault::Vanish) {
        QSerialPort again(device);
        EXPECT_TRUE(again.open(QIODevice::ReadWrite)) << again.errorString().toStdString();
    }
}

std::vector<Cell> matrix() {
    std::vector<Cell> cells;
    for (Op op : {Op::Connect, Op::Upload, Op::Restart, Op::Live, Op::Scan, Op::Collect}) {
        for (Fault f : {Fault::NoAnswer, Fault::BadChecksum, Fault::Truncated, Fault::Trickle,
                        Fault::Garbage, Fault::EndlessStream, Fault::Vanish}) {
            const bool shortAnswers = op == Op::Restart || op == Op::Live;
            cells.push_back({op, f, f == Fault::Trickle && shortAnswers ? 0 : 1});
        }
    }
    for (Fault f : {Fault::Interrupt, Fault::Terminate}) {
        cells.push_back({Op::Upload, f, 1});
        cells.push_back({Op::Collect, f, 1});
    }
    return cells;
}

INSTANTIATE_TEST_SUITE_P(Cells, CliFaultMatrix, ::testing::ValuesIn(matrix()),
                         [](const ::testing::TestParamInfo<Cell>& cellInfo) {
                             return cellName(cellInfo.param);
                         });

}  // namespace
}  // namespace tarvo::testing
