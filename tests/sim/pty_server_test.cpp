#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "link/frames.h"
#include "sim_fixture.h"

namespace tarvo {
namespace {

using Clock = std::chrono::steady_clock;

// Reads from `fd` until `count` bytes have come or `timeoutMs` has passed.
Bytes readFor(int fd, std::size_t count, int timeoutMs) {
    Bytes out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        std::uint8_t buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
}

int openSlave(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

class PtyServerTest : public ::testing::Test {
protected:
    void start(const SimConfig& config, bool pace) {
        server_ = std::make_unique<PtyServer>(config, pace);
        std::string error;
        ASSERT_TRUE(server_->open(error)) << error;
        thread_ = std::thread([this] {
            std::string runError;
            status_ = server_->run(stop_, runError);
        });
    }
    void TearDown() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        EXPECT_EQ(status_, 0);
    }

    std::unique_ptr<PtyServer> server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    int status_ = 0;
};

TEST_F(PtyServerTest, AnswersAConnectWrittenToTheSlaveAtTheLineSpeed) {
    SimConfig config = testing::smallConfig();
    config.baudRate = 19200;
    start(config, true);
    const int fd = openSlave(server_->slavePath());
    ASSERT_GE(fd, 0);
    // Noise before the frame is skipped.
    Bytes frame{0x00, 0x3C};
    const Bytes connect = connectFrame(1, Variant::XY002);
    frame.insert(frame.end(), connect.begin(), connect.end());
    const auto sent = Clock::now();
    ASSERT_EQ(::write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    const Bytes answer = readFor(fd, 335, 3000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    ::close(fd);
    ASSERT_EQ(answer.size(), 335u);
    EXPECT_EQ(answer[0], 0x3C);
    EXPECT_EQ(answer[334], checksum(answer, 6, 333));
    // 335 bytes at 19200 baud take about 174 ms.
    EXPECT_GE(took.count(), 170);
}

TEST_F(PtyServerTest, ServesOneClientAfterAnother) {
    start(testing::smallConfig(), false);
    for (int round = 0; round < 2; ++round) {
        const int fd = openSlave(server_->slavePath());
        ASSERT_GE(fd, 0);
        const Bytes live = liveFrame(1);
        ASSERT_EQ(::write(fd, live.data(), live.size()), 6);
        const Bytes answer = readFor(fd, 19, 2000);
        ::close(fd);
        ASSERT_EQ(answer.size(), 19u) << round;
        EXPECT_EQ(answer.back(), 0x66);
    }
}

TEST_F(PtyServerTest, OnlyTheAddressedLoggerOfALineAnswers) {
    SimConfig second = testing::smallConfig();
    second.address = 2;
    second.userName = "Two";
    server_ = std::make_unique<PtyServer>(std::vector<SimConfig>{testing::smallConfig(), second},
                                          SimLine{9600, 5, 50, false});
    std::string error;
    ASSERT_TRUE(server_->open(error)) << error;
    ASSERT_EQ(server_->loggerCount(), 2u);
    thread_ = std::thread([this] {
        std::string runError;
        status_ = server_->run(stop_, runError);
    });
    const int fd = openSlave(server_->slavePath());
    ASSERT_GE(fd, 0);
    for (const int address : {2, 1, 3}) {
        const Bytes live = liveFrame(address);
        ASSERT_EQ(::write(fd, live.data(), live.size()), 6);
        // A silent address is given a generous while to prove it stays silent.
        const Bytes answer = readFor(fd, 19, address == 3 ? 400 : 3000);
        if (address == 3) {
            EXPECT_TRUE(answer.empty());
            continue;
        }
        ASSERT_EQ(answer.size(), 19u) << address;
        const auto echoed = encodeAddress(address);
        EXPECT_EQ(answer[1], echoed[0]);
        EXPECT_EQ(answer[2], echoed[1]);
    }
    ::close(fd);
}

TEST(PtyServe, PrintsTheSlavePathFirstAndStopsWhenAsked) {
    std::atomic<bool> stop{false};
    std::ostringstream out, err;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop = true;
    });
    const auto begun = Clock::now();
    const int status = servePty(testing::smallConfig(), true, out, err, stop);
    stopper.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.str().rfind("/dev/pts/", 0), 0u) << out.str();
    EXPECT_EQ(out.str().back(), '\n');
    EXPECT_LT(Clock::now() - begun, std::chrono::seconds(2));
}

}  // namespace
}  // namespace tarvo
