#include "files/live_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/file_names.h"
#include "files/file_size_limit.h"
#include "files/logger_data_file.h"
#include "scratch_folder.h"

namespace tarvo {
namespace {

using testing::ScratchFolder;

const DateTime kNow = makeDateTime(2006, 3, 7, 9, 5, 7);
const DateTime kSecond = 1.0 / kSecondsPerDay;

Bytes liveAnswer(const std::vector<float>& values) {
    Bytes b{0x3C, 0x30, 0x31, 0xFF, 0x39, static_cast<std::uint8_t>(values.size())};
    for (float v : values) {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    b.push_back(0x66);
    return b;
}

// Temperature (℃, -40..100) and humidity (%RH, 0..100).
LiveDocument twoChannelDocument() {
    LoggerParameters p;
    p.startedChannels = 0b11;
    p.channelType = {1, 2};
    p.channelUnit = {1, 2};
    p.rangeLow = {-40, 0};
    p.rangeHigh = {100, 100};
    p.userName = "user";
    p.echoedAddress = 3;
    LiveDocument doc;
    doc.reSetRealSetting(p);
    return doc;
}

std::string fileText(const std::filesystem::path& path) {
    const Bytes b = testing::readBytes(path);
    return std::string(b.begin(), b.end());
}

struct RecordingMessenger : Messenger {
    std::vector<Message> shown;
    Answer show(const Message& m) override {
        shown.push_back(m);
        return Answer::Ok;
    }
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class LiveFileTest : public ::testing::Test {
  protected:
    LiveFileTest() {
        settings.AutoSave = 10;
        settings.FilePath = pathText(scratch / "实时数据");
    }
    WriteResult save(const std::vector<float>& values, DateTime at = kNow) {
        return file.SaveData(doc, liveAnswer(values), at);
    }

    ScratchFolder scratch;
    ProgramSettings settings;
    RecordingMessenger messenger;
    LiveFile file{settings, messenger};
    LiveDocument doc = twoChannelDocument();
};

TEST(DailyLiveFile, IsNamedByTheShortDate) {
    EXPECT_EQ(dailyLiveFileName(kNow), "2006-3-7.txt");
    EXPECT_EQ(dailyLiveFileName(makeDateTime(2006, 12, 25, 23, 59, 59)), "2006-12-25.txt");
}

TEST_F(LiveFileTest, ANewFileStartsWithItsHeaderAndEveryAnswerAddsALineAsSent) {
    // 25.04 is stored as 25 but written as sent; a frame with a third value for two
    // channels writes two.
    ASSERT_TRUE(save({25.04f, 50.0f}));
    ASSERT_TRUE(save({-7.456f, 100.5f, 9.0f}, kNow + kSecond));
    const std::filesystem::path path = scratch / "实时数据" / "2006-3-7.txt";
    EXPECT_EQ(fileText(path),
              "Time\t\t\t\xA1\xE6         \t%RH       \r\n"
              "2006-3-7 9:05:07\t25.04\t\t50.0\r\n"
              "2006-3-7 9:05:08\t-7.46\t\t100.5\r\n");
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(LiveFileTest, ANewDayStartsANewFileWithAHeader) {
    ASSERT_TRUE(save({1, 2}, makeDateTime(2006, 3, 7, 23, 59, 59)));
    ASSERT_TRUE(save({3, 4}, makeDateTime(2006, 3, 8)));
    ASSERT_TRUE(save({5, 6}, makeDateTime(2006, 3, 8, 0, 0, 1)));
    const std::string header = "Time\t\t\t\xA1\xE6         \t%RH       \r\n";
    EXPECT_EQ(fileText(scratch / "实时数据" / "2006-3-7.txt"),
              header + "2006-3-7 23:59:59\t1.0\t\t2.0\r\n");
    // Midnight reads as the date alone.
    EXPECT_EQ(fileText(scratch / "实时数据" / "2006-3-8.txt"),
              header + "2006-3-8\t3.0\t\t4.0\r\n2006-3-8 0:00:01\t5.0\t\t6.0\r\n");
}

TEST_F(LiveFileTest, NothingIsWrittenWhileAutomaticSavingIsOff) {
    settings.AutoSave = -10;
    EXPECT_TRUE(save({1, 2}));
    settings.AutoSave = 0;
    EXPECT_TRUE(save({1, 2}));
    EXPECT_FALSE(std::filesystem::exists(scratch / "实时数据"));
}

TEST_F(LiveFileTest, AFolderThatCannotBeMadeIsReportedOnceUntilAWriteSucceedsAgain) {
    testing::writeBytes(scratch / "plain", Bytes{1});
    settings.FilePath = pathText(scratch / "plain" / "sub");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(save({1, 2}));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text,
              "实时数据保存失败：" + pathText(scratch / "plain" / "sub" / "2006-3-7.txt"));
    EXPECT_EQ(messenger.shown[0].title, "错误");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);

    settings.FilePath = pathText(scratch.path());
    EXPECT_TRUE(save({1, 2}));
    settings.FilePath.clear();  // no folder at all is a failure too
    EXPECT_FALSE(save({1, 2}));
    EXPECT_EQ(messenger.shown.size(), 2u);
}

TEST_F(LiveFileTest, AnAppendCutShortLeavesTheFileAsItWasAndIsReportedOnce) {
    const std::filesystem::path path = scratch / "实时数据" / "2006-3-7.txt";
    ASSERT_TRUE(save({1, 2}));
    const std::string before = fileText(path);
    {
        testing::FileSizeLimit nearlyFull(before.size() + 10);
        const WriteResult cut = save({3, 4}, kNow + kSecond);
        EXPECT_FALSE(cut);
        EXPECT_NE(cut.error.find("2006-3-7.txt"), std::string::npos) << cut.error;
        EXPECT_FALSE(save({5, 6}, kNow + 2 * kSecond));
    }
    {
        // A new day's file that cannot take its header is not left behind headless.
        testing::FileSizeLimit nearlyFull(10);
        EXPECT_FALSE(save({7, 8}, kNow + 1));
    }
    EXPECT_EQ(fileText(path), before);
    EXPECT_FALSE(std::filesystem::exists(scratch / "实时数据" / "2006-3-8.txt"));
    EXPECT_EQ(messenger.shown.size(), 1u);

    ASSERT_TRUE(save({9, 10}, kNow + 3 * kSecond));
    EXPECT_EQ(fileText(path), before + "2006-3-7 9:05:10\t9.0\t\t10.0\r\n");
}

TEST_F(LiveFileTest, TheBufferIsDumpedIntoTheTempFolderOnItsFirstTrim) {
    ScopedEnvironment data("TARVO_DATA_DIR", pathText(scratch / "data"));
    doc.setDumpSink(&file);
    for (int k = 1; k <= 501; ++k) {
        doc.restoreRealData(liveAnswer({static_cast<float>(k % 100), 50}), kNow + k * kSecond);
    }
    ASSERT_TRUE(file.lastDump()) << file.lastDump().error;
    // Stamped with the time of the sample that caused the trim, 9:13:28.
    const std::filesystem::path dumped = scratch / "data" / "Temp" /
                                         "200637913"
                                         "28.orx";
    ASSERT_TRUE(std::filesystem::exists(dumped));
    const ReadResult read = readLoggerDataFile(dumped);
    ASSERT_TRUE(read) << read.message;
    EXPECT_EQ(read.recordCount, 500);
    ASSERT_EQ(read.channels.size(), 2u);
    EXPECT_EQ(read.channels[0].values.front(), 1.0f);
    EXPECT_EQ(read.channels[0].values.back(), 0.0f);  // sample 500
    EXPECT_EQ(read.channels[1].unitText, "%RH       ");
    EXPECT_EQ(read.channels[0].deviceAddress, 3);
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(LiveFileTest, ADumpThatCannotBeWrittenIsReportedOnce) {
    testing::writeBytes(scratch / "data", Bytes{1});
    ScopedEnvironment data("TARVO_DATA_DIR", pathText(scratch / "data"));
    doc.restoreRealData(liveAnswer({1, 2}), kNow);
    file.dumpRealData(doc.channels, kNow);
    file.dumpRealData(doc.channels, kNow + kSecond);
    EXPECT_FALSE(file.lastDump());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text.rfind("实时数据转存失败：", 0), 0u);
}

TEST(LiveExportSource, OffersTheLiveChannelsAsALiveDocument) {
    const LiveDocument doc = twoChannelDocument();
    const ExportSource source = liveExportSource(doc);
    EXPECT_EQ(source.origin, ExportOrigin::Live);
    EXPECT_EQ(source.channels.size(), 2u);
}

}  // namespace
}  // namespace tarvo
