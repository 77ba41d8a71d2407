// tarvo-cli: the workstation's operations from a shell.

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <functional>
#include <optional>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_messenger.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/database_append.h"
#include "cli/document_json.h"
#include "cli/fleet_commands.h"
#include "cli/json_output.h"
#include "cli/summary_command.h"
#include "cli/progress_line.h"
#include "data/channel_list.h"
#include "data/history_document.h"
#include "files/atomic_file.h"
#include "files/file_names.h"
#include "files/template_locator.h"
#include "core/date_time.h"
#include "link/history_upload.h"
#include "link/maintenance.h"
#include "link/restart.h"
#include "link/live_sampling.h"
#include "data/live_document.h"
#include "files/live_file.h"
#include "workstation/property_editing.h"
#include "workstation/maintenance_dialogs.h"
#include "workstation/document_commands.h"
#include "sim/pty_server.h"
#include "sim/sim_config.h"
#include "workstation/fleet.h"
#include "workstation/property_rows.h"

namespace tarvo::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Questions a command implies by being given: they are answered Yes.
const std::set<std::string> kImpliedYes = {
    std::string(kUploadConfirmation),
    std::string(kStopQuestion),
    std::string(kRestartConfirm),
};

std::atomic<bool> gStop{false};

void requestStop(int) { gStop = true; }
// SIGUSR1 unplugs a simulated line served behind a link, or plugs it back.
std::atomic<bool> gReplug{false};
void requestReplug(int) { gReplug = true; }

std::string dumpJson(const nlohmann::ordered_json& j) {
    return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// Reports a document command's failure on standard error.
void reportFailure(const CommandOutcome& outcome) {
    if (outcome.message) std::cerr << outcome.message->text << '\n';
    if (!outcome.detail.empty() && (!outcome.message || outcome.detail != outcome.message->text)) {
        std::cerr << "tarvo-cli: " << outcome.detail << '\n';
    }
}

int runConnect(const CommandLine& cl, std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    expectNoMore(args);
    CliMessenger messenger(cl.global.yes, kImpliedYes, json);
    CliSession session(cl.global, messenger);
    bool ok = session.connect();
    if (ok && session.clockSettingFailed()) {
        // The record would show the PC time the logger never took.
        std::cerr << "tarvo-cli: the logger clock was not set\n";
        ok = false;
    }
    if (ok) {
        if (json) {
            std::cout << dumpJson(parametersJson(session.loggerParams())) << '\n';
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

// Takes the uploaded pages into a history document and saves it under the name the
// command was given, as the window's save would.
class UploadToFile : public HistorySink {
public:
    UploadToFile(std::filesystem::path path, TimerService& timers, Messenger& messenger)
        : path_(std::move(path)), timers_(timers), messenger_(messenger) {}

    bool showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) override {
        HistoryDocument doc;
        RestoreNotes notes;
        if (!restoreHisData(doc, pages, params, counter_, timers_.now(), 0, &notes)) return false;
        // Fewer records than promised is a warning: the pages are saved, the command fails.
        for (const Message& notice : uploadNotices(notes)) messenger_.show(notice);
        if (notes.incomplete()) {
            std::cerr << "tarvo-cli: received " << notes.received << " of " << notes.promised
                      << " records\n";
        }
        channelListRows(doc);  // the curve colours the window would draw with
        outcome_ = saveDocumentAs(doc, path_, TemplateLocator());
        channels_ = static_cast<int>(doc.channels.size());
        records_ = doc.sampleCount();
        handedOver_ = true;
        return true;
    }

    bool handedOver() const { return handedOver_; }
    const CommandOutcome& outcome() const { return outcome_; }
    int channels() const { return channels_; }
    int records() const { return records_; }

private:
    std::filesystem::path path_;
    TimerService& timers_;
    Messenger& messenger_;
    HistoryCounter counter_;
    CommandOutcome outcome_;
    bool handedOver_ = false;
    int channels_ = 0;
    int records_ = 0;
};

// The bytes of samples the logger holds, as its parameters tell (0: not known).
std::int64_t storedDataBytes(const LoggerParameters& p) {
    const std::int64_t records = p.overflowCount > 0 ? p.totalSpace
                                                     : std::min<std::int64_t>(p.recordCount, p.totalSpace);
    return std::max<std::int64_t>(0, records * p.recordWidth);
}

int runUpload(const CommandLine& cl, std::vector<std::string> args) {
    const std::string file = takeValue(args, "-o");
    expectNoMore(args);
    if (file.empty()) throw UsageError{"upload needs -o FILE"};
    // A target that cannot be written fails now, not after the whole upload.
    if (const WriteResult writable = checkWritableTarget(pathFromText(file)); !writable) {
        std::cerr << "tarvo-cli: " << writable.error << '\n';
        return kFailed;
    }
    CliMessenger messenger(cl.global.yes, kImpliedYes);
    CliSession session(cl.global, messenger);
    bool ok = session.connect();
    UploadToFile sink(pathFromText(file), session.engine().timers(), messenger);
    if (ok) {
        HistoryUpload upload(session.engine(), sink);
        ProgressLine progress;
        const std::int64_t total = storedDataBytes(session.loggerParams());
        session.onProgress = [&](int value, int /*maximum*/) {
            if (session.engine().mode() != kModeHistory) return;
            // Data bytes: a page answer frames its data with 9 bytes, 8 of them before it.
            std::int64_t done = std::max(0, value - 8);
            for (const Bytes& page : upload.pages()) {
                done += std::max<std::int64_t>(0, static_cast<std::int64_t>(page.size()) - 9);
            }
            progress.update(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0,
                            static_cast<std::size_t>(done));
        };
        upload.start(cl.global.address);
        session.runUntilIdle();
        session.onProgress = nullptr;
        progress.clear();
        // Pages handed over after a failure are saved, but the command still failed.
        ok = sink.handedOver() && sink.outcome().ok && !messenger.anyWarningShown();
    }
    if (ok) {
        std::cout << file << ": " << sink.channels() << " channels, " << sink.records()
                  << " records\n";
    } else if (sink.handedOver() && sink.outcome().ok) {
        // The pages received before the failure are kept; the upload still failed.
        std::cerr << "tarvo-cli: a partial history was saved: " << file << ": "
                  << sink.channels() << " channels, " << sink.records() << " records\n";
    } else if (sink.handedOver()) {
        reportFailure(sink.outcome());
    }
    messenger.finish(ok);
    return ok ? kOk : kFailed;
}

int runShow(std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    if (args.size() != 1) throw UsageError{"show needs one FILE"};
    HistoryDocument doc;
    const auto opened = openDocumentFile(doc, pathFromText(args.front()), kDefaultPlotWidthTwips);
    if (!opened) {
        reportFailure(opened);
        return kFailed;
    }
    if (json) {
        std::cout << dumpJson(documentJson(doc)) << '\n';
        return kOk;
    }
    LoggerParameters fileParams;
    refrashParam(doc, fileParams);
    for (const auto& row : filePropertyRows(fileParams, Viewer{true, 255})) {
        std::cout << row.label << '\t' << row.value << '\n';
    }
    std::cout << '\n';
    const char* separator = "";
    for (const auto& column : kChannelListColumns) {
        std::cout << separator << column.header;
        separator = "\t";
    }
    std::cout << '\n';
    for (const auto& row : channelListRows(doc)) {
        separator = "";
        for (const std::string* cell : row.cells()) {
            std::cout << separator << *cell;
            separator = "\t";
        }
        std::cout << '\n';
    }
    return kOk;
}

int runConvert(const GlobalOptions& global, std::vector<std::string> args) {
    const bool append = takeFlag(args, "--append");
    if (args.size() != 2) throw UsageError{"convert needs IN and OUT"};
    HistoryDocument doc;
    const auto opened = openDocumentFile(doc, pathFromText(args[0]), kDefaultPlotWidthTwips);
    if (!opened) {
        reportFailure(opened);
        return kFailed;
    }
    std::string printed;
    CommandOutcome saved;
    if (append) {
        saved = appendToDatabase(doc, args[1], global, printed);
    } else {
        saved = saveDocumentAs(doc, pathFromText(args[1]), TemplateLocator());
        printed = pathText(saved.path);
    }
    if (!saved) {
        reportFailure(saved);
        return kFailed;
    }
    std::cout << printed << '\n';
    return kOk;
}

// Connects, then sends one maintenance command and waits for its exchanges to end.
// Succeeds when `done` was reported and no warning was shown.
int runMaintenance(const CommandLine& cl, const std::function<SendOutcome(TransactionEngine&)>& send,
                   std::string_view done) {
    CliMessenger messenger(cl.global.yes, kImpliedYes);
    CliSession session(cl.global, messenger);
    bool ok = session.connect();
    if (ok) {
        ok = send(session.engine()) == SendOutcome::Sent;
        session.runUntilIdle();
        ok = ok && !messenger.anyWarningShown() && (done.empty() || messenger.wasShown(std::string(done)));
    }
    messenger.finish(ok);
    return ok ? kOk : kFailed;
}

int runStop(const CommandLine& cl, const std::vector<std::string>& args) {
    expectNoMore(args);
    return runMaintenance(cl, [](TransactionEngine& engine) {
        return stopLogger(engine, engine.messenger());
    }, kSettingsDone);
}

int runPower(const CommandLine& cl, const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0] != "normal" && args[0] != "saving")) {
        throw UsageError{"power needs normal or saving"};
    }
    const bool normal = args[0] == "normal";
    return runMaintenance(cl, [normal](TransactionEngine& engine) {
        return setPowerMode(engine, normal);
    }, kSettingsDone);
}

int runReset(const CommandLine& cl, const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"reset needs a level 1..5"};
    int level = 0;
    const auto& text = args[0];
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (ec != std::errc() || ptr != text.data() + text.size() || level < 1 || level > 5) {
        throw UsageError{"reset needs a level 1..5, not " + text};
    }
    return runMaintenance(cl, [level](TransactionEngine& engine) {
        return resetLogger(engine, level);
    }, kSettingsDone);
}

int runClock(const CommandLine& cl, const std::vector<std::string>& args) {
    if (args.size() > 2) throw UsageError{"clock takes now or \"YYYY-MM-DD HH:MM:SS\""};
    std::optional<DateTime> when;
    if (!args.empty() && !(args.size() == 1 && args[0] == "now")) {
        // The date and time may also come as two words.
        const std::string text = args.size() == 2 ? args[0] + " " + args[1] : args[0];
        when = parseIsoDateTime(text);
        if (!when) throw UsageError{"clock: not a date and time: " + text};
    }
    return runMaintenance(cl, [when](TransactionEngine& engine) {
        return setLoggerClockTo(engine, when.value_or(engine.timers().now()));
    }, {});
}

int runSmsNumbers(const CommandLine& cl, const std::vector<std::string>& args) {
    if (args.size() != 3) throw UsageError{"sms-numbers needs three numbers (\"\" for none)"};
    // As in the dialog's boxes: digits only, at most eleven; a shorter number clears
    // its entry as the dialog does.
    for (const auto& number : args) {
        if (!onlyDigits(number) || number.size() > static_cast<std::size_t>(kMobileBoxMaxLength)) {
            throw UsageError{"sms-numbers: not a phone number of up to " +
                             std::to_string(kMobileBoxMaxLength) + " digits: " + number};
        }
    }
    const std::array<std::string, 3> numbers{args[0], args[1], args[2]};
    return runMaintenance(cl, [numbers](TransactionEngine& engine) {
        return setSmsNumbers(engine, numbers);
    }, kPhonesDone);
}

int runSmsPassword(const CommandLine& cl, const std::vector<std::string>& args) {
    if (args.size() != 2) throw UsageError{"sms-password needs OLD and NEW"};
    // The dialog's boxes take at most eight digits; a shorter password is the
    // dialog's own refusal below.
    for (const auto& password : args) {
        if (!onlyDigits(password) ||
            password.size() > static_cast<std::size_t>(kPasswordBoxMaxLength)) {
            throw UsageError{"sms-password: a password is " +
                             std::to_string(kPasswordBoxMaxLength) + " digits: " + password};
        }
    }
    if (const auto refusal = passwordDialogRefusal(args[0], args[1])) {
        std::cerr << refusal->text << '\n';
        return kFailed;
    }
    return runMaintenance(cl, [&args](TransactionEngine& engine) {
        return setSmsPassword(engine, args[0], args[1]);
    }, kPasswordDone);
}

int runRestart(const CommandLine& cl, std::vector<std::string> args) {
    std::vector<std::pair<std::string, std::string>> edits;
    while (!args.empty()) {
        const std::string edit = takeValue(args, "--set");
        if (edit.empty()) throw UsageError{"unexpected argument " + args.front()};
        const auto eq = edit.find('=');
        if (eq == std::string::npos) throw UsageError{"--set needs NAME=VALUE: " + edit};
        edits.emplace_back(edit.substr(0, eq), edit.substr(eq + 1));
    }
    // Names and values are checked before anything is sent.
    for (const auto& [name, value] : edits) {
        LoggerParameters scratch;
        const auto r = applySetEdit(scratch, name, value, currentDateTime());
        if (r.status == SetEditStatus::UsageError) throw UsageError{r.message};
    }
    CliMessenger messenger(cl.global.yes, kImpliedYes);
    CliSession session(cl.global, messenger);
    bool ok = session.connect();
    for (const auto& [name, value] : edits) {
        if (!ok) break;
        const auto r = applySetEdit(session.loggerParams(), name, value,
                                    session.engine().timers().now());
        if (r.status != SetEditStatus::Applied) {
            std::cerr << r.message << '\n';
            ok = false;
        }
    }
    if (ok) {
        const RestartOutcome sent = restartLogger(session.engine(), cl.global.address);
        session.runUntilIdle();
        ok = (sent == RestartOutcome::ParametersSent || sent == RestartOutcome::ClockSent) &&
             !messenger.anyWarningShown() && messenger.wasShown(std::string(kRestartDone));
    }
    messenger.finish(ok);
    return ok ? kOk : kFailed;
}

// Live answers into the live document, the daily file (when saving is on) and one
// line each on standard output.
class LiveToTerminal : public LiveSampleSink {
public:
    LiveToTerminal(LiveDocument& doc, LiveFile& file) : doc_(doc), file_(file) {}
    void liveSample(ByteView answer, DateTime now) override {
        const auto sample = doc_.restoreRealData(answer, now);
        file_.SaveData(doc_, answer, now);
        if (!sample) return;
        std::cout << liveSampleLine(*sample) << std::endl;
        ++answers_;
    }
    int answers() const { return answers_; }

private:
    LiveDocument& doc_;
    LiveFile& file_;
    int answers_ = 0;
};

int runLive(const CommandLine& cl, std::vector<std::string> args) {
    const std::string countText = takeValue(args, "--count");
    const std::string intervalText = takeValue(args, "--interval");
    const std::string saveDir = takeValue(args, "--save-dir");
    expectNoMore(args);
    auto positive = [](const std::string& option, const std::string& text) {
        int value = 0;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || ptr != text.data() + text.size() || value < 1) {
            throw UsageError{option + " needs a whole number above 0"};
        }
        return value;
    };
    if (countText.empty()) throw UsageError{"live needs --count N"};
    const int count = positive("--count", countText);
    CliMessenger messenger(cl.global.yes, kImpliedYes);
    CliSession session(cl.global, messenger);
    if (!intervalText.empty()) session.settings().RealInterval = positive("--interval", intervalText);
    if (!saveDir.empty()) {
        session.settings().FilePath = saveDir;
        session.settings().AutoSave = 10;
    }
    bool ok = session.connect();
    int answers = 0;
    if (ok) {
        LiveDocument doc;
        doc.reSetRealSetting(session.loggerParams());
        LiveFile file(session.settings(), messenger);
        doc.setDumpSink(&file);
        LiveToTerminal sink(doc, file);
        LiveSampling sampling(session.engine(), sink);
        session.engine().setDeviceAddress(cl.global.address);
        sampling.start();
        // A port that went away is waited for as long as a collect waits for it; a
        // command line must end, so then it gives up.
        std::optional<std::int64_t> waitingSince;
        bool portGone = false;
        session.runUntil([&] {
            if (sampling.waitingForPort()) {
                const std::int64_t now = session.engine().timers().elapsedMs();
                if (!waitingSince) waitingSince = now;
                portGone = now - *waitingSince >= kPortWaitMs;
                if (portGone) return true;
            } else {
                waitingSince.reset();
            }
            return !sampling.running() ||
                   (sampling.requestsSent() >= count && !session.engine().busy());
        });
        sampling.stop();
        answers = sink.answers();
        ok = answers == count && !messenger.anyWarningShown() && !portGone;
        if (portGone) {
            std::cerr << "tarvo-cli: the port did not come back within " << kPortWaitMs / 1000
                      << " s\n";
        } else if (answers < count && !messenger.anyWarningShown()) {
            std::cerr << "tarvo-cli: " << count - answers << " of " << count
                      << " live requests went unanswered\n";
        }
    }
    messenger.finish(ok, false);
    return ok ? kOk : kFailed;
}

int runSimulate(std::vector<std::string> args) {
    const bool pace = !takeFlag(args, "--no-pace");
    const std::string link = takeValue(args, "--link");
    std::vector<std::string> files;
    while (true) {
        std::string file = takeValue(args, "--config");
        if (file.empty()) break;
        files.push_back(std::move(file));
    }
    expectNoMore(args);
    std::vector<SimConfig> configs;
    for (const std::string& file : files) {
        std::string error;
        auto loaded = loadSimConfigFile(file, error);
        if (!loaded) {
            std::cerr << file << ": " << error << '\n';
            return kFailed;
        }
        configs.push_back(std::move(*loaded));
    }
    if (configs.empty()) configs = demoLine();
    if (const auto clash = duplicateAddress(configs)) {
        std::cerr << "tarvo-cli: " << *clash << '\n';
        return kFailed;
    }
    // Speed, latency and trickle are the line's: the first configuration sets them.
    const SimLine line = lineOf(configs.front(), pace);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    if (!link.empty()) {
        std::signal(SIGUSR1, requestReplug);
        return servePty(std::move(configs), line, link, std::cout, std::cerr, gStop, gReplug);
    }
    return servePty(std::move(configs), line, std::cout, std::cerr, gStop);
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
        // SIGINT and SIGTERM wind the command up, closing the port on the way out.
        stopOnSignals();
        if (cl.command == "connect") return runConnect(cl, cl.args);
        if (cl.command == "upload") return runUpload(cl, cl.args);
        if (cl.command == "show") return runShow(cl.args);
        if (cl.command == "convert") return runConvert(cl.global, cl.args);
        if (cl.command == "summary") return runSummary(cl.args);
        if (cl.command == "stop") return runStop(cl, cl.args);
        if (cl.command == "live") return runLive(cl, cl.args);
        if (cl.command == "restart") return runRestart(cl, cl.args);
        if (cl.command == "power") return runPower(cl, cl.args);
        if (cl.command == "reset") return runReset(cl, cl.args);
        if (cl.command == "clock") return runClock(cl, cl.args);
        if (cl.command == "sms-numbers") return runSmsNumbers(cl, cl.args);
        if (cl.command == "sms-password") return runSmsPassword(cl, cl.args);
        if (cl.command == "scan") return runScan(cl, cl.args);
        if (cl.command == "collect") return runCollect(cl, cl.args);
        throw UsageError{"unknown command " + cl.command};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tarvo-cli: %s\nTry 'tarvo-cli --help' for more information.\n",
                     e.message.c_str());
        return kUsage;
    }
}

}  // namespace
}  // namespace tarvo::cli

int main(int argc, char** argv) { return tarvo::cli::run(argc, argv); }
