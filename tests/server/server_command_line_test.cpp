#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/date_time.h"
#include "files/database_export.h"
#include "files/logger_data_file.h"
#include "server/server_test_support.h"

extern char** environ;

namespace tarvo {
namespace {

using testing::Pg;

// A logger data file of two channels, `records` long, a minute apart.
void writeRecording(const std::filesystem::path& path, int records) {
    std::vector<ChannelRecord> channels;
    for (std::int16_t code : {std::int16_t{0}, std::int16_t{3}}) {
        ChannelRecord c;
        c.channel = code;
        for (int j = 0; j < records; ++j) {
            c.values.push_back(static_cast<float>(code) + 0.25f * static_cast<float>(j % 200));
            c.times.push_back(makeDateTime(2026, 1, 5, 8, 0, 0) + j * makeDuration(0, 1, 0));
        }
        c.maxValue = 50;
        c.minValue = 0;
        c.typeText = "温度      ";
        c.unitText = "℃         ";
        c.deviceAddress = 5;
        c.userName = "USER0001";
        c.title = "标题    ";
        c.versionDate = makeDateTime(2007, 1, 1);
        c.startTime = c.times.front();
        c.stopTime = c.times.back();
        channels.push_back(c);
    }
    ASSERT_TRUE(writeLoggerDataFile(path, channels));
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// tarvo-cli as a process of its own, with its settings store in `dir` and its output
// in files there.
class CliProcess {
  public:
    CliProcess(const std::filesystem::path& dir, const std::string& name,
               std::vector<std::string> args)
        : out_(dir / (name + ".out")), err_(dir / (name + ".err")) {
        const std::string program = std::string(TARVO_BINARY_DIR) + "/bin/tarvo-cli";
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::string_view(*e).starts_with("XDG_CONFIG_HOME=")) continue;
            env.emplace_back(*e);
        }
        env.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess() { wait(); }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // The exit status (-1 when it did not run or did not exit normally).
    int wait() {
        if (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status))
                status_ = WEXITSTATUS(status);
            pid_ = -1;
        }
        return status_;
    }
    // Asks the process to end (a server such as `simulate`).
    void terminate() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    std::string out() const { return contents(out_); }
    std::string err() const { return contents(err_); }

  private:
    std::filesystem::path out_;
    std::filesystem::path err_;
    pid_t pid_ = -1;
    int status_ = -1;
};

class ServerCommandLine : public testing::ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped()) return;
        dir_ = std::filesystem::temp_directory_path() / ("tarvo-" + database_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
        ServerTest::TearDown();
    }

    std::filesystem::path dir_;
};

TEST_F(ServerCommandLine, ConvertAppendsToTheServerAndSaysHowManyRowsWereNew) {
    writeRecording(dir_ / "in.orx", 12);
    const std::string in = (dir_ / "in.orx").string();
    for (const char* expected : {": 12 new rows\n", ": 0 new rows\n"}) {
        CliProcess cli(dir_, "convert",
                       {"--port", "/dev/ttyS4", "convert", in, uri("tarvo"), "--append"});
        ASSERT_EQ(cli.wait(), 0) << cli.err();
        EXPECT_EQ(cli.out(), uri("tarvo") + expected);
    }
    // Without a line of its own the workstation names its host and port.
    const auto lines = Pg(uri("tarvo")).rows("SELECT DISTINCT \"线路\" FROM \"数据记录表\"");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(*lines[0][0], defaultLineName("/dev/ttyS4"));
}

TEST_F(ServerCommandLine, AServerThatIsDownOrRefusesTheLoginEndsWithStatusOne) {
    writeRecording(dir_ / "in.orx", 3);
    const std::string in = (dir_ / "in.orx").string();
    const std::string down = "postgresql://tarvo@/x?host=" + (dir_ / "none").string();
    struct Case {
        std::string target;
        std::string message;
    };
    const Case cases[] = {
        {down, kServerUnreachablePrefix},
        {uri("loader:wrong"), kServerLoginRefusedMessage},
    };
    for (const Case& c : cases) {
        CliProcess cli(dir_, "convert", {"convert", in, c.target, "--append"});
        EXPECT_EQ(cli.wait(), 1) << c.target;
        EXPECT_EQ(cli.out(), "");
        EXPECT_NE(cli.err().find(c.message), std::string::npos) << cli.err();
        EXPECT_EQ(cli.err().find("wrong"), std::string::npos) << "the password is never shown";
    }
}

TEST_F(ServerCommandLine, TwoWorkstationsAppendingOneRecordingAtOnceAddEachRowOnce) {
    constexpr int kRecords = 5000;
    writeRecording(dir_ / "in.orx", kRecords);
    const std::string in = (dir_ / "in.orx").string();
    // Both find the tables missing and create them; one of them adds the rows.
    CliProcess first(dir_, "first", {"convert", in, uri("tarvo"), "--append"});
    CliProcess second(dir_, "second", {"convert", in, uri("tarvo"), "--append"});
    ASSERT_EQ(first.wait(), 0) << first.err();
    ASSERT_EQ(second.wait(), 0) << second.err();
    const std::string both = first.out() + second.out();
    EXPECT_NE(both.find(": " + std::to_string(kRecords) + " new rows"), std::string::npos) << both;
    EXPECT_NE(both.find(": 0 new rows"), std::string::npos) << both;
    EXPECT_EQ(Pg(uri("tarvo")).count("数据记录表"), kRecords);
}

TEST_F(ServerCommandLine, CollectAppendsEveryLoggerOfTheLineToTheServer) {
    CliProcess line(dir_, "simulate", {"simulate", "--no-pace"});
    // The simulated line prints its device first; wait for it (generously: a busy
    // machine may take its time to start a process).
    std::string device;
    for (int i = 0; i < 1200 && device.empty(); ++i) {
        const std::string out = line.out();
        if (const auto end = out.find('\n'); end != std::string::npos)
            device = out.substr(0, end);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(device.empty()) << line.err();

    CliProcess collect(dir_, "collect",
                       {"--port", device, "--yes", "collect", "--addresses", "1,2", "--out-dir",
                        (dir_ / "out").string(), "--database", uri("tarvo")});
    EXPECT_EQ(collect.wait(), 0) << collect.out() << collect.err();
    line.terminate();

    Pg pg(uri("tarvo"));
    const auto perLogger = pg.rows(
        "SELECT \"线路\", \"所属器件地址\", count(*) FROM \"数据记录表\" GROUP BY 1, 2 ORDER BY 2");
    ASSERT_EQ(perLogger.size(), 2u);
    for (const auto& row : perLogger) {
        EXPECT_EQ(*row[0], defaultLineName(device));
        EXPECT_GT(std::stoll(*row[2]), 0);
    }
}

}  // namespace
}  // namespace tarvo
