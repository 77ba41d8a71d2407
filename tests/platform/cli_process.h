#pragma once
// Runs tarvo-cli and the simulated logger as real processes, for end-to-end tests
// over a pseudo-terminal.

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

namespace tarvo::testing {

inline QString cliPath() { return QStringLiteral(TARVO_BINARY_DIR "/bin/tarvo-cli"); }

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Points the settings store of tarvo-cli started by `p` at `folder` (by default an
// empty folder of the build), never at the user's own settings.
inline void useTestSettings(QProcess& p,
                            const QString& folder = QStringLiteral(TARVO_BINARY_DIR "/test-config")) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    p.setProcessEnvironment(env);
}

// Runs tarvo-cli with the settings store pointed at an empty folder.
inline CliResult runCli(const QStringList& args, int timeoutMs = 30000) {
    QProcess p;
    useTestSettings(p);
    p.start(cliPath(), args);
    p.waitForFinished(timeoutMs);
    CliResult r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

// The two channels of the small simulated loggers in these tests: a temperature of two
// bytes and a humidity of four, each recording from a generator of its own.
inline nlohmann::json twoLoggerChannels() {
    return nlohmann::json::parse(R"([
    {"type": 1, "unit": 1, "dataLength": 2, "rangeLow": -40, "rangeHigh": 85,
     "started": true, "record": true,
     "generator": {"base": 20, "dailyAmplitude": 3, "noise": 0.2, "seed": 3}},
    {"type": 2, "unit": 2, "dataLength": 4, "rangeLow": 0, "rangeHigh": 100,
     "started": true, "record": true,
     "generator": {"base": 50, "dailyAmplitude": 10, "noise": 0.5, "seed": 4}}
  ])");
}

// Writes a configuration for `tarvo-cli simulate --config` and returns its path (empty
// when it could not be written).
inline QString writeSimulatorConfig(const QString& path, const nlohmann::json& config) {
    QFile f(path);
    const std::string text = config.dump(2);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        return {};
    }
    return path;
}

// `tarvo-cli simulate` in the background; its device path is the first line it prints.
// The test can make it vanish mid-exchange.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const QStringList& extraArgs = {}) {
        process_.start(cliPath(), QStringList{QStringLiteral("simulate")} + extraArgs);
        if (process_.waitForStarted(10000) && process_.waitForReadyRead(10000)) {
            device_ = QString::fromUtf8(process_.readLine()).trimmed();
        }
    }
    ~SimulatorProcess() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
        if (held_ >= 0) ::close(held_);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    const QString& device() const { return device_; }

    // SIGKILL: the simulator's pseudo-terminal closes under whoever has it open. The
    // test holds the terminal's other end open until it is done: its path is gone, yet
    // its number is not handed to the next pseudo-terminal, so a command waiting for
    // the port to come back never meets another test's simulator under the old name.
    void vanish() {
        held_ = ::open(device_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    QString device_;
    int held_ = -1;
};

}  // namespace tarvo::testing
