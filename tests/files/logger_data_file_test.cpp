#include "files/logger_data_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/file_names.h"
#include "scratch_folder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::ScratchFolder;
using testing::writeBytes;

// Channels as an upload leaves them: texts already padded to their field widths in
// GBK bytes ("温度" is four bytes, "℃" two), document-wide fields equal in every
// channel, every other field different from channel to channel.
std::vector<ChannelRecord> makeChannels(int count, int records) {
    std::vector<ChannelRecord> channels;
    for (int i = 0; i < count; ++i) {
        ChannelRecord c;
        c.channel = static_cast<std::int16_t>(2 * i + 1);
        for (int k = 0; k < records; ++k) {
            c.values.push_back(20.0f + static_cast<float>(i) + 0.25f * static_cast<float>(k));
            c.times.push_back(39048.0 + k / 144.0);
        }
        c.maxValue = 30.5f + static_cast<float>(i);
        c.minValue = -1.25f - static_cast<float>(i);
        c.meanValue = 12.0f + static_cast<float>(i);
        c.typeText = i == 0 ? "温度      " : "Humidity  ";
        c.unitText = i == 0 ? "℃        " : "%RH       ";
        c.color = rgb(10 * i, 20, 200 - i);
        c.rangeHigh = 100 + i;
        c.rangeLow = -40 - i;
        c.deviceAddress = 17;
        c.userName = "USER0001";
        c.title = "标题    ";
        c.alarmLow = -5.5f - static_cast<float>(i);
        c.alarmHigh = 35.5f + static_cast<float>(i);
        c.versionDate = 38403.0;
        c.printCurve = i % 2 == 0;
        c.printList = i != 1;
        c.startTime = 39048.25;
        c.stopTime = 39058.25;
        c.workStatus = 2;
        channels.push_back(c);
    }
    return channels;
}

std::int32_t int32At(const Bytes& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{bytes[at + i]} << (8 * i);
    return static_cast<std::int32_t>(v);
}

void putInt32(Bytes& bytes, std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    }
}

// Offset of the document block (user name, title, version date).
std::size_t documentBlockAt(std::size_t channels, std::size_t records) {
    return 12 + 46 * channels + records * (8 + 4 * channels) + 8 * channels;
}

TEST(LoggerDataFile, ThreeChannelsOfTenRecordsMakeA430ByteFileThatReadsBackFieldByField) {
    ScratchFolder scratch;
    std::vector<ChannelRecord> channels = makeChannels(3, 10);
    const fs::path path = scratch / "rec.orx";

    ASSERT_TRUE(writeLoggerDataFile(path, channels));

    const Bytes bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 430u);
    EXPECT_EQ(loggerDataFileSize(3, 10), 430);
    EXPECT_EQ(int32At(bytes, 0), 1);
    EXPECT_EQ(int32At(bytes, 4), 3);
    EXPECT_EQ(int32At(bytes, 8), 10);

    const ReadResult read = readLoggerDataFile(path);
    ASSERT_TRUE(read) << read.message;
    EXPECT_EQ(read.recordCount, 10);
    EXPECT_EQ(read.channels, channels);  // every member, visible included
}

TEST(LoggerDataFile, ShownStateIsNotStoredAndReadsAsShown) {
    std::vector<ChannelRecord> channels = makeChannels(2, 3);
    channels[1].visible = false;
    const ReadResult read = decodeLoggerDataFile(encodeLoggerDataFile(channels));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read.channels[1].visible);
}

TEST(LoggerDataFile, DocumentWideFieldsComeFromTheFirstChannel) {
    std::vector<ChannelRecord> channels = makeChannels(2, 3);
    ChannelRecord& second = channels[1];
    second.userName = "OTHER";
    second.title = "T2";
    second.versionDate = 1.0;
    second.startTime = 2.0;
    second.stopTime = 3.0;
    second.workStatus = 9;
    second.deviceAddress = 99;
    second.times = {7.0, 8.0, 9.0};

    const ReadResult read = decodeLoggerDataFile(encodeLoggerDataFile(channels));
    ASSERT_TRUE(read);
    for (const ChannelRecord& c : read.channels) {
        EXPECT_EQ(c.userName, "USER0001");
        EXPECT_EQ(c.title, "标题    ");
        EXPECT_EQ(c.versionDate, 38403.0);
        EXPECT_EQ(c.startTime, 39048.25);
        EXPECT_EQ(c.stopTime, 39058.25);
        EXPECT_EQ(c.workStatus, 2);
        EXPECT_EQ(c.deviceAddress, 17);
        EXPECT_EQ(c.times, channels[0].times);
    }
}

TEST(LoggerDataFile, TinyFileMatchesItsBytesExactly) {
    ChannelRecord c;
    c.channel = 2;
    c.values = {23.25f};
    c.times = {39048.5};
    c.maxValue = 1.5f;
    c.minValue = -2.0f;
    c.meanValue = 0.5f;
    c.typeText = "温度";
    c.unitText = "℃";
    c.color = rgb(1, 2, 3);
    c.rangeHigh = 100;
    c.rangeLow = -40;
    c.alarmHigh = 30.0f;
    c.alarmLow = -10.0f;
    c.userName = "AB";
    c.title = "T";
    c.versionDate = 39048.0;  // 2006-11-27
    c.printCurve = true;
    c.printList = false;
    c.startTime = 39048.25;
    c.stopTime = 39049.0;
    c.workStatus = 3;
    c.deviceAddress = 100;

    const Bytes expected = {
        0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // 1, 1, N = 1
        0x02, 0x00,                                                  // channel 2
        0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F,  // 1.5, -2, 0.5
        0xCE, 0xC2, 0xB6, 0xC8, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,  // 温度
        0xA1, 0xE6, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,  // ℃
        0x01, 0x02, 0x03, 0x00,                                      // colour, red low
        0x64, 0x00, 0x00, 0x00, 0xD8, 0xFF, 0xFF, 0xFF,              // range 100, -40
        0x00, 0x00, 0x00, 0x00, 0x10, 0x11, 0xE3, 0x40,              // time 39048.5
        0x00, 0x00, 0xBA, 0x41,                                      // 23.25
        0x00, 0x00, 0xF0, 0x41, 0x00, 0x00, 0x20, 0xC1,              // alarms 30, -10
        0x41, 0x42, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,              // "AB"
        0x54, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,              // "T"
        0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0xE3, 0x40,              // version 39048
        0xFF, 0xFF, 0x00, 0x00,                                      // print curve, not list
        0x00, 0x00, 0x00, 0x00, 0x08, 0x11, 0xE3, 0x40,              // start 39048.25
        0x00, 0x00, 0x00, 0x00, 0x20, 0x11, 0xE3, 0x40,              // stop 39049
        0x03, 0x00, 0x64, 0x00,                                      // status 3, address 100
    };
    const Bytes bytes = encodeLoggerDataFile({c});
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), loggerDataFileSize(1, 1));
}

TEST(LoggerDataFile, UserNameIsCutToEightGbkBytesWithoutSplittingACharacter) {
    struct Case {
        const char* name;
        const char* stored;  // GBK bytes in the file
        const char* read;    // what comes back, padding included
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", "ABCDEFGH", "ABCDEFGH"},
        {"ABCDEFG温", "ABCDEFG ", "ABCDEFG "},  // 温 would straddle byte 8
        {"AB", "AB      ", "AB      "},
        {"温度记录仪", "\xCE\xC2\xB6\xC8\xBC\xC7\xC2\xBC", "温度记录"},
        {"", "        ", "        "},
    };
    for (const Case& test : cases) {
        std::vector<ChannelRecord> channels = makeChannels(1, 2);
        channels[0].userName = test.name;
        const Bytes bytes = encodeLoggerDataFile(channels);
        const std::size_t at = documentBlockAt(1, 2);
        const std::string stored(bytes.begin() + at, bytes.begin() + at + 8);
        EXPECT_EQ(stored, test.stored) << test.name;
        const ReadResult read = decodeLoggerDataFile(bytes);
        ASSERT_TRUE(read);
        EXPECT_EQ(read.channels[0].userName, test.read) << test.name;
    }
}

// ---- refusals ----

struct Refusal {
    const char* what;
    std::int32_t first, last, records;
};

TEST(LoggerDataFile, HeadersOutsideTheirBoundsAreRefused) {
    const Refusal cases[] = {
        {"record count 0", 1, 2, 0},
        {"record count -1", 1, 2, -1},
        {"record count 65536", 1, 2, 65536},
        {"last index below first", 1, 0, 3},
        {"range above 1", 2, 3, 3},
        {"range below 1", -3, 0, 3},
        {"257 channels", -255, 1, 3},
        {"huge channel range", -2147483647 - 1, 2147483647, 3},
    };
    ScratchFolder scratch;
    const Bytes good = encodeLoggerDataFile(makeChannels(2, 3));
    for (const Refusal& test : cases) {
        Bytes bytes = good;
        putInt32(bytes, 0, test.first);
        putInt32(bytes, 4, test.last);
        putInt32(bytes, 8, test.records);
        bytes.resize(bytes.size() + 4096);  // room enough for what the header claims
        const fs::path path = scratch / "bad.orx";
        writeBytes(path, bytes);
        const ReadResult read = readLoggerDataFile(path);
        EXPECT_FALSE(read) << test.what;
        EXPECT_EQ(read.message, "您打开的文件格式无效。") << test.what;
        EXPECT_TRUE(read.channels.empty());
        EXPECT_FALSE(decodeLoggerDataFile(bytes)) << test.what;
    }
}

TEST(LoggerDataFile, ARangeThatContainsOneOpensWithAllItsChannels) {
    // first index 0: records 0..2, three channels, the first of them index 0.
    std::vector<ChannelRecord> channels = makeChannels(3, 2);
    Bytes bytes = encodeLoggerDataFile(channels);
    putInt32(bytes, 0, 0);
    putInt32(bytes, 4, 2);
    const ReadResult read = decodeLoggerDataFile(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.channels, channels);
}

TEST(LoggerDataFile, AFileThatEndsBeforeItsTailIsRefusedAtEveryCut) {
    ScratchFolder scratch;
    const Bytes good = encodeLoggerDataFile(makeChannels(2, 3));
    const fs::path path = scratch / "cut.orx";
    for (const std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{11}, std::size_t{12},
                                   std::size_t{58}, good.size() / 2, good.size() - 20,
                                   good.size() - 1}) {
        writeBytes(path, ByteView(good).first(size));
        const ReadResult read = readLoggerDataFile(path);
        EXPECT_FALSE(read) << size;
        EXPECT_EQ(read.message, kInvalidLoggerFileMessage) << size;
    }
}

TEST(LoggerDataFile, AHugeHeaderOverASmallFileIsRefusedBeforeAnythingIsAllocated) {
    ScratchFolder scratch;
    Bytes bytes = encodeLoggerDataFile(makeChannels(1, 1));
    putInt32(bytes, 0, -254);  // 256 channels
    putInt32(bytes, 4, 1);
    putInt32(bytes, 8, 32767);  // claims about 34 MB
    writeBytes(scratch / "big.orx", bytes);
    EXPECT_FALSE(readLoggerDataFile(scratch / "big.orx"));
}

TEST(LoggerDataFile, AFullLoggersRecordsOpenAndMoreAreRefused) {
    ScratchFolder scratch;
    ASSERT_TRUE(writeLoggerDataFile(scratch / "most.orx", makeChannels(1, 65535)));
    ASSERT_TRUE(writeLoggerDataFile(scratch / "over.orx", makeChannels(1, 65536)));
    EXPECT_EQ(readLoggerDataFile(scratch / "most.orx").recordCount, 65535);
    EXPECT_FALSE(readLoggerDataFile(scratch / "over.orx"));
}

TEST(LoggerDataFile, OnlyNamesEndingInOrxAreReadWhateverTheirCase) {
    ScratchFolder scratch;
    const Bytes good = encodeLoggerDataFile(makeChannels(2, 3));
    for (const char* name : {"REC.ORX", "rec.Orx", "resultorx"}) {
        writeBytes(scratch / name, good);
        EXPECT_TRUE(readLoggerDataFile(scratch / name)) << name;
    }
    for (const char* name : {"REC.txt", "REC.orx.bak", "REC"}) {
        writeBytes(scratch / name, good);  // a good file under a wrong name
        const ReadResult read = readLoggerDataFile(scratch / name);
        EXPECT_FALSE(read) << name;
        EXPECT_EQ(read.message, kInvalidLoggerFileMessage);
    }
    EXPECT_FALSE(readLoggerDataFile(""));
    EXPECT_FALSE(readLoggerDataFile(scratch / "missing.orx"));
    fs::create_directory(scratch / "folder.orx");
    EXPECT_FALSE(readLoggerDataFile(scratch / "folder.orx"));
}

TEST(LoggerDataFile, BytesAfterTheTailAreIgnored) {
    const std::vector<ChannelRecord> channels = makeChannels(2, 4);
    Bytes bytes = encodeLoggerDataFile(channels);
    bytes.insert(bytes.end(), {0xFF, 0x00, 0x12, 0x34, 0x56});
    ScratchFolder scratch;
    writeBytes(scratch / "long.orx", bytes);
    const ReadResult read = readLoggerDataFile(scratch / "long.orx");
    ASSERT_TRUE(read);
    EXPECT_EQ(read.channels, channels);
}

// ---- documents ----

HistoryDocument uploadedDocument(int channels, int records) {
    HistoryDocument document;
    document.channels = makeChannels(channels, records);
    document.loaded = true;
    document.caption = "记录仪文件1";
    document.view.viewStart = 1;
    document.view.viewEnd = records;
    return document;
}

TEST(LoggerDataDocument, OpenFillsTheDocumentAndARefusedFileLeavesItAsItWas) {
    ScratchFolder scratch;
    Bytes zero = encodeLoggerDataFile(makeChannels(2, 3));
    putInt32(zero, 8, 0);
    writeBytes(scratch / "zero.orx", zero);
    ASSERT_TRUE(writeLoggerDataFile(scratch / "REC.ORX", makeChannels(2, 3)));

    HistoryDocument document = uploadedDocument(1, 5);
    document.gridFilled = true;
    const HistoryDocument before = document;

    const OpenResult refused = openHistoryDocument(document, scratch / "zero.orx");
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message, "您打开的文件格式无效。");
    EXPECT_EQ(document.channels, before.channels);
    EXPECT_EQ(document.caption, before.caption);
    EXPECT_FALSE(document.saved);

    const OpenResult opened = openHistoryDocument(document, scratch / "REC.ORX");
    ASSERT_TRUE(opened);
    const std::string path = pathText(scratch / "REC.ORX");
    EXPECT_EQ(document.channels, makeChannels(2, 3));
    EXPECT_TRUE(document.loaded);
    EXPECT_TRUE(document.saved);
    EXPECT_FALSE(document.gridFilled);
    EXPECT_EQ(document.fileName, path);
    EXPECT_EQ(document.caption, "记录仪文件:" + path);
}

TEST(LoggerDataDocument, SaveOfAZoomedChartWritesWholeRecordStatistics) {
    ScratchFolder scratch;
    HistoryDocument document = uploadedDocument(2, 10);  // channel 1: 20, 20.25 … 22.25
    document.view.viewStart = 3;
    document.view.viewEnd = 5;
    for (ChannelRecord& c : document.channels) {  // statistics of the zoomed view
        c.maxValue = c.values[4];
        c.minValue = c.values[2];
        c.meanValue = c.values[3];
    }
    const fs::path path = scratch / "zoom.orx";

    ASSERT_TRUE(saveHistoryDocument(document, path));

    const ReadResult read = readLoggerDataFile(path);
    ASSERT_TRUE(read);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::vector<float>& v = document.channels[i].values;
        const float mean = rangeMean(v, 1, 10);
        EXPECT_EQ(read.channels[i].maxValue, v[9]);
        EXPECT_EQ(read.channels[i].minValue, v[0]);
        EXPECT_EQ(read.channels[i].meanValue, mean);
        EXPECT_EQ(document.channels[i].maxValue, v[9]);  // the document carries them too
        EXPECT_EQ(document.channels[i].meanValue, mean);
    }
    EXPECT_FLOAT_EQ(read.channels[0].meanValue, 21.125f);
    const std::string name = pathText(path);
    EXPECT_TRUE(document.saved);
    EXPECT_EQ(document.fileName, name);
    EXPECT_EQ(document.caption, "记录仪文件:" + name);
}

TEST(LoggerDataDocument, StatisticsOfTheFullViewAreKept) {
    HistoryDocument document = uploadedDocument(1, 10);
    document.view.viewStart = 1;
    document.view.viewEnd = 12;  // the home view reaches past N
    const ChannelRecord before = document.channels[0];
    prepareForWriting(document);
    EXPECT_EQ(document.channels[0], before);

    document.view.viewEnd = 9;
    prepareForWriting(document);
    EXPECT_EQ(document.channels[0].maxValue, before.values[9]);
    EXPECT_EQ(document.channels[0].minValue, before.values[0]);
}

TEST(LoggerDataDocument, AFailedSaveLeavesTheOldFileAndTheDocumentAsTheyWere) {
    ScratchFolder scratch;
    writeBytes(scratch / "plain", Bytes{1});
    fs::create_directory(scratch / "taken.orx");
    const fs::path good = scratch / "good.orx";

    HistoryDocument document = uploadedDocument(2, 4);
    ASSERT_TRUE(saveHistoryDocument(document, good));
    const Bytes oldFile = readBytes(good);

    document.view.viewStart = 2;  // a save would recompute the statistics
    document.channels[0].maxValue = 1234.0f;
    document.saved = false;
    const HistoryDocument before = document;
    for (const fs::path& target : {scratch / "plain" / "x.orx", scratch / "taken.orx",
                                   scratch / "missing" / "x.orx"}) {
        const SaveResult result = saveHistoryDocument(document, target);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.message, "文件保存失败：" + pathText(target));
        EXPECT_FALSE(result.detail.empty());
        EXPECT_EQ(document.channels, before.channels);
        EXPECT_EQ(document.fileName, before.fileName);
        EXPECT_EQ(document.caption, before.caption);
        EXPECT_FALSE(document.saved);
    }
    EXPECT_EQ(readBytes(good), oldFile);
}

TEST(LoggerDataDocument, ADocumentWithoutChannelsIsNotWritten) {
    ScratchFolder scratch;
    HistoryDocument empty;
    EXPECT_FALSE(saveHistoryDocument(empty, scratch / "empty.orx"));
    EXPECT_FALSE(fs::exists(scratch / "empty.orx"));
}

// ---- hostile bytes ----

TEST(LoggerDataFileFuzz, TruncatedAndScrambledFilesNeverCrash) {
    std::mt19937 random(20240611);
    ScratchFolder scratch;
    const Bytes good = encodeLoggerDataFile(makeChannels(3, 12));
    int opened = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes bytes = good;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int f = 0; f < flips; ++f) {
            // Header bytes are hit more often: they decide what the reader does.
            const std::size_t at = random() % 3 == 0 ? random() % 12 : random() % bytes.size();
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 2 == 0) bytes.resize(random() % (bytes.size() + 1));
        if (random() % 4 == 0) bytes.resize(bytes.size() + random() % 64, 0xEE);

        // Every 20th file also goes through the disk, where the header and the file
        // size are checked before the body is read.
        if (round % 20 == 0) {
            writeBytes(scratch / "fuzz.orx", bytes);
            const ReadResult fromDisk = readLoggerDataFile(scratch / "fuzz.orx");
            ASSERT_EQ(fromDisk.ok, decodeLoggerDataFile(bytes).ok);
        }
        const ReadResult read = decodeLoggerDataFile(bytes);
        if (!read) {
            EXPECT_EQ(read.message, kInvalidLoggerFileMessage);
            continue;
        }
        ++opened;
        ASSERT_GE(read.recordCount, 1);
        ASSERT_GE(bytes.size(),
                  static_cast<std::size_t>(loggerDataFileSize(
                      static_cast<std::int64_t>(read.channels.size()), read.recordCount)));
        for (const ChannelRecord& c : read.channels) {
            ASSERT_EQ(c.sampleCount(), read.recordCount);
            ASSERT_EQ(c.times.size(), c.values.size());
        }
    }
    EXPECT_GT(opened, 0);  // the mutations leave some files readable
}

}  // namespace
}  // namespace tarvo
