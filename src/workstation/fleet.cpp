#include "workstation/fleet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/date_time.h"
#include "core/text_format.h"
#include "data/channel_list.h"
#include "files/file_names.h"
#include "link/parameter_decoder.h"
#include "workstation/document_commands.h"

namespace tarvo {

namespace {

constexpr std::string_view kClockQuestion = "记录仪时钟有误，是否设置为系统时钟？";
// A logger that answers the probe but whose history cannot be decoded still counts
// as failed; this is what its result says.
constexpr std::string_view kNothingUploaded = "数据存储失败。请记录仪配置是否正确。";

std::optional<int> addressOf(std::string_view text) {
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    if (value < kFirstDisplayAddress || value > kLastDisplayAddress) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::vector<int>> parseAddressList(std::string_view text) {
    std::vector<int> out;
    auto add = [&out](int a) {
        if (std::find(out.begin(), out.end(), a) == out.end()) out.push_back(a);
    };
    while (true) {
        const auto comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        const auto dash = part.find('-');
        if (dash == std::string_view::npos) {
            const auto a = addressOf(part);
            if (!a) return std::nullopt;
            add(*a);
        } else {
            const auto from = addressOf(part.substr(0, dash));
            const auto to = addressOf(part.substr(dash + 1));
            if (!from || !to || *to < *from) return std::nullopt;
            for (int a = *from; a <= *to; ++a) add(a);
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out;
}

std::string fileNamePart(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return out;
}

std::filesystem::path collectFileName(const std::filesystem::path& dir, std::string_view name,
                                      int address, DateTime at, std::string_view extension) {
    const CivilTime t = toCivil(at);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return dir / pathFromText(fileNamePart(name) + "_" + std::to_string(address) + "_" + stamp +
                              "." + std::string(extension));
}

CollectOptions loadCollectChoice(const SettingsStore& store) {
    CollectOptions options;
    if (const auto folder = store.read("ProgramSetting", "CollectFolder")) {
        options.outDir = pathFromText(*folder);
    }
    if (const auto formats = store.read("ProgramSetting", "CollectFormats")) {
        std::vector<std::string> chosen;
        std::string_view rest = *formats;
        while (!rest.empty()) {
            const auto comma = rest.find(',');
            const std::string part(rest.substr(0, comma));
            if (part == "orx" || part == "csv" || part == "txt" || part == "doc" || part == "mdb")
                chosen.push_back(part);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        if (!chosen.empty()) options.formats = chosen;
    }
    return options;
}

void saveCollectChoice(SettingsStore& store, const CollectOptions& options) {
    std::string formats;
    for (const std::string& f : options.formats) formats += (formats.empty() ? "" : ",") + f;
    store.write("ProgramSetting", "CollectFolder", pathText(options.outDir));
    store.write("ProgramSetting", "CollectFormats", formats);
}

std::vector<FleetRow> fleetRows(const std::vector<FleetLogger>& loggers) {
    std::vector<FleetRow> rows;
    for (const FleetLogger& l : loggers) {
        FleetRow r;
        r.address = l.address;
        r.addressText = std::to_string(l.address);
        r.name = l.name;
        r.failed = l.failed;
        if (l.found || l.params.totalSpace > 0) {
            LoggerParameters p = l.params;
            r.model = p.modelPassword;
            r.recording = p.workStatus == kWorkRecording;
            r.workStatus = workStatusText(p.workStatus);
            r.records = std::to_string(p.recordCount);
            if (p.totalSpace > 0) {
                r.memoryUsed = formatNumber(
                    std::min(1.0, static_cast<double>(p.recordCount) / p.totalSpace),
                    NumberFormat::Percent2);
            }
            r.clockOffset = std::to_string(l.clockOffsetSeconds);
            r.clockOffsetWrong = l.clockOffsetBeyondTolerance;
        }
        if (l.collectedAt) r.lastCollected = generalDateText(*l.collectedAt);
        // The folder is the one chosen for the collect: the name tells the file.
        if (!l.files.empty()) r.file = pathText(l.files.front().filename());
        if (l.failed) {
            r.result = l.error;
        } else if (l.lastWork == FleetWork::Collect) {
            r.result = kFleetCollected;
        } else if (l.lastWork == FleetWork::Scan) {
            r.result = kFleetFound;
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

Answer Fleet::Answers::show(const Message& message) {
    if (message.buttons == MessageButtons::Ok) return Answer::Ok;
    if (probing) return Answer::No;
    Answer answer = Answer::No;
    if (message.text == kUploadConfirmation) answer = Answer::Yes;
    if (message.text == kClockQuestion) answer = setWrongClocks ? Answer::Yes : Answer::No;
    if (witness) witness->show(message);
    return answer;
}

Fleet::Fleet(TransactionEngine& engine, const DisplayNames& names, TemplateLocator templates)
    : engine_(engine), names_(names), templates_(std::move(templates)) {}

Fleet::~Fleet() {
    if (running()) finish();
}

std::vector<FleetLogger> Fleet::loggers() const {
    std::vector<FleetLogger> out;
    out.reserve(loggers_.size());
    for (const auto& [address, logger] : loggers_) out.push_back(logger);
    return out;
}

const FleetLogger* Fleet::logger(int address) const {
    const auto it = loggers_.find(address);
    return it == loggers_.end() ? nullptr : &it->second;
}

int Fleet::failures() const {
    int n = 0;
    for (const int address : collectOrder_) n += loggers_.at(address).failed ? 1 : 0;
    return n;
}

namespace {

std::size_t bytesOf(const std::vector<Bytes>& pages) {
    std::size_t n = 0;
    for (const Bytes& p : pages) n += p.size();
    return n;
}

}  // namespace

std::size_t Fleet::bytesReceived() const {
    return bytesDone_ + (upload_ && step_ == Step::Upload ? bytesOf(upload_->pages()) : 0);
}

double Fleet::fraction() const {
    if (progress_.total <= 0) return running() ? 0.0 : 1.0;
    double current = 0;
    if (step_ == Step::Upload && upload_) {
        const LoggerParameters& p = engine_.loggerParams();
        const double records = std::min<double>(p.recordCount, p.totalSpace > 0 ? p.totalSpace : p.recordCount);
        const double expected = records * p.recordWidth;
        if (expected > 0) current = std::min(1.0, static_cast<double>(bytesOf(upload_->pages())) / expected);
    }
    return std::min(1.0, (progress_.done + current) / progress_.total);
}

FleetLogger& Fleet::entry(int address) {
    FleetLogger& logger = loggers_[address];
    logger.address = address;
    logger.name = names_[address];
    return logger;
}

void Fleet::begin(FleetWork work) {
    work_ = work;
    cancelled_ = false;
    progress_ = {};
    addressBefore_ = engine_.deviceAddress();
    lastRead_.reset();
    engine_.setMessenger(&answers_);
}

void Fleet::finish() {
    upload_.reset();
    engine_.setHistoryHandler(previousHandler_);
    engine_.setConnectPolicy({});
    engine_.setMessenger(nullptr);
    // The engine's record holds the last logger read: the commands that follow (the
    // pane's write among them) address that logger, not the last address probed.
    engine_.setDeviceAddress(lastRead_.value_or(addressBefore_));
    work_ = FleetWork::None;
    step_ = Step::None;
    uploaded_.reset();
}

bool Fleet::scan(int from, int to) {
    if (running() || engine_.busy()) return false;
    if (from < kFirstDisplayAddress || to > kLastDisplayAddress || to < from) return false;
    // A scan never sets a clock, whatever the last collect was told, and asks nobody.
    answers_.setWrongClocks = false;
    previousHandler_ = engine_.historyHandler();
    startProbes(from, to, false);
    return true;
}

void Fleet::startProbes(int from, int to, bool collectAfter) {
    begin(FleetWork::Scan);
    collectAfterScan_ = collectAfter;
    probeNext_ = from;
    probeLast_ = to;
    progress_.total = to - from + 1;
    foundOrder_.clear();
    nextProbe();
}

bool Fleet::collect(std::vector<int> addresses, CollectOptions options) {
    if (running() || engine_.busy()) return false;
    for (const int a : addresses) {
        if (a < kFirstDisplayAddress || a > kLastDisplayAddress) return false;
    }
    options_ = std::move(options);
    bytesDone_ = 0;
    if (options_.formats.empty()) options_.formats = {"orx"};
    answers_.setWrongClocks = options_.setWrongClocks;
    collectOrder_.clear();
    previousHandler_ = engine_.historyHandler();
    upload_.emplace(engine_, static_cast<HistorySink&>(*this));
    if (addresses.empty()) {
        startProbes(kFirstDisplayAddress, kLastDisplayAddress, true);
        return true;
    }
    begin(FleetWork::Collect);
    queue_ = std::move(addresses);
    queueAt_ = 0;
    progress_.total = static_cast<int>(queue_.size());
    nextCollect();
    return true;
}

bool Fleet::poll() {
    if (!running() || engine_.busy()) return false;
    switch (step_) {
        case Step::Probe:
            probeEnded();
            break;
        case Step::Connect:
            connectEnded();
            break;
        case Step::Upload:
            uploadEnded();
            break;
        case Step::PortWait:
            return portWaited();
        case Step::None:
            finish();
            break;
    }
    return true;
}

// ---- scan ---------------------------------------------------------------------

void Fleet::nextProbe() {
    if (cancelled_ || probeNext_ > probeLast_) {
        if (collectAfterScan_ && !cancelled_) {
            work_ = FleetWork::Collect;
            queue_ = foundOrder_;
            queueAt_ = 0;
            progress_ = {0, static_cast<int>(queue_.size()), 0};
            nextCollect();
            return;
        }
        finish();
        return;
    }
    current_ = probeNext_++;
    progress_.address = current_;
    // One transmission in "XY-002", nothing stored, no second try in "XY-001".
    engine_.setConnectPolicy({false, false, 1});
    answers_.probing = true;
    step_ = Step::Probe;
    engine_.connectLogger(current_, Variant::XY002);
}

void Fleet::takeParameters(FleetLogger& logger) {
    const DateTime now = engine_.timers().now();
    logger.found = true;
    lastRead_ = logger.address;
    logger.params = engine_.loggerParams();
    logger.variant = engine_.result().variant.value_or(engine_.variant());
    logger.clockOffsetSeconds =
        std::llround((logger.params.loggerClock - now) * kSecondsPerDay);
    logger.clockOffsetBeyondTolerance =
        std::abs(logger.params.loggerClock - now) >= clockTolerance(logger.params, logger.variant);
}

void Fleet::fail(FleetLogger& logger, std::string message) {
    logger.failed = true;
    logger.error = message.empty() ? std::string(kFailureText) : std::move(message);
}

void Fleet::probeEnded() {
    const ExchangeResult& r = engine_.result();
    if (r.address == current_ && r.status == ExchangeStatus::Succeeded) {
        FleetLogger& logger = entry(current_);
        takeParameters(logger);
        logger.failed = false;
        logger.error.clear();
        logger.lastWork = FleetWork::Scan;
        foundOrder_.push_back(current_);
    } else if (auto it = loggers_.find(current_); it != loggers_.end()) {
        // Known from an earlier scan, silent now.
        it->second.found = false;
        it->second.lastWork = FleetWork::Scan;
        fail(it->second, r.message);
    }
    ++progress_.done;
    nextProbe();
}

// ---- collect ------------------------------------------------------------------

void Fleet::nextCollect() {
    if (cancelled_ || queueAt_ >= queue_.size()) {
        finish();
        return;
    }
    current_ = queue_[queueAt_++];
    progress_.address = current_;
    collectOrder_.push_back(current_);
    retried_ = false;
    collectCurrent();
}

void Fleet::collectCurrent() {
    FleetLogger& logger = entry(current_);
    logger.lastWork = FleetWork::Collect;
    logger.failed = false;
    logger.error.clear();
    logger.files.clear();
    logger.records = 0;
    // As the window connects, but the variant stays with this address.
    engine_.setConnectPolicy({true, false, 0});
    answers_.probing = false;
    step_ = Step::Connect;
    engine_.connectLogger(current_, logger.found ? logger.variant : Variant::XY002);
}

void Fleet::connectEnded() {
    FleetLogger& logger = entry(current_);
    const ExchangeResult& r = engine_.result();
    if (r.status != ExchangeStatus::Succeeded || !engine_.flags().connected) {
        if (awaitPort(r.message)) return;
        logger.found = false;
        fail(logger, r.message);
        ++progress_.done;
        return nextCollect();
    }
    takeParameters(logger);
    if (cancelled_) return finish();
    uploaded_.reset();
    step_ = Step::Upload;
    upload_->start(current_);
    if (!engine_.busy()) {
        // Nothing was sent (the confirmation is implied, so this is not expected).
        fail(logger, {});
        ++progress_.done;
        nextCollect();
    }
}

bool Fleet::showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) {
    bytesDone_ += bytesOf(pages);
    HistoryDocument doc;
    if (!restoreHisData(doc, pages, params, counter_, engine_.timers().now(), 0)) return false;
    channelListRows(doc);  // the curve colours the window would draw with
    uploaded_ = std::move(doc);
    return true;
}

void Fleet::uploadEnded() {
    FleetLogger& logger = entry(current_);
    const ExchangeResult& r = engine_.result();
    // A history cut short by a failure is not kept: the logger still holds it all.
    if ((r.status != ExchangeStatus::Succeeded || !uploaded_) && awaitPort(r.message)) {
        uploaded_.reset();
        return;
    }
    ++progress_.done;
    if (r.status != ExchangeStatus::Succeeded || !uploaded_) {
        fail(logger, r.status == ExchangeStatus::Succeeded && r.message.empty()
                         ? std::string(kNothingUploaded)
                         : r.message);
        uploaded_.reset();
        return nextCollect();
    }
    const DateTime at = engine_.timers().now();
    logger.collectedAt = at;
    logger.records = uploaded_->sampleCount();
    for (const std::string& format : options_.formats) {
        const auto path = collectFileName(options_.outDir, logger.name, current_, at, format);
        const CommandOutcome saved = saveDocumentAs(*uploaded_, path, templates_);
        if (!saved) {
            fail(logger, saved.message ? saved.message->text : saved.detail);
            if (!saved.detail.empty() && saved.message) logger.error += " (" + saved.detail + ")";
            continue;
        }
        logger.files.push_back(saved.path);
    }
    if (!options_.database.empty()) {
        const CommandOutcome appended =
            appendDocumentToDatabase(*uploaded_, options_.database, templates_, databaseLine_);
        if (!appended) {
            fail(logger, appended.message ? appended.message->text : appended.detail);
            if (!appended.detail.empty() && appended.message) {
                logger.error += " (" + appended.detail + ")";
            }
        }
    }
    uploaded_.reset();
    nextCollect();
}

bool Fleet::awaitPort(std::string message) {
    if (retried_ || cancelled_ || engine_.port().present(engine_.settings().ComPort)) return false;
    retried_ = true;
    portFailure_ = std::move(message);
    waitUntilMs_ = engine_.timers().elapsedMs() + kPortWaitMs;
    step_ = Step::PortWait;
    return true;
}

bool Fleet::portWaited() {
    if (!cancelled_ && engine_.port().present(engine_.settings().ComPort)) {
        collectCurrent();
        return true;
    }
    if (!cancelled_ && engine_.timers().elapsedMs() < waitUntilMs_) return false;
    FleetLogger& logger = entry(current_);
    logger.found = false;
    fail(logger, portFailure_);
    ++progress_.done;
    nextCollect();
    return true;
}

}  // namespace tarvo
