#include "sim/sim_serial_port.h"

#include <gtest/gtest.h>

#include "link/frames.h"
#include "sim_fixture.h"

namespace tarvo {
namespace {

using testing::smallConfig;
using testing::testNow;

class SimSerialPortTest : public ::testing::Test {
protected:
    SimSerialPort makePort(bool pace) {
        return SimSerialPort(
            logger_, [this] { return nowMs_; }, pace, [] { return testNow(); });
    }
    LineSettings line(int baud = 9600) {
        LineSettings s;
        s.port = "/dev/sim";
        s.baudRate = baud;
        return s;
    }

    SimLogger logger_{smallConfig(), testNow()};
    std::int64_t nowMs_ = 1000;
};

TEST_F(SimSerialPortTest, AnswerArrivesAtTheLineSpeedAfterTheLatency) {
    SimSerialPort port = makePort(true);
    ASSERT_TRUE(port.open(line()).opened);
    ASSERT_TRUE(port.write(connectFrame(1, Variant::XY002)));
    // The frame itself takes 6 byte times (6.25 ms), then 20 ms latency, then 335 bytes
    // at 1.0417 ms each: about 349 ms.
    EXPECT_EQ(port.bytesWaiting(), 0);
    nowMs_ += 26;
    EXPECT_EQ(port.bytesWaiting(), 0);
    nowMs_ += 2;
    EXPECT_EQ(port.bytesWaiting(), 1);
    nowMs_ = 1000 + 26 + 174;  // half of the answer's time
    EXPECT_NEAR(port.bytesWaiting(), 167, 2);
    nowMs_ = 1000 + 26 + 348;
    EXPECT_LT(port.bytesWaiting(), 335);
    nowMs_ = 1000 + 26 + 350;
    EXPECT_EQ(port.bytesWaiting(), 335);
    Bytes answer;
    ASSERT_TRUE(port.read(335, answer));
    EXPECT_EQ(answer, logger_.parameterAnswer(testNow()));
    EXPECT_EQ(port.bytesWaiting(), 0);
}

TEST_F(SimSerialPortTest, SlowerLinesTakeLonger) {
    SimSerialPort port = makePort(true);
    port.open(line(2400));
    port.write(connectFrame(1, Variant::XY002));
    nowMs_ += 25 + 20 + 1390;  // 6 + 335 bytes at 4.17 ms plus the latency: 1441 ms
    EXPECT_LT(port.bytesWaiting(), 335);
    nowMs_ += 10;
    EXPECT_EQ(port.bytesWaiting(), 335);
}

TEST_F(SimSerialPortTest, UnpacedAnswerArrivesWholeAfterTheLatency) {
    SimSerialPort port = makePort(false);
    port.setLatencyMs(5);
    port.open(line());
    port.write(liveFrame(1));
    nowMs_ += 4;
    EXPECT_EQ(port.bytesWaiting(), 0);
    nowMs_ += 1;
    EXPECT_EQ(port.bytesWaiting(), 19);
}

TEST_F(SimSerialPortTest, TrickleFaultSendsAByteEveryFewTensOfMilliseconds) {
    logger_.injectFault(SimFaultKind::Trickle, 1);
    SimSerialPort port = makePort(true);
    port.open(line());
    port.write(liveFrame(1));
    nowMs_ += 20 + 7 + 50 * 10;
    EXPECT_NEAR(port.bytesWaiting(), 10, 1);
    nowMs_ += 50 * 9 + 10;
    EXPECT_EQ(port.bytesWaiting(), 19);
}

TEST_F(SimSerialPortTest, PurgeDropsWhatHasArrivedButNotWhatIsStillComing) {
    SimSerialPort port = makePort(true);
    port.open(line());
    port.write(connectFrame(1, Variant::XY002));
    nowMs_ += 26 + 100;
    const auto arrived = port.bytesWaiting();
    ASSERT_GT(arrived, 0);
    ASSERT_TRUE(port.purgeInput());
    EXPECT_EQ(port.bytesWaiting(), 0);
    nowMs_ += 1000;
    EXPECT_EQ(port.bytesWaiting(), 335 - arrived);
}

TEST_F(SimSerialPortTest, ClosedPortRefusesWritesAndLosesArrivingBytes) {
    SimSerialPort port = makePort(true);
    EXPECT_FALSE(port.write(liveFrame(1)));
    port.open(line());
    port.write(connectFrame(1, Variant::XY002));
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write(liveFrame(1)));
    nowMs_ += 2000;
    port.open(line());
    EXPECT_EQ(port.bytesWaiting(), 0);
    Bytes out;
    EXPECT_TRUE(port.read(10, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(port.sentFrames().size(), 1u);
    EXPECT_EQ(port.openCount(), 2);
}

TEST_F(SimSerialPortTest, AbsentPortFailsToOpen) {
    SimSerialPort port = makePort(true);
    port.setPresent(false);
    EXPECT_FALSE(port.open(line()).opened);
    EXPECT_FALSE(port.isOpen());
    port.setPresent(true);
    EXPECT_TRUE(port.open(line()).opened);
    EXPECT_EQ(port.lineSettings().port, "/dev/sim");
}

TEST_F(SimSerialPortTest, RecordsEveryFrameAndQueuesAnswersOneAfterAnother) {
    SimSerialPort port = makePort(true);
    port.open(line());
    port.write(liveFrame(1));
    port.write(liveFrame(2));  // nobody answers address 2
    port.write(connectFrame(1, Variant::XY002));
    ASSERT_EQ(port.sentFrames().size(), 3u);
    EXPECT_EQ(port.sentFrames()[1], liveFrame(2));
    nowMs_ += port.msUntilQuiet();
    EXPECT_EQ(port.msUntilQuiet(), 0);
    Bytes all;
    port.read(1000, all);
    ASSERT_EQ(all.size(), 19u + 335u);
    EXPECT_EQ(all[19], 0x3C);
}

TEST_F(SimSerialPortTest, LoggersSharingTheLineAnswerTheirOwnAddress) {
    SimConfig second = smallConfig();
    second.address = 2;
    SimLogger other(second, testNow());
    SimSerialPort port = makePort(false);
    port.addLogger(other);
    port.open(line());
    port.write(connectFrame(2, Variant::XY002));
    nowMs_ += 100;
    Bytes answer;
    port.read(1000, answer);
    ASSERT_EQ(answer.size(), 335u);
    EXPECT_EQ(answer[2], 0x32);
}

TEST(SimSerialPortUpload, TrickledPageIsNoSilenceThatRestartsTheUpload) {
    // A 25-byte page at a second a byte takes longer than the ten seconds of silence
    // after which the logger starts its pages again; the silence counts from its last byte.
    SimConfig config = smallConfig();
    config.trickleByteMs = 1000;
    SimLogger logger(config, testNow());
    std::int64_t nowMs = 0;
    SimSerialPort port(
        logger, [&] { return nowMs; }, true, [&] { return testNow() + nowMs / 86400000.0; });
    LineSettings line;
    line.port = "/dev/sim";
    line.baudRate = 9600;
    ASSERT_TRUE(port.open(line).opened);
    logger.injectFault(SimFaultKind::Trickle, 1, SimCommand::History);

    ASSERT_TRUE(port.write(historyFrame(1, HistoryRequest::FirstXY002)));
    nowMs += 30'000;
    Bytes first;
    ASSERT_TRUE(port.read(1000, first));
    ASSERT_EQ(first.size(), 8u + 16u + 1u);
    EXPECT_EQ(first[7], 0);

    nowMs += 2'000;
    ASSERT_TRUE(port.write(historyFrame(1, HistoryRequest::NextPage)));
    nowMs += 1'000;
    Bytes second;
    ASSERT_TRUE(port.read(1000, second));
    ASSERT_GT(second.size(), 7u);
    EXPECT_EQ(second[7], 1) << "the logger started its pages again";

    // Real silence still ends the upload.
    nowMs += 11'000;
    ASSERT_TRUE(port.write(historyFrame(1, HistoryRequest::NextPage)));
    nowMs += 1'000;
    Bytes third;
    ASSERT_TRUE(port.read(1000, third));
    ASSERT_GT(third.size(), 7u);
    EXPECT_EQ(third[7], 0);
}

}  // namespace
}  // namespace tarvo
