#include "files/text_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/gbk.h"

namespace tarvo {
namespace {

// A text padded with spaces to ten characters, as the documents hold type and unit.
std::string padded10(const std::string& utf8) {
    std::size_t chars = 0;
    for (const char c : utf8) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return utf8 + std::string(chars < 10 ? 10 - chars : 0, ' ');
}

const DateTime kStart = makeDateTime(2006, 3, 7, 9, 5, 7);
const DateTime kTenMinutes = makeDuration(0, 10, 0);

ChannelRecord channelOf(std::int16_t code, const std::string& type, const std::string& unit,
                        std::vector<float> values) {
    ChannelRecord c;
    c.channel = code;
    c.values = std::move(values);
    for (std::size_t k = 0; k < c.values.size(); ++k) c.times.push_back(kStart + k * kTenMinutes);
    c.typeText = padded10(type);
    c.unitText = padded10(unit);
    c.userName = "Operator";
    c.title = "ColdRoom";
    c.deviceAddress = 5;
    c.versionDate = makeDateTime(2006, 11, 27);
    c.startTime = kStart;
    c.stopTime = makeDateTime(2006, 3, 8);
    return c;
}

// Temperature on input 1 and humidity on input 2, two records.
std::vector<ChannelRecord> twoChannels() {
    ChannelRecord t = channelOf(0, "温度", "℃", {21.5f, 23.456f});
    t.maxValue = 23.456f;
    t.minValue = 21.5f;
    t.meanValue = 22.5f;
    t.color = 255;
    t.rangeHigh = 100;
    t.rangeLow = -40;
    ChannelRecord h = channelOf(1, "湿度", "%RH", {60.0f, 61.25f});
    h.maxValue = 61.25f;
    h.minValue = 60.0f;
    h.meanValue = 60.6f;
    h.color = 65280;
    h.rangeHigh = 100;
    h.rangeLow = 0;
    return {t, h};
}

std::vector<std::string> linesOf(const std::string& gbk) {
    const std::string utf8 = gbkToUtf8(gbk);
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = utf8.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(utf8.substr(from, at - from));
    return lines;
}

TEST(CsvExport, HistoryDocumentIsWrittenLineForLineInGbkWithCrLf) {
    const auto channels = twoChannels();
    const std::string expected =
        "用户名：Operator\r\n"
        "标题：ColdRoom\r\n"
        "所属器件地址：5\r\n"
        "通道数:2\r\n"
        "数据组数:2\r\n"
        "启动时间：2006-3-7 9:05:07\r\n"
        "停止时间：2006-3-8\r\n"
        "通道1,最大值:23.456,最小值:21.5,平均值:22.5,类型:温度,单位:℃,"
        "曲线最大坐标:100,曲线最小坐标:-40,\r\n"
        "通道2,最大值:61.25,最小值:60,平均值:60.6,类型:湿度,单位:%RH,"
        "曲线最大坐标:100,曲线最小坐标:0,\r\n"
        "编号,日期,时间,温度(℃),湿度(%RH),\r\n"
        "1,2006年3月7日,9:05:07,21.5,60.0,\r\n"
        "2,2006年3月7日,9:15:07,23.46,61.25,\r\n"
        "\r\n";
    const std::string csv = csvExportText({channels, ExportOrigin::History});
    EXPECT_EQ(csv, utf8ToGbk(expected));
    // GBK, not UTF-8: 温度(℃ of the column header.
    EXPECT_NE(csv.find("\xCE\xC2\xB6\xC8(\xA1\xE6"), std::string::npos);
}

TEST(TextExport, HistoryDocumentKeepsPaddingAndSeparatesWithCommaAndTwoSpaces) {
    const auto channels = twoChannels();
    const std::string expected =
        "用户名：Operator\r\n"
        "标题：ColdRoom\r\n"
        "所属器件地址：5\r\n"
        "通道数:2\r\n"
        "数据组数:2\r\n"
        "启动时间：2006-3-7 9:05:07\r\n"
        "停止时间：2006-3-8\r\n"
        "通道1,  最大值:23.456,  最小值:21.5,  平均值:22.5,  类型:温度        ,  "
        "单位:℃         ,  曲线颜色:255,  曲线最大坐标:100,  曲线最小坐标:-40\r\n"
        "通道2,  最大值:61.25,  最小值:60,  平均值:60.6,  类型:湿度        ,  "
        "单位:%RH       ,  曲线颜色:65280,  曲线最大坐标:100,  曲线最小坐标:0\r\n"
        "     1,2006年3月7日     9:05:07    21.5℃         60.0%RH       \r\n"
        "     2,2006年3月7日     9:15:07    23.46℃         61.25%RH       \r\n"
        "\r\n";
    EXPECT_EQ(textExportText({channels, ExportOrigin::History}, TextLayout::Document),
              utf8ToGbk(expected));
}

TEST(TextExport, DocumentAndTextOfAHistoryDocumentAreByteIdentical) {
    const auto channels = twoChannels();
    const ExportSource source{channels, ExportOrigin::History};
    EXPECT_EQ(textExportText(source, TextLayout::Document),
              textExportText(source, TextLayout::Text));
}

TEST(TextExport, RecordSevenStartsWithFiveSpacesTheDigitAndAComma) {
    const std::vector<ChannelRecord> channels = {
        channelOf(0, "温度", "℃", {1, 2, 3, 4, 5, 6, 7.5f, 8, 9, 10, 11})};
    const auto lines = linesOf(textExportText({channels, ExportOrigin::History}, TextLayout::Text));
    // Seven header lines and one channel line come first.
    ASSERT_GE(lines.size(), 8u + 11u);
    EXPECT_EQ(lines[8 + 6], "     7,2006年3月7日     10:05:07    7.5℃         ");
    EXPECT_EQ(lines[8 + 10].substr(0, 7), "    11,");
}

TEST(Exports, ValuesAreWrittenWithOneOrTwoDecimals) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {{23.456f, "23.46"}, {23.4f, "23.4"},  {23.0f, "23.0"},
                          {-0.5f, "-0.5"},    {0.125f, "0.13"}, {-0.004f, "0.0"}};
    std::vector<float> values;
    for (const Case& c : cases) values.push_back(c.value);
    const std::vector<ChannelRecord> channels = {channelOf(0, "温度", "℃", values)};
    const ExportSource source{channels, ExportOrigin::History};
    const auto csv = linesOf(csvExportText(source));
    const auto doc = linesOf(textExportText(source, TextLayout::Document));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        // After the header and the column line; the value is the last field.
        EXPECT_TRUE(csv.at(9 + i).ends_with("," + std::string(cases[i].text) + ","))
            << csv.at(9 + i);
        // After the time and four spaces, followed by the padded unit.
        EXPECT_TRUE(doc.at(8 + i).ends_with("    " + std::string(cases[i].text) + "℃         "))
            << doc.at(8 + i);
    }
}

TEST(Exports, ChannelNumbersFollowTheVersionDateAndTheWindowKind) {
    struct Case {
        DateTime version;
        ExportOrigin origin;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {makeDateTime(2006, 11, 26), ExportOrigin::History, "通道0,", "通道1,"},
        {makeDateTime(2006, 11, 27), ExportOrigin::History, "通道1,", "通道2,"},
        {makeDateTime(2010, 1, 1), ExportOrigin::Live, "通道0,", "通道1,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        auto channels = twoChannels();
        for (auto& ch : channels) ch.versionDate = c.version;
        const ExportSource source{channels, c.origin};
        // The live window's comma-separated header has one line more.
        const std::size_t csvChannelLine = c.origin == ExportOrigin::Live ? 8 : 7;
        const std::pair<std::string, std::size_t> exports[] = {
            {csvExportText(source), csvChannelLine},
            {textExportText(source, TextLayout::Document), 7}};
        for (const auto& [text, line] : exports) {
            const auto lines = linesOf(text);
            EXPECT_EQ(lines.at(line).rfind(c.first, 0), 0u) << lines.at(line);
            EXPECT_EQ(lines.at(line + 1).rfind(c.second, 0), 0u) << lines.at(line + 1);
        }
    }
}

TEST(Exports, LiveWindowCsvStartsWithTrimmedTitleUserNameAndTitleAgain) {
    auto channels = twoChannels();
    for (auto& c : channels) {
        c.userName = " 张三    ";
        c.title = "冷库  ";
    }
    const auto lines = linesOf(csvExportText({channels, ExportOrigin::Live}));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "标题：冷库");
    EXPECT_EQ(lines[1], "用户名：张三");
    EXPECT_EQ(lines[2], "标题：冷库");
    EXPECT_EQ(lines[3], "所属器件地址：5");
    EXPECT_EQ(lines[4], "通道数:2");
}

TEST(Exports, LiveWindowTextSeparatesRecordColumnsByTabsAndItsDocumentDoesNot) {
    const auto channels = twoChannels();
    const ExportSource source{channels, ExportOrigin::Live};
    const auto text = linesOf(textExportText(source, TextLayout::Text));
    EXPECT_EQ(text.at(9), "     1,2006年3月7日     9:05:07\t21.5℃         \t60.0%RH       \t");
    const auto doc = linesOf(textExportText(source, TextLayout::Document));
    EXPECT_EQ(doc.at(9), "     1,2006年3月7日     9:05:07    21.5℃         60.0%RH       ");
}

TEST(Exports, ChannelWithFewerSamplesLeavesItsFieldsEmpty) {
    auto channels = twoChannels();
    channels[1].values.resize(1);
    channels[1].times.resize(1);
    const auto lines = linesOf(csvExportText({channels, ExportOrigin::History}));
    EXPECT_EQ(lines.at(11), "2,2006年3月7日,9:15:07,23.46,,");
}

class TextExportFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tarvo-text-export-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string contents(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path dir_;
};

TEST_F(TextExportFile, WritesUnderTheNameExactlyAndReplacesAnEarlierFile) {
    const auto channels = twoChannels();
    const ExportSource source{channels, ExportOrigin::History};
    const auto path = dir_ / "result.CSV";
    { std::ofstream(path) << "an earlier, longer file that must not survive in any part\n"; }
    ASSERT_TRUE(exportCsv(source, path));
    EXPECT_EQ(contents(path), csvExportText(source));
    ASSERT_TRUE(exportText(source, TextLayout::Document, dir_ / "result.doc"));
    EXPECT_EQ(contents(dir_ / "result.doc"), textExportText(source, TextLayout::Document));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(TextExportFile, UnwritableTargetFailsWithAReason) {
    const auto channels = twoChannels();
    const WriteResult r =
        exportText({channels, ExportOrigin::History}, TextLayout::Text, dir_ / "no" / "x.txt");
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
}

TEST_F(TextExportFile, ZoomedHistoryDocumentIsExportedWithWholeRecordStatistics) {
    HistoryDocument document;
    document.channels = {channelOf(0, "温度", "℃", {10, 20, 30, 60})};
    document.loaded = true;
    document.view.viewStart = 2;
    document.view.viewEnd = 3;
    ChannelRecord& c = document.channels[0];
    c.maxValue = 30;  // statistics of the view 2..3
    c.minValue = 20;
    c.meanValue = 25;
    ASSERT_TRUE(exportCsv(document, dir_ / "zoomed.csv"));
    const auto lines = linesOf(contents(dir_ / "zoomed.csv"));
    EXPECT_EQ(lines.at(7),
              "通道1,最大值:60,最小值:10,平均值:30,类型:温度,单位:℃,"
              "曲线最大坐标:0,曲线最小坐标:0,");
}

}  // namespace
}  // namespace tarvo
