#include "cli/fleet_commands.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/arguments.h"
#include "cli/cli_messenger.h"
#include "cli/cli_session.h"
#include "cli/database_append.h"
#include "cli/progress_line.h"
#include "files/file_names.h"
#include "files/save_target.h"
#include "platform/qt_settings_store.h"
#include "workstation/fleet.h"

namespace tarvo::cli {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

std::atomic<bool> gCancel{false};
void requestCancel(int) { gCancel = true; }

int addressOption(const std::string& option, const std::string& text, int fallback) {
    if (text.empty()) return fallback;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < kFirstDisplayAddress ||
        value > kLastDisplayAddress) {
        throw UsageError{option + " needs an address 1..100, not " + text};
    }
    return value;
}

DisplayNames storedNames() {
    const QtSettingsStore store;
    ProgramSettings ignored;
    DisplayNames names;
    loadSettings(store, ignored, names);
    return names;
}

// Runs the fleet's work to its end on the session's event loop; an interrupt
// cancels it once the exchange under way has ended.
void runFleet(CliSession& session, Fleet& fleet, ProgressLine* progress) {
    gCancel = false;
    auto previousInt = std::signal(SIGINT, requestCancel);
    auto previousTerm = std::signal(SIGTERM, requestCancel);
    session.runUntil([&] {
        if (gCancel) fleet.cancel();
        fleet.poll();
        if (progress && fleet.work() == FleetWork::Collect) {
            progress->update(fleet.fraction(), fleet.bytesReceived());
        }
        return !fleet.running();
    });
    if (progress) progress->clear();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
}

std::string dump(const nlohmann::ordered_json& j) {
    return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

int runScan(const CommandLine& cl, std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    const int from = addressOption("--from", takeValue(args, "--from"), kFirstDisplayAddress);
    const int to = addressOption("--to", takeValue(args, "--to"), kLastDisplayAddress);
    expectNoMore(args);
    if (to < from) throw UsageError{"--to must not be below --from"};
    const DisplayNames names = storedNames();
    CliMessenger messenger(cl.global.yes, {});
    CliSession session(cl.global, messenger);
    Fleet fleet(session.engine(), names);
    fleet.scan(from, to);
    runFleet(session, fleet, nullptr);

    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const int address : fleet.found()) {
        const FleetLogger& l = *fleet.logger(address);
        LoggerParameters p = l.params;
        if (json) {
            list.push_back({{"address", address},
                            {"name", l.name},
                            {"modelPassword", p.modelPassword},
                            {"workStatus", p.workStatus},
                            {"recordCount", p.recordCount},
                            {"totalSpace", p.totalSpace},
                            {"loggerClock", p.loggerClock},
                            {"clockOffsetSeconds", l.clockOffsetSeconds},
                            {"userName", p.userName},
                            {"title", p.title}});
        } else {
            std::cout << address << '\t' << l.name << '\t' << p.modelPassword << '\t'
                      << workStatusText(p.workStatus) << '\t' << p.recordCount << '\t'
                      << p.totalSpace << '\t' << l.clockOffsetSeconds << '\n';
        }
    }
    if (json) std::cout << dump(list) << '\n';
    std::cout.flush();
    if (fleet.found().empty()) {
        std::cerr << kNoLoggerFound << '\n';
        return kFailed;
    }
    return kOk;
}

int runCollect(const CommandLine& cl, std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    const std::string list = takeValue(args, "--addresses");
    const std::string outDir = takeValue(args, "--out-dir");
    const std::string formats = takeValue(args, "--format");
    const std::string database = takeValue(args, "--database");
    expectNoMore(args);
    if (outDir.empty()) throw UsageError{"collect needs --out-dir DIR"};
    std::vector<int> addresses;
    if (!list.empty()) {
        const auto parsed = parseAddressList(list);
        if (!parsed) throw UsageError{"--addresses needs addresses 1..100 and ranges such as 1,3,5-9"};
        addresses = *parsed;
    }
    CollectOptions options;
    options.outDir = pathFromText(outDir);
    options.database = database;
    options.setWrongClocks = cl.global.yes;
    if (!formats.empty()) {
        options.formats.clear();
        std::istringstream parts(formats);
        for (std::string f; std::getline(parts, f, ',');) {
            if (f != "orx" && f != "csv" && f != "txt" && f != "doc" && f != "mdb") {
                throw UsageError{"--format takes orx, csv, txt, doc and mdb, not " + f};
            }
            if (std::find(options.formats.begin(), options.formats.end(), f) == options.formats.end())
                options.formats.push_back(f);
        }
        if (options.formats.empty()) throw UsageError{"--format needs at least one format"};
    }
    if (!ensureFolder(options.outDir)) {
        std::cerr << "tarvo-cli: cannot create the folder " << outDir << '\n';
        return kFailed;
    }
    const DisplayNames names = storedNames();
    // The upload's confirmation is implied; the clock question follows --yes.
    CliMessenger messenger(cl.global.yes, {std::string(kUploadConfirmation)});
    CliSession session(cl.global, messenger);
    Fleet fleet(session.engine(), names);
    if (isServerUri(options.database)) fleet.setDatabaseLine(databaseLine(cl.global));
    fleet.setQuestionWitness(&messenger);
    fleet.collect(addresses, options);
    ProgressLine progress;
    runFleet(session, fleet, &progress);

    if (addresses.empty() && fleet.found().empty() && !fleet.cancelled()) {
        std::cerr << kNoLoggerFound << '\n';
        return kFailed;
    }
    nlohmann::ordered_json loggers = nlohmann::ordered_json::array();
    for (const int address : fleet.collected()) {
        const FleetLogger& l = *fleet.logger(address);
        std::string files;
        nlohmann::ordered_json fileList = nlohmann::ordered_json::array();
        for (const auto& f : l.files) {
            if (!files.empty()) files += ' ';
            files += pathText(f);
            fileList.push_back(pathText(f));
        }
        if (l.failed) std::cerr << address << '\t' << l.name << '\t' << l.error << '\n';
        if (json) {
            loggers.push_back({{"address", address},
                               {"name", l.name},
                               {"records", l.records},
                               {"files", fileList},
                               {"error", l.failed ? nlohmann::ordered_json(l.error) : nullptr}});
        } else if (l.failed) {
            std::cout << address << '\t' << l.name << '\t' << kFleetFailed << '\t' << l.error << '\n';
        } else {
            std::cout << address << '\t' << l.name << '\t' << l.records << '\t' << files << '\n';
        }
    }
    const int failed = fleet.failures();
    const int collected = static_cast<int>(fleet.collected().size()) - failed;
    if (json) {
        nlohmann::ordered_json out;
        out["loggers"] = loggers;
        out["collected"] = collected;
        out["failed"] = failed;
        std::cout << dump(out) << '\n';
    } else {
        std::cout << collected << " collected, " << failed << " failed\n";
    }
    std::cout.flush();
    const bool complete = failed == 0 && !fleet.cancelled() &&
                          (addresses.empty() || fleet.collected().size() == addresses.size());
    return complete ? kOk : kFailed;
}

}  // namespace tarvo::cli
