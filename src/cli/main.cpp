// tarvo-cli: the workstation's operations from a shell.

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_messenger.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/json_output.h"
#include "sim/pty_server.h"
#include "sim/sim_config.h"
#include "workstation/property_rows.h"

namespace tarvo::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Questions a command implies by being given: they are answered Yes.
const std::set<std::string> kImpliedYes = {
    "是否确定上传历史数据？",
    "您确定要停止记录仪吗？",
    "是否清除原有数据并启动记录仪？",
};

std::atomic<bool> gStop{false};

void requestStop(int) { gStop = true; }

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == flag) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

std::string takeValue(std::vector<std::string>& args, const std::string& option) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == option) {
            if (it + 1 == args.end()) throw UsageError{option + " needs a value"};
            std::string value = *(it + 1);
            args.erase(it, it + 2);
            return value;
        }
    }
    return {};
}

void expectNoMore(const std::vector<std::string>& args) {
    if (!args.empty()) throw UsageError{"unexpected argument " + args.front()};
}

int runConnect(const CommandLine& cl, std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    expectNoMore(args);
    CliMessenger messenger(cl.global.yes, kImpliedYes);
    CliSession session(cl.global, messenger);
    const bool ok = session.connect();
    if (ok) {
        if (json) {
            std::cout << parametersJson(session.loggerParams()).dump(2) << '\n';
        } else {
            const auto rows = loggerPropertyRows(session.loggerParams(), PropertyTab::All,
                                                 Viewer{true, 255});
            for (const auto& row : rows) std::cout << row.label << '\t' << row.value << '\n';
        }
    }
    std::cout.flush();
    messenger.finish(ok);
    return ok ? kOk : kFailed;
}

int runSimulate(std::vector<std::string> args) {
    const bool pace = !takeFlag(args, "--no-pace");
    const std::string configFile = takeValue(args, "--config");
    expectNoMore(args);
    SimConfig config = demoConfig();
    if (!configFile.empty()) {
        std::string error;
        auto loaded = loadSimConfigFile(configFile, error);
        if (!loaded) {
            std::cerr << configFile << ": " << error << '\n';
            return kFailed;
        }
        config = std::move(*loaded);
    }
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    return servePty(config, pace, std::cout, std::cerr, gStop);
}

int run(int argc, char** argv) {
    std::vector<std::string> argvList(argv + 1, argv + argc);
    CommandLine cl;
    try {
        cl = parseCommandLine(argvList);
        if (cl.help) {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (cl.command == "simulate") return runSimulate(cl.args);
        QCoreApplication app(argc, argv);
        if (cl.command == "connect") return runConnect(cl, cl.args);
        throw UsageError{"unknown command " + cl.command};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tarvo-cli: %s\n%s", e.message.c_str(), kUsageText);
        return kUsage;
    }
}

}  // namespace
}  // namespace tarvo::cli

int main(int argc, char** argv) { return tarvo::cli::run(argc, argv); }
