#pragma once
// The line as a fleet: find every logger on it (scan) and upload them all, one after
// the other, saving each history (collect). It works beside the Workstation on the
// same engine and line, one exchange at a time, and is moved on by poll() whenever
// the engine may have finished an exchange (the window's timer, the command line's
// event loop and the tests' virtual clock all call it).
//
// While it runs, connects hold the variant each address answered in instead of
// storing it, the messages go to the per-logger results instead of the operator, the
// upload's confirmation is implied, and the clock question is answered as the caller
// chose. A scan sends each address a single "XY-002" connect (no resend, no
// fall-back). A collect connects as the window does, uploads, and saves the history
// once per format as DIR/NAME_A_yyyyMMdd-HHmmss.EXT, optionally appending it to a
// database; one logger's failure is recorded and the next is collected. Cancelling
// stops once the exchange under way has ended in order.
//
// A logger whose connect or upload fails because the port vanished (a USB adapter
// unplugged) is collected again, once, when the port is back; the fleet waits for
// it up to kPortWaitMs, then records the failure and goes on.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "core/logger_parameters.h"
#include "core/messenger.h"
#include "core/settings.h"
#include "data/history_document.h"
#include "files/template_locator.h"
#include "link/frames.h"
#include "link/history_upload.h"
#include "link/transaction_engine.h"

namespace tarvo {

inline constexpr std::string_view kNoLoggerFound = "没有找到记录仪。";
inline constexpr std::string_view kFleetFailed = "失败";
// How long a collect waits for a vanished port to come back.
inline constexpr std::int64_t kPortWaitMs = 60'000;

enum class FleetWork { None, Scan, Collect };

// What is known of one logger of the line, as the fleet view and the command line
// show it.
struct FleetLogger {
    int address = 0;
    std::string name;  // the display name of its address
    bool found = false;  // its parameters were read
    LoggerParameters params;
    Variant variant = Variant::XY002;
    std::int64_t clockOffsetSeconds = 0;  // logger clock minus PC time, rounded
    bool clockOffsetBeyondTolerance = false;
    // The last collect of it.
    std::optional<DateTime> collectedAt;  // PC time at the end of its upload
    int records = 0;
    std::vector<std::filesystem::path> files;
    // The last operation on it and how it ended (the message when it failed).
    FleetWork lastWork = FleetWork::None;
    bool failed = false;
    std::string error;
};

struct CollectOptions {
    std::filesystem::path outDir;
    std::vector<std::string> formats{"orx"};  // any of orx, csv, txt, doc, mdb
    std::string database;                     // empty: no database append
    bool setWrongClocks = false;              // Yes to the clock question
};

struct FleetProgress {
    int done = 0;   // addresses (scan) or loggers (collect) finished
    int total = 0;
    int address = 0;  // the one under way
};

// "1,3,5-9" as addresses in the order given (duplicates dropped); nothing when a
// part is not an address 1..100 or a range runs backwards.
std::optional<std::vector<int>> parseAddressList(std::string_view text);
// The display name made fit for a file name: every character a file name cannot
// hold becomes "_".
std::string fileNamePart(std::string_view name);
// DIR/NAME_A_yyyyMMdd-HHmmss.EXT
std::filesystem::path collectFileName(const std::filesystem::path& dir, std::string_view name,
                                      int address, DateTime at, std::string_view extension);

// The last folder and formats chosen for a collect, kept in the settings store
// (section "ProgramSetting", keys "CollectFolder" and "CollectFormats" as "orx,csv").
CollectOptions loadCollectChoice(const SettingsStore& store);
void saveCollectChoice(SettingsStore& store, const CollectOptions& options);

// The fleet view's list: one row per logger the fleet knows of, by address.
struct FleetRow {
    int address = 0;
    std::string addressText;
    std::string name;
    std::string model;
    std::string workStatus;
    bool recording = false;  // blue; red when stopped
    std::string records;
    std::string memoryUsed;  // records stored of the total space, "#0.00%"
    std::string clockOffset;  // seconds
    bool clockOffsetWrong = false;  // beyond the clock tolerance (red)
    std::string lastCollected;
    std::string file;  // the name of the first file written by the last collect
    std::string result;
    bool failed = false;
};
inline constexpr std::array<std::string_view, 10> kFleetColumns = {
    "地址", "名称", "型号", "工作状态", "记录次数", "已用空间", "时钟偏差(秒)", "最后上传", "文件", "结果",
};
inline constexpr std::string_view kFleetFound = "已找到";
inline constexpr std::string_view kFleetCollected = "上传成功";
std::vector<FleetRow> fleetRows(const std::vector<FleetLogger>& loggers);

class Fleet : private HistorySink {
  public:
    // The engine, names and templates outlive the fleet.
    Fleet(TransactionEngine& engine, const DisplayNames& names, TemplateLocator templates = TemplateLocator());
    ~Fleet() override;
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    // Each false (nothing starts) while the engine or the fleet is busy, or for a
    // range outside 1..100.
    bool scan(int from, int to);
    // Empty `addresses`: scans 1..100 first and collects every logger found.
    bool collect(std::vector<int> addresses, CollectOptions options);
    void cancel() { cancelled_ = true; }
    // The questions a collect answers are also put to `witness` (the command line
    // prints them with the answer), which must give the same answers; the fleet's own
    // answer counts. nullptr: nobody sees them.
    void setQuestionWitness(Messenger* witness) { answers_.witness = witness; }
    // The line the appended rows name on a database server (empty: the host name).
    void setDatabaseLine(std::string line) { databaseLine_ = std::move(line); }
    // Moves the work on once the engine is idle. True when something changed.
    bool poll();

    bool running() const { return work_ != FleetWork::None; }
    FleetWork work() const { return work_; }
    bool cancelled() const { return cancelled_; }
    FleetProgress progress() const { return progress_; }
    // Every logger the fleet knows of, by address.
    std::vector<FleetLogger> loggers() const;
    const FleetLogger* logger(int address) const;
    // The loggers of the last collect, in the order collected.
    const std::vector<int>& collected() const { return collectOrder_; }
    // Those found by the last scan, by address.
    const std::vector<int>& found() const { return foundOrder_; }
    int failures() const;
    // The logger whose parameters the engine's record holds since the last piece of
    // work (nothing when it read none); the engine addresses it once the work is over.
    std::optional<int> lastRead() const { return lastRead_; }
    // How much of the work is done, 0..1 (an upload under way counts by its bytes).
    double fraction() const;
    // Bytes of history received so far by this collect.
    std::size_t bytesReceived() const;

  private:
    enum class Step { None, Probe, Connect, Upload, PortWait };

    // Answers what the fleet's exchanges ask, keeps what they say out of sight.
    class Answers : public Messenger {
      public:
        Answer show(const Message& message) override;
        bool setWrongClocks = false;
        bool probing = false;  // a probe asks nobody and sets no clock
        Messenger* witness = nullptr;
    };

    bool showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) override;
    void begin(FleetWork work);
    void startProbes(int from, int to, bool collectAfter);
    void finish();
    void nextProbe();
    void nextCollect();
    void probeEnded();
    void connectEnded();
    void uploadEnded();
    void collectCurrent();
    // The current logger failed while the port is gone: wait for it to collect again.
    bool awaitPort(std::string message);
    bool portWaited();
    FleetLogger& entry(int address);
    void takeParameters(FleetLogger& logger);
    void fail(FleetLogger& logger, std::string message);

    TransactionEngine& engine_;
    const DisplayNames& names_;
    TemplateLocator templates_;
    std::string databaseLine_;
    Answers answers_;
    std::optional<HistoryUpload> upload_;
    HistoryUploadHandler* previousHandler_ = nullptr;
    CollectOptions options_;

    FleetWork work_ = FleetWork::None;
    Step step_ = Step::None;
    bool cancelled_ = false;
    bool collectAfterScan_ = false;
    int probeNext_ = 0;
    int probeLast_ = 0;
    std::vector<int> queue_;
    std::size_t queueAt_ = 0;
    int current_ = 0;
    bool retried_ = false;  // the current logger is being collected again
    std::int64_t waitUntilMs_ = 0;
    std::string portFailure_;  // what the current logger's failure said
    FleetProgress progress_;
    std::optional<HistoryDocument> uploaded_;
    std::size_t bytesDone_ = 0;
    int addressBefore_ = kFirstDisplayAddress;
    std::optional<int> lastRead_;
    HistoryCounter counter_;

    std::map<int, FleetLogger> loggers_;
    std::vector<int> foundOrder_;
    std::vector<int> collectOrder_;
};

}  // namespace tarvo
