// The history upload: scripted pages for the cases a logger rarely produces, and
// the simulated logger for whole uploads, all in virtual time.

#include "link/history_upload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/transaction_engine.h"
#include "link/virtual_timers.h"
#include "link_fakes.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"

namespace tarvo {
namespace {

using test::Reply;

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);
constexpr std::string_view kNoDataStored =
    "记录仪中有可能并未存储数据。如果尚未重启，建议您先重启记录仪；如果已重启，请稍候再下载。";
constexpr std::string_view kStoreFailed = "数据存储失败。请记录仪配置是否正确。";

struct RecordingSink : HistorySink {
    std::vector<std::vector<Bytes>> handedOver;
    bool accept = true;
    std::function<void()> onShow;
    bool showHistory(const std::vector<Bytes>& pages, const LoggerParameters&) override {
        handedOver.push_back(pages);
        if (onShow) onShow();
        return accept;
    }
};

// A page of a paged upload: 3C 30 31 00 36 Lh Ll page data… checksum.
Bytes page(int number, Bytes data = {0x11, 0x22}) {
    Bytes b{0x3C,
            0x30,
            0x31,
            0x00,
            0x36,
            static_cast<std::uint8_t>(data.size() >> 8),
            static_cast<std::uint8_t>(data.size() & 0xFF),
            static_cast<std::uint8_t>(number)};
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(checksum(b, 5, static_cast<int>(b.size()) - 1));
    return b;
}

Bytes badPage(int number) {
    Bytes b = page(number);
    b.back() ^= 0x01;
    return b;
}

std::optional<Reply> reply(Bytes bytes) {
    return Reply{std::move(bytes)};
}

// The sample bytes of the pages, in order: between the page number and the checksum.
Bytes pageData(const std::vector<Bytes>& pages, std::size_t from) {
    Bytes out;
    for (const Bytes& p : pages) {
        if (p.size() > from + 1) out.insert(out.end(), p.begin() + from, p.end() - 1);
    }
    return out;
}

// ---- scripted answers ----------------------------------------------------------------

class HistoryUploadTest : public ::testing::Test {
  protected:
    HistoryUploadTest() {
        engine.setListener(&listener);
        params.deviceBytes = {0, 0, 0, 1};
        params.firmwareYear = 2006;
        params.firmwareMonth = 5;
        params.firmwareDay = 18;
        messenger.answers.push_back(Answer::Yes);
    }
    void script(std::initializer_list<std::optional<Bytes>> answers) {
        for (const auto& a : answers) {
            port.script.push_back(a ? reply(*a) : std::nullopt);
        }
    }
    bool run() {
        upload.start(1);
        return timers.runUntil([this] { return !engine.busy(); }, 60000);
    }
    // The request byte x of every frame sent: 00 first/next, 30 first in "XY-001", FF again.
    std::vector<int> requests() const {
        std::vector<int> out;
        for (const Bytes& f : port.written) out.push_back(f.size() > 3 ? f[3] : -1);
        return out;
    }
    std::vector<std::string> texts() const { return messenger.texts(); }

    VirtualTimers timers{kPcNow};
    test::ScriptedPort port{timers};
    test::RecordingMessenger messenger;
    test::RecordingListener listener;
    ProgramSettings settings;
    LoggerParameters params;
    TransactionEngine engine{timers, port, messenger, settings, params};
    RecordingSink sink;
    HistoryUpload upload{engine, sink};
};

TEST_F(HistoryUploadTest, TheOperatorIsAskedFirstAndNoSendsNothing) {
    messenger.answers = {Answer::No};
    upload.start(7);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "是否确定上传历史数据？");
    EXPECT_EQ(messenger.shown[0].title, "上传");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(port.written.empty());
    EXPECT_FALSE(engine.busy());
}

TEST_F(HistoryUploadTest, TheFirstRequestGoesToTheChosenLoggerWithTheStandardTimeout) {
    settings.OverTime = 700;
    upload.start(16);
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0], historyFrame(16, HistoryRequest::FirstXY002));
    EXPECT_EQ(port.opens[0].inputQueue, 10000);
    EXPECT_EQ(port.opens[0].outputQueue, 512);
    EXPECT_EQ(timers.interval(TimerId::Timeout), 700);
    EXPECT_EQ(engine.mode(), kModeHistory);
    EXPECT_EQ(engine.deviceAddress(), 16);
}

TEST_F(HistoryUploadTest, XY001AsksWithThirtyAndSizesTheInputQueueByTheStorageCapacity) {
    settings.ConferStyle = 1;
    const std::pair<std::int32_t, int> cases[] = {
        {4000, 10000}, {10000, 10000}, {20000, 20000}, {32700, 32700}, {40000, 32700}};
    for (const auto& [capacity, queue] : cases) {
        messenger.answers = {Answer::Yes};
        params.storageCapacity = capacity;
        port.written.clear();
        port.opens.clear();
        upload.start(1);
        ASSERT_EQ(port.opens.size(), 1u) << capacity;
        EXPECT_EQ(port.opens[0].inputQueue, queue) << capacity;
        EXPECT_EQ(port.written[0], historyFrame(1, HistoryRequest::FirstXY001));
        engine.endExchange();
    }
}

TEST_F(HistoryUploadTest, ARepeatedOrLowerPageNumberEndsTheUploadAndHandsThePagesOver) {
    const std::vector<std::vector<int>> cases{{0, 1, 2, 2}, {0, 1, 2, 1}, {4, 4}, {3, 9, 0}};
    for (const auto& numbers : cases) {
        sink.handedOver.clear();
        messenger.shown.clear();
        port.written.clear();
        messenger.answers = {Answer::Yes};
        for (int n : numbers) port.script.push_back(reply(page(n, {static_cast<std::uint8_t>(n)})));
        ASSERT_TRUE(run());

        const std::size_t kept = numbers.size() - 1;
        ASSERT_EQ(sink.handedOver.size(), 1u);
        ASSERT_EQ(sink.handedOver[0].size(), kept);
        for (std::size_t i = 0; i < kept; ++i)
            EXPECT_EQ(sink.handedOver[0][i],
                      page(numbers[i], {static_cast<std::uint8_t>(numbers[i])}));
        std::vector<int> expected(numbers.size(), 0x00);  // the first request, then "next"
        EXPECT_EQ(requests(), expected);
        EXPECT_EQ(messenger.shown.size(), 1u);  // only the question
        EXPECT_TRUE(engine.flags().uploadDone);
        EXPECT_TRUE(upload.pages().empty());
        EXPECT_EQ(upload.lastPageNumber(), -1);
        EXPECT_FALSE(port.isOpen());
        EXPECT_TRUE(port.script.empty());
    }
}

TEST_F(HistoryUploadTest, AFirstPageWithoutSamplesEndsWithTheNoDataMessage) {
    const Bytes eightBytes{0x3C, 0x30, 0x31, 0x00, 0x36, 0x00, 0x00, 0x00};
    script({eightBytes, eightBytes});
    ASSERT_TRUE(run());
    EXPECT_TRUE(sink.handedOver.empty());
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, kNoDataStored);
    EXPECT_EQ(messenger.shown[1].title, "存储失败");
    EXPECT_EQ(messenger.shown[1].icon, MessageIcon::Information);
    EXPECT_FALSE(engine.flags().uploadDone);
    EXPECT_TRUE(upload.pages().empty());
}

TEST_F(HistoryUploadTest, ADocumentThatCannotBeBuiltIsReportedAsAStorageFailure) {
    sink.accept = false;
    script({page(0), page(0)});
    ASSERT_TRUE(run());
    EXPECT_EQ(sink.handedOver.size(), 1u);
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, kStoreFailed);
    EXPECT_EQ(messenger.shown[1].title, "错误");
    EXPECT_EQ(messenger.shown[1].icon, MessageIcon::Warning);
    EXPECT_FALSE(engine.flags().uploadDone);
}

TEST_F(HistoryUploadTest, BadPagesAreAskedForAgainAndAGoodPageResetsTheCount) {
    // Four bad pages on either side of a good one: never five in a row. A short
    // answer, too short to carry a page number, counts as bad.
    const Bytes shortAnswer{0x3C, 0x30, 0x31, 0x00, 0x36, 0x00, 0x00};
    script(
        {badPage(0), page(0), badPage(1), shortAnswer, Bytes{0x3C}, badPage(1), page(1), page(1)});
    upload.start(1);
    ASSERT_TRUE(timers.runUntil([this] { return upload.pages().size() == 1; }, 60000));
    EXPECT_EQ(upload.badPageCount(), 0);
    ASSERT_TRUE(timers.runUntil([this] { return !engine.busy(); }, 60000));

    EXPECT_EQ(requests(), (std::vector<int>{0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
    ASSERT_EQ(sink.handedOver.size(), 1u);
    EXPECT_EQ(sink.handedOver[0], (std::vector<Bytes>{page(0), page(1)}));
    EXPECT_EQ(texts().size(), 1u);
}

TEST_F(HistoryUploadTest, FiveBadPagesInARowEndTheExchangeAndHandOverWhatArrived) {
    script({page(0), page(1), badPage(2), badPage(2), badPage(2), badPage(2), badPage(2)});
    ASSERT_TRUE(run());
    EXPECT_EQ(requests(), (std::vector<int>{0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, kFailureText);
    EXPECT_EQ(messenger.shown[1].title, kErrorTitle);
    EXPECT_EQ(messenger.shown[1].icon, MessageIcon::Warning);
    ASSERT_EQ(sink.handedOver.size(), 1u);
    EXPECT_EQ(sink.handedOver[0], (std::vector<Bytes>{page(0), page(1)}));
    EXPECT_FALSE(engine.flags().uploadDone);  // the upload did not complete
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(timers.isActive(TimerId::Timeout));
    EXPECT_TRUE(upload.pages().empty());
    EXPECT_EQ(upload.lastPageNumber(), -1);
    // Nothing is pending: time passes without another request.
    timers.advance(10000);
    EXPECT_EQ(port.written.size(), 7u);
}

TEST_F(HistoryUploadTest, ASilentLoggerInTheMiddleGetsWhatArrivedHandedOver) {
    for (bool accepted : {true, false}) {
        messenger.shown.clear();
        messenger.answers = {Answer::Yes};
        sink.handedOver.clear();
        sink.accept = accepted;
        port.written.clear();
        script({page(0), page(1), std::nullopt, std::nullopt, std::nullopt});
        ASSERT_TRUE(run());
        EXPECT_EQ(port.written.size(), 2u + 3u) << accepted;  // "next" sent ResendTime times
        ASSERT_EQ(sink.handedOver.size(), 1u);
        EXPECT_EQ(sink.handedOver[0], (std::vector<Bytes>{page(0), page(1)}));
        // The failure is told once; a refused document adds nothing.
        EXPECT_EQ(texts(),
                  (std::vector<std::string>{"是否确定上传历史数据？", std::string(kFailureText)}));
        EXPECT_TRUE(upload.pages().empty());
        EXPECT_EQ(upload.lastPageNumber(), -1);
    }
}

TEST_F(HistoryUploadTest, ASilentLoggerBeforeTheFirstPageHandsNothingOver) {
    ASSERT_TRUE(run());
    EXPECT_EQ(port.written.size(), 3u);
    EXPECT_TRUE(sink.handedOver.empty());
    EXPECT_EQ(texts().back(), kFailureText);
}

TEST_F(HistoryUploadTest, NothingIsStartedWhileAnotherExchangeIsPending) {
    engine.startExchange(kModeLive, liveFrame(1), 5000, 500, 800, true);
    upload.start(1);
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(port.written.size(), 1u);
    EXPECT_EQ(engine.mode(), kModeLive);
}

// ---- the simulated logger ----------------------------------------------------------

struct ProgressLog : test::RecordingListener {
    std::vector<int> maxima;
    void progress(int, int, int maximum) override { maxima.push_back(maximum); }
};

class HistoryUploadSimTest : public ::testing::Test {
  protected:
    void start(SimConfig config) {
        logger = std::make_unique<SimLogger>(std::move(config), kPcNow);
        port = std::make_unique<SimSerialPort>(
            *logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
        engine->setListener(&listener);
        upload = std::make_unique<HistoryUpload>(*engine, sink);
    }
    bool runUntilIdle() {
        return timers.runUntil([this] { return !engine->busy(); }, 600000);
    }
    // Connects in `variant`, then uploads.
    bool connectAndUpload(int variant) {
        engine->connectLogger(variant);
        if (!runUntilIdle() || !engine->flags().connected) return false;
        messenger.answers.push_back(Answer::Yes);
        upload->start(logger->address());
        return runUntilIdle();
    }

    VirtualTimers timers{kPcNow};
    test::RecordingMessenger messenger;
    ProgressLog listener;
    ProgramSettings settings;
    LoggerParameters params;
    RecordingSink sink;
    std::unique_ptr<SimLogger> logger;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
    std::unique_ptr<HistoryUpload> upload;
};

TEST_F(HistoryUploadSimTest, TheDemoWeekUploadsWholeInEitherVariant) {
    for (int variant : {2, 1}) {
        upload.reset();
        engine.reset();
        sink.handedOver.clear();
        messenger.shown.clear();
        start(demoConfig());
        ASSERT_TRUE(connectAndUpload(variant)) << variant;

        ASSERT_EQ(sink.handedOver.size(), 1u) << variant;
        const std::vector<Bytes>& pages = sink.handedOver[0];
        EXPECT_GT(pages.size(), 10u);
        EXPECT_EQ(pageData(pages, 8), logger->memoryImage()) << variant;
        EXPECT_EQ(messenger.texts(), std::vector<std::string>{"是否确定上传历史数据？"});
        EXPECT_TRUE(engine->flags().uploadDone);
        EXPECT_FALSE(port->isOpen());
        EXPECT_EQ(port->sentFrames()[2][3], variant == 2 ? 0x00 : 0x30);
        EXPECT_EQ(port->lineSettings().inputQueue, variant == 2 ? 10000 : 32700);
    }
}

TEST_F(HistoryUploadSimTest, TheProgressStripRunsToThePageLengthInXY002) {
    SimConfig c = demoConfig();
    c.pageSize = 300;
    start(c);
    engine->connectLogger(2);
    ASSERT_TRUE(runUntilIdle());
    listener.maxima.clear();
    listener.statuses.clear();
    messenger.answers.push_back(Answer::Yes);
    upload->start(1);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_FALSE(listener.maxima.empty());
    // The strip is reset to 0..100 when the exchange ends.
    EXPECT_EQ(listener.maxima.front(), 300 + 9);
    EXPECT_EQ(listener.maxima.back(), 100);
    EXPECT_NE(std::find(listener.statuses.begin(), listener.statuses.end(), "309上传数据..."),
              listener.statuses.end());
}

TEST_F(HistoryUploadSimTest, ABadChecksumOnTheLineIsAskedForAgainAndTheUploadCompletes) {
    start(demoConfig());
    logger->injectFault(SimFaultKind::BadChecksum, 2, SimCommand::History, 3);
    logger->injectFault(SimFaultKind::Truncated, 1, SimCommand::History, 8);
    ASSERT_TRUE(connectAndUpload(2));
    ASSERT_EQ(sink.handedOver.size(), 1u);
    EXPECT_EQ(pageData(sink.handedOver[0], 8), logger->memoryImage());
    EXPECT_EQ(messenger.shown.size(), 1u);
}

TEST_F(HistoryUploadSimTest, DeviceTypeZeroSendsOneAnswerThenReconnectsBeforeTheHandOver) {
    SimConfig c = demoConfig();
    c.deviceBytes[3] = 0;
    start(c);
    // A broken single answer is resent by the engine like any failed answer.
    logger->injectFault(SimFaultKind::Truncated, 1, SimCommand::History);
    std::vector<Bytes> sentAtHandOver;
    sink.onShow = [&] { sentAtHandOver = port->sentFrames(); };
    ASSERT_TRUE(connectAndUpload(2));

    ASSERT_EQ(sink.handedOver.size(), 1u);
    ASSERT_EQ(sink.handedOver[0].size(), 1u);
    const Bytes& single = sink.handedOver[0][0];
    EXPECT_EQ(single.front(), 0x3C);
    EXPECT_EQ(single.back(), 0x66);
    EXPECT_EQ(pageData(sink.handedOver[0], 7), logger->memoryImage());
    // connect, closing frame, history twice, then the reconnect that leads to the hand-over.
    ASSERT_EQ(sentAtHandOver.size(), 5u);
    EXPECT_EQ(sentAtHandOver[2], historyFrame(1, HistoryRequest::FirstXY002));
    EXPECT_EQ(sentAtHandOver[3], historyFrame(1, HistoryRequest::FirstXY002));
    EXPECT_EQ(sentAtHandOver[4], connectFrame(1, Variant::XY002));
    EXPECT_EQ(port->sentFrames().size(), 5u);  // no closing frame after the upload's read
    EXPECT_TRUE(engine->flags().uploadDone);
    EXPECT_FALSE(engine->flags().uploadPending);
    EXPECT_TRUE(upload->pages().empty());
}

TEST_F(HistoryUploadSimTest, OlderFirmwareReadsTheParametersAgainBeforeTheHandOver) {
    for (bool accepted : {true, false}) {
        upload.reset();
        engine.reset();
        sink.handedOver.clear();
        messenger.shown.clear();
        sink.accept = accepted;
        SimConfig c = demoConfig();
        c.firmwareDate = {2005, 2, 25};
        start(c);
        bool connectPending = false;
        sink.onShow = [&] {
            connectPending = port->sentFrames().back() == connectFrame(1, Variant::XY002);
        };
        ASSERT_TRUE(connectAndUpload(2));

        ASSERT_EQ(sink.handedOver.size(), 1u);
        EXPECT_TRUE(connectPending);
        EXPECT_EQ(pageData(sink.handedOver[0], 8), logger->memoryImage());
        EXPECT_EQ(engine->flags().uploadDone, accepted);
        EXPECT_FALSE(engine->flags().uploadPending);
        EXPECT_TRUE(upload->pages().empty());
        if (accepted) {
            EXPECT_EQ(messenger.shown.size(), 1u);
        } else {
            EXPECT_EQ(messenger.texts().back(), kStoreFailed);
        }
    }
}

TEST_F(HistoryUploadSimTest, AnEmptyMemoryEndsWithTheNoDataMessage) {
    SimConfig c = demoConfig();
    c.recordCount = 0;
    c.growRecords = false;
    start(c);
    ASSERT_TRUE(connectAndUpload(2));
    EXPECT_TRUE(sink.handedOver.empty());
    EXPECT_EQ(messenger.texts().back(), kNoDataStored);
}

}  // namespace
}  // namespace tarvo
