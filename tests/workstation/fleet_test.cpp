// Scan and collect over a simulated line of several loggers, in virtual time.

#include "workstation/fleet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_settings_store.h"
#include "files/scratch_folder.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"

namespace tarvo {
namespace {

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);
const std::filesystem::path kTemplate =
    std::filesystem::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";

// A small logger at `address`: two days of hourly records on two channels.
SimConfig smallLogger(int address) {
    SimConfig c = demoLine()[1];
    c.address = address;
    c.intervalSeconds = 3600;
    c.recordCount = 48;
    c.growRecords = false;
    c.clockOffsetSeconds = 0;
    return c;
}

int addressOf(ByteView frame) {
    return frame.size() >= 3 ? (frame[1] - 0x30) * 16 + (frame[2] - 0x30) : -1;
}

class FleetTest : public ::testing::Test {
  protected:
    void start(std::vector<SimConfig> configs) {
        loggers.clear();
        std::vector<SimLogger*> line;
        for (auto& c : configs) {
            loggers.push_back(std::make_unique<SimLogger>(std::move(c), kPcNow));
            line.push_back(loggers.back().get());
        }
        port = std::make_unique<SimSerialPort>(
            line, SimLine{}, [this] { return timers.elapsedMs(); }, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
        fleet = std::make_unique<Fleet>(*engine, names, TemplateLocator(kTemplate));
    }
    // Moves the fleet on until `done` holds, for at most `limitMs` of virtual time.
    bool pollUntil(const std::function<bool()>& done, std::int64_t limitMs) {
        return timers.runUntil(
            [this, &done] {
                fleet->poll();
                return done();
            },
            limitMs);
    }
    bool run() {
        return pollUntil([this] { return !fleet->running(); }, 3'600'000);
    }
    // Loggers 1 and 2 on the line, collected into `folder` as "orx"; returns once the
    // first logger's upload is under way.
    void collectTwoUntilTheFirstUploads(const std::filesystem::path& folder) {
        start({smallLogger(1), smallLogger(2)});
        ASSERT_TRUE(fleet->collect({1, 2}, {folder, {"orx"}, {}, false}));
        ASSERT_TRUE(pollUntil([this] { return engine->mode() == kModeHistory; }, 60000));
    }
    SimLogger& loggerAt(int address) {
        for (auto& l : loggers)
            if (l->address() == address) return *l;
        throw std::out_of_range("no logger");
    }
    std::vector<Bytes> framesTo(int address) const {
        std::vector<Bytes> out;
        for (const Bytes& f : port->sentFrames())
            if (addressOf(f) == address) out.push_back(f);
        return out;
    }

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    ProgramSettings settings;
    LoggerParameters params;
    DisplayNames names;
    std::vector<std::unique_ptr<SimLogger>> loggers;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
    std::unique_ptr<Fleet> fleet;
};

TEST_F(FleetTest, ScanProbesEachAddressOnceAndReadsOnlyTheLoggersThatAnswerXY002) {
    SimConfig onlyOld = smallLogger(3);
    onlyOld.answersXY002 = false;
    SimConfig seventh = smallLogger(7);
    seventh.clockOffsetSeconds = 7200;  // beyond its hour-long interval
    start({smallLogger(1), onlyOld, seventh});
    settings.ConferStyle = 1;
    names[7] = "冷库/七号";
    const auto begun = timers.elapsedMs();
    ASSERT_TRUE(fleet->scan(1, 10));
    EXPECT_FALSE(fleet->scan(1, 10));  // one piece of work at a time
    ASSERT_TRUE(run());

    EXPECT_EQ(fleet->found(), (std::vector<int>{1, 7}));
    const FleetLogger* seven = fleet->logger(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->name, "冷库/七号");
    EXPECT_EQ(seven->params.title, "冷冻库");
    EXPECT_EQ(seven->variant, Variant::XY002);
    EXPECT_NEAR(static_cast<double>(seven->clockOffsetSeconds), 7200, 2);
    EXPECT_TRUE(seven->clockOffsetBeyondTolerance);
    EXPECT_FALSE(fleet->logger(1)->clockOffsetBeyondTolerance);
    EXPECT_EQ(fleet->logger(3), nullptr);
    // One "XY-002" connect to every address: no resend, no "XY-001", no clock frame,
    // nothing written; the operator is asked nothing and the store keeps its variant.
    for (int a = 1; a <= 10; ++a) {
        EXPECT_EQ(framesTo(a), std::vector<Bytes>{connectFrame(a, Variant::XY002)}) << a;
    }
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(settings.ConferStyle, 1);
    EXPECT_FALSE(engine->busy());
    // The record holds the last logger read, and the engine addresses that logger.
    EXPECT_EQ(fleet->lastRead(), 7);
    EXPECT_EQ(engine->deviceAddress(), 7);
    EXPECT_EQ(params.title, "冷冻库");
    // Eight timeouts plus two answers and their ticks.
    const auto took = timers.elapsedMs() - begun;
    EXPECT_LT(took, 8 * (settings.OverTime + 100) + 2 * 1000);
}

TEST_F(FleetTest, AScanAfterACollectThatSetClocksLeavesClocksAlone) {
    testing::ScratchFolder dir;
    SimConfig wrong = smallLogger(2);
    wrong.clockOffsetSeconds = 7200;
    start({smallLogger(1), wrong});
    ASSERT_TRUE(fleet->collect({1}, {dir.path(), {"orx"}, {}, true}));
    ASSERT_TRUE(run());
    ASSERT_TRUE(fleet->scan(1, 2));
    ASSERT_TRUE(run());
    EXPECT_EQ(fleet->found(), (std::vector<int>{1, 2}));
    EXPECT_NEAR(loggerAt(2).state().clockOffset * kSecondsPerDay, 7200, 2);
    // Told to, a collect does set it.
    ASSERT_TRUE(fleet->collect({2}, {dir.path(), {"orx"}, {}, true}));
    ASSERT_TRUE(run());
    EXPECT_LT(std::abs(loggerAt(2).state().clockOffset) * kSecondsPerDay, 2.0);
}

TEST_F(FleetTest, ACollectShowsItsQuestionsOnlyOnceItCollectsNotWhileItScans) {
    testing::ScratchFolder dir;
    SimConfig wrong = smallLogger(2);
    wrong.clockOffsetSeconds = 7200;
    start({wrong});
    test::RecordingMessenger witness;
    fleet->setQuestionWitness(&witness);
    ASSERT_TRUE(fleet->collect({}, {dir.path(), {"orx"}, {}, true}));
    ASSERT_TRUE(run());
    EXPECT_EQ(witness.texts(), (std::vector<std::string>{"记录仪时钟有误，是否设置为系统时钟？",
                                                         std::string(kUploadConfirmation)}));
    EXPECT_LT(std::abs(loggerAt(2).state().clockOffset) * kSecondsPerDay, 2.0);
    EXPECT_EQ(fleet->failures(), 0);
}

TEST_F(FleetTest, ScanOfAnEmptyLineFindsNothing) {
    start({});
    ASSERT_TRUE(fleet->scan(1, 5));
    ASSERT_TRUE(run());
    EXPECT_TRUE(fleet->found().empty());
    EXPECT_TRUE(fleet->loggers().empty());
    EXPECT_EQ(port->sentFrames().size(), 5u);
    EXPECT_FALSE(fleet->lastRead());
    EXPECT_EQ(engine->deviceAddress(), 1);  // as it was before
    EXPECT_FALSE(fleet->scan(0, 5));
    EXPECT_FALSE(fleet->scan(5, 101));
}

TEST_F(FleetTest, CollectSavesEachLoggerAndRecordsEachFailureAndGoesOn) {
    testing::ScratchFolder dir;
    SimConfig onlyOld = smallLogger(3);
    onlyOld.answersXY002 = false;
    SimConfig breaks = smallLogger(7);
    // It answers the first pages, then falls silent for good.
    breaks.faults = {{SimFaultKind::NoAnswer, SimCommand::History, 2, 0, 1.0}};
    start({smallLogger(1), onlyOld, breaks});
    names[1] = "A:B";
    const std::string db = (dir.path() / "all.mdb").string();
    ASSERT_TRUE(fleet->collect({1, 3, 5, 7}, {dir.path(), {"orx", "csv"}, db, false}));
    ASSERT_TRUE(run());

    EXPECT_EQ(fleet->collected(), (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(fleet->failures(), 2);
    for (const int a : {1, 3}) {
        const FleetLogger& l = *fleet->logger(a);
        EXPECT_FALSE(l.failed) << a << l.error;
        EXPECT_EQ(l.records, 48) << a;
        ASSERT_EQ(l.files.size(), 2u) << a;
        ASSERT_TRUE(l.collectedAt);
        EXPECT_EQ(l.files[0], collectFileName(dir.path(), l.name, a, *l.collectedAt, "orx"));
        EXPECT_EQ(l.files[1].extension(), ".csv");
        for (const auto& f : l.files) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    }
    EXPECT_EQ(fleet->logger(1)->files[0].filename().string().rfind("A_B_1_", 0), 0u);
    // The old logger was found by the window's fall-back; its variant stays with it.
    EXPECT_EQ(fleet->logger(3)->variant, Variant::XY001);
    EXPECT_EQ(settings.ConferStyle, 2);
    EXPECT_TRUE(fleet->logger(5)->failed);
    EXPECT_EQ(fleet->logger(5)->error, std::string(kFailureText));
    const FleetLogger& seven = *fleet->logger(7);
    EXPECT_TRUE(seven.failed);
    EXPECT_EQ(seven.error, std::string(kFailureText));
    EXPECT_TRUE(seven.files.empty());
    EXPECT_TRUE(std::filesystem::exists(db));
    // Four orx/csv files, the database, nothing half-written or left over.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              5);
    EXPECT_TRUE(messenger.shown.empty());
    // The workstation's own upload handler comes back.
    EXPECT_EQ(engine->historyHandler(), nullptr);
}

TEST_F(FleetTest, CollectWithoutAListCollectsEveryLoggerTheScanFinds) {
    testing::ScratchFolder dir;
    start({smallLogger(2), smallLogger(9)});
    ASSERT_TRUE(fleet->collect({}, {dir.path(), {"txt"}, {}, false}));
    ASSERT_TRUE(run());
    EXPECT_EQ(fleet->found(), (std::vector<int>{2, 9}));
    EXPECT_EQ(fleet->collected(), (std::vector<int>{2, 9}));
    EXPECT_EQ(fleet->failures(), 0);
    EXPECT_EQ(fleet->logger(9)->files.size(), 1u);
}

TEST_F(FleetTest, CancelStopsOnceTheExchangeUnderWayHasEnded) {
    testing::ScratchFolder dir;
    // Cancelled in the middle of the first logger's upload.
    ASSERT_NO_FATAL_FAILURE(collectTwoUntilTheFirstUploads(dir.path()));
    fleet->cancel();
    ASSERT_TRUE(run());
    EXPECT_TRUE(fleet->cancelled());
    EXPECT_EQ(fleet->collected(), std::vector<int>{1});
    EXPECT_EQ(fleet->logger(1)->files.size(), 1u);
    EXPECT_TRUE(framesTo(2).empty());
    EXPECT_FALSE(port->isOpen());
}

TEST_F(FleetTest, ALoggerCutOffByAVanishedPortIsCollectedAgainOnceWhenThePortIsBack) {
    struct Case {
        const char* name;
        bool comesBack;
    };
    for (const Case c : {Case{"back after 20 s", true}, Case{"never back", false}}) {
        SCOPED_TRACE(c.name);
        testing::ScratchFolder dir;
        fleet.reset();  // the last case's engine lets go of the timers first
        engine.reset();
        // Unplugged in the middle of the first logger's upload.
        ASSERT_NO_FATAL_FAILURE(collectTwoUntilTheFirstUploads(dir.path()));
        port->setPresent(false);
        ASSERT_FALSE(pollUntil([this] { return !fleet->running(); }, 20000));
        EXPECT_TRUE(framesTo(2).empty());  // the collect waits on the first logger
        if (c.comesBack) port->setPresent(true);
        ASSERT_TRUE(run());

        EXPECT_EQ(fleet->collected(), (std::vector<int>{1, 2}));
        EXPECT_EQ(fleet->progress().done, 2);
        for (const int a : {1, 2}) {
            EXPECT_EQ(fleet->logger(a)->failed, !c.comesBack) << a;
            EXPECT_EQ(fleet->logger(a)->files.size(), c.comesBack ? 1u : 0u) << a;
        }
        EXPECT_TRUE(messenger.shown.empty());
    }
}

TEST_F(FleetTest, TheViewsRowsShowWhatTheLastScanAndCollectFound) {
    testing::ScratchFolder dir;
    SimConfig stopped = smallLogger(4);
    stopped.workStatus = kWorkStopped;
    stopped.clockOffsetSeconds = -7200;
    start({smallLogger(1), stopped});
    ASSERT_TRUE(fleet->scan(1, 5));
    ASSERT_TRUE(run());
    ASSERT_TRUE(fleet->collect({4, 5}, {dir.path(), {"csv"}, {}, false}));
    ASSERT_TRUE(run());
    const auto rows = fleetRows(fleet->loggers());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].addressText, "1");
    EXPECT_EQ(rows[0].name, "记录仪1");
    EXPECT_EQ(rows[0].workStatus, "正在记录");
    EXPECT_TRUE(rows[0].recording);
    EXPECT_EQ(rows[0].records, "48");
    EXPECT_FALSE(rows[0].clockOffsetWrong);
    EXPECT_EQ(rows[0].result, kFleetFound);
    EXPECT_TRUE(rows[0].lastCollected.empty());
    EXPECT_FALSE(rows[1].recording);
    EXPECT_TRUE(rows[1].clockOffsetWrong);
    EXPECT_EQ(rows[1].result, kFleetCollected);
    EXPECT_FALSE(rows[1].lastCollected.empty());
    EXPECT_EQ(rows[1].file.substr(rows[1].file.size() - 4), ".csv");
    EXPECT_EQ(rows[1].memoryUsed, "2.34%");  // 48 of 2048 records
    EXPECT_TRUE(rows[2].failed);
    EXPECT_EQ(rows[2].result, std::string(kFailureText));
    EXPECT_TRUE(rows[2].model.empty());
}

TEST(FleetChoice, FolderAndFormatsComeBackFromTheStore) {
    MemorySettingsStore store;
    EXPECT_EQ(loadCollectChoice(store).formats, std::vector<std::string>{"orx"});
    saveCollectChoice(store, {"/data/loggers", {"csv", "mdb"}, {}, false});
    const CollectOptions back = loadCollectChoice(store);
    EXPECT_EQ(back.outDir, std::filesystem::path("/data/loggers"));
    EXPECT_EQ(back.formats, (std::vector<std::string>{"csv", "mdb"}));
    store.write("ProgramSetting", "CollectFormats", "pdf,,txt");
    EXPECT_EQ(loadCollectChoice(store).formats, std::vector<std::string>{"txt"});
}

TEST(FleetAddresses, ListsAndRangesParseAndBadOnesAreRefused) {
    struct Case {
        const char* text;
        std::optional<std::vector<int>> addresses;
    };
    const std::vector<Case> cases = {
        {"1", std::vector<int>{1}},
        {"1,3,5-9", std::vector<int>{1, 3, 5, 6, 7, 8, 9}},
        {"7,2,7,1-2", std::vector<int>{7, 2, 1}},
        {"100", std::vector<int>{100}},
        {"", std::nullopt},
        {"0", std::nullopt},
        {"101", std::nullopt},
        {"5-3", std::nullopt},
        {"1,,2", std::nullopt},
        {"1-", std::nullopt},
        {"a", std::nullopt},
        {" 1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseAddressList(c.text), c.addresses) << c.text;
}

TEST(FleetAddresses, FileNamesReplaceWhatAFileNameCannotHold) {
    EXPECT_EQ(fileNamePart("冷库 1/2:*?\"<>|\\x"), "冷库 1_2________x");
    EXPECT_EQ(collectFileName("d", "记录仪7", 7, makeDateTime(2024, 3, 5, 9, 8, 7), "csv"),
              std::filesystem::path("d") / "记录仪7_7_20240305-090807.csv");
}

}  // namespace
}  // namespace tarvo
