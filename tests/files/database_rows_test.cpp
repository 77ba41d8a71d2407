#include "files/database_rows.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

ChannelRecord channel(std::int16_t code, std::vector<float> values) {
    ChannelRecord c;
    c.channel = code;
    c.deviceAddress = 4;
    for (std::size_t j = 0; j < values.size(); ++j)
        c.times.push_back(40000.0 + 0.5 * static_cast<double>(j));
    c.values = std::move(values);
    return c;
}

TEST(DatabaseRows, EachRecordFillsTheInputsOfItsChannelsTheLaterOfTwoOnOneInputWinning) {
    // Input 3 twice: the later channel is kept, and where it has no value the cell is
    // empty; the record count follows the first channel.
    const std::vector<ChannelRecord> channels = {
        channel(2, {1.5f, 2.5f, 3.5f}), channel(0, {23.4f, 24.4f, 25.4f}), channel(2, {7.25f})};
    const RowsResult r = databaseRows({channels, ExportOrigin::History});
    ASSERT_TRUE(r.rows) << r.error;
    const DatabaseRows& rows = *r.rows;
    ASSERT_EQ(rows.data.size(), 3u);
    EXPECT_EQ(rows.recordedInputs,
              (std::array<bool, 8>{true, false, true, false, false, false, false, false}));
    EXPECT_EQ(rows.data[0].address, 4);
    EXPECT_EQ(rows.data[1].time, 40000.5);
    EXPECT_EQ(rows.data[0].inputs[0], 23.4);  // a single as its shortest decimal
    EXPECT_EQ(rows.data[0].inputs[2], 7.25);
    EXPECT_EQ(rows.data[1].inputs[2], std::nullopt);
    EXPECT_EQ(rows.data[1].inputs[1], std::nullopt);
    ASSERT_EQ(rows.config.size(), 3u);
    EXPECT_EQ(rows.config[2].lastChannel, 3);
}

TEST(DatabaseRows, AChannelThatIsNoLoggerInputIsRefused) {
    for (const std::int16_t code : {std::int16_t{-1}, std::int16_t{8}}) {
        const std::vector<ChannelRecord> channels = {channel(0, {1}), channel(code, {1})};
        const RowsResult r = databaseRows({channels, ExportOrigin::History});
        EXPECT_FALSE(r.rows) << code;
        EXPECT_NE(r.error.find(std::to_string(code)), std::string::npos) << r.error;
    }
}

}  // namespace
}  // namespace tarvo
