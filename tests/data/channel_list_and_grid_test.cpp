#include <gtest/gtest.h>

#include "data/channel_list.h"
#include "data/data_grid.h"
#include "data/history_document.h"
#include "upload_fixture.h"

namespace tarvo {
namespace {

using testing::kStart;
using testing::kTenMinutes;

// Two channels, three records from kStart (9:05:07 on 7 March 2006) every ten minutes.
HistoryDocument twoChannelDocument() {
    HistoryDocument doc;
    const std::vector<std::pair<std::int16_t, std::string>> channels = {{0, "℃         "},
                                                                        {2, "%RH       "}};
    for (const auto& [channel, unit] : channels) {
        ChannelRecord r;
        r.channel = channel;
        r.typeText = channel == 0 ? "温度        " : "湿度        ";
        r.unitText = unit;
        r.values = channel == 0 ? std::vector<float>{23.5f, -0.004f, 1234.567f}
                                : std::vector<float>{55.0f, 56.125f, 57.0f};
        for (int k = 0; k < 3; ++k) r.times.push_back(kStart + k * kTenMinutes);
        doc.channels.push_back(r);
    }
    doc.loaded = true;
    return doc;
}

TEST(ChannelList, RowsCarryTheTrimmedTextsStatisticsAndCurveColour) {
    HistoryDocument doc = twoChannelDocument();
    doc.channels[0].maxValue = 23.5f;
    doc.channels[0].minValue = -0.004f;
    doc.channels[0].meanValue = 0.125f;
    doc.channels[1].color = rgb(1, 2, 3);
    doc.channels[1].visible = false;

    const auto rows = channelListRows(doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key, "通道0");
    EXPECT_EQ(rows[0].channelText, "通道0");
    EXPECT_EQ(rows[0].typeText, "温度");
    EXPECT_EQ(rows[0].unitText, "℃");
    EXPECT_EQ(rows[0].maxText, "23.50");
    EXPECT_EQ(rows[0].minText, "0.00");
    EXPECT_EQ(rows[0].meanText, "0.13");
    EXPECT_EQ(rows[0].selectedValue, "");
    EXPECT_EQ(rows[0].recordTime, "");
    EXPECT_EQ(rows[0].indexText, "");
    EXPECT_TRUE(rows[0].checked);
    // No colour chosen yet: the default of list position 1, kept in the record.
    EXPECT_EQ(rows[0].colour, rgb(192, 64, 64));
    EXPECT_EQ(doc.channels[0].color, rgb(192, 64, 64));
    EXPECT_EQ(rows[1].key, "通道2");
    EXPECT_EQ(rows[1].colour, rgb(1, 2, 3));
    EXPECT_FALSE(rows[1].checked);

    doc.loaded = false;
    EXPECT_TRUE(channelListRows(doc).empty());
}

TEST(ChannelList, ColumnsHaveTheirHeadersAndWidths) {
    std::string headers;
    int width = 0;
    for (const auto& column : kChannelListColumns) {
        headers += std::string(column.header) + "|";
        width += column.widthTwips;
    }
    EXPECT_EQ(headers, "通道|类型|选定值|单位|记录时间|最大值|最小值|平均值|编号|");
    EXPECT_EQ(kChannelListColumns[0].widthTwips, 1500);
    EXPECT_EQ(kChannelListColumns[3].widthTwips, 800);
    EXPECT_EQ(kChannelListColumns[4].widthTwips, 2000);
    EXPECT_EQ(width, 10300);
}

TEST(DataGrid, HeaderFormatNamesEveryChannel) {
    const HistoryDocument doc = twoChannelDocument();
    EXPECT_EQ(dataGridFormat(doc),
              "|   记录日期   |   记录时间   |通道0        |通道2        ;|11111");
    EXPECT_EQ(dataGridRows(doc), 4);
    EXPECT_EQ(dataGridColumns(doc), 5);
}

TEST(DataGrid, CellsShowNumberDateTimeAndValuesWithUnits) {
    const HistoryDocument doc = twoChannelDocument();
    struct Case {
        int row, column;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, ""},
        {0, 1, "   记录日期   "},
        {0, 2, "   记录时间   "},
        {0, 3, "通道0        "},
        {1, 0, "1"},
        {1, 1, "2006-3-7"},
        {1, 2, "9:05:07"},
        {1, 3, "23.50 ℃"},
        {1, 4, "55.00 %RH"},
        {2, 2, "9:15:07"},
        {2, 3, "0.00 ℃"},
        {2, 4, "56.13 %RH"},  // halves round away from zero
        {3, 3, "1234.57 ℃"},
        {4, 0, ""},  // outside the grid
        {1, 5, ""},
        {-1, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dataGridCell(doc, c.row, c.column), c.text) << c.row << "," << c.column;
    }
}

TEST(DataGrid, CtrlCCopiesTheSelectedBlockAsTabbedLines) {
    const HistoryDocument doc = twoChannelDocument();
    const std::string expected =
        "9:05:07      \t23.50 ℃      \t\r\n"
        "9:15:07      \t0.00 ℃      \t\r\n";
    EXPECT_EQ(dataGridCopyText(doc, 1, 2, 2, 3), expected);
    EXPECT_EQ(dataGridCopyText(doc, 2, 3, 1, 2), expected) << "either corner may come first";
    // A selection reaching past the grid is limited to it.
    EXPECT_EQ(dataGridCopyText(doc, 3, 4, 99, 99), "57.00 %RH      \t\r\n");
}

}  // namespace
}  // namespace tarvo
