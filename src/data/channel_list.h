#pragma once
// The channel list of a history window: one row per channel record with its texts,
// statistics and curve colour.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/codecs.h"
#include "data/history_document.h"

namespace tarvo {

struct ChannelListColumn {
    std::string_view header;
    int widthTwips;
};

inline constexpr std::array<ChannelListColumn, 9> kChannelListColumns{{
    {"通道", 1500},
    {"类型", 1000},
    {"选定值", 1000},
    {"单位", 800},
    {"记录时间", 2000},
    {"最大值", 1000},
    {"最小值", 1000},
    {"平均值", 1000},
    {"编号", 1000},
}};

struct ChannelListRow {
    std::string key;  // "通道" + channel number, also the first cell
    std::string channelText;
    std::string typeText;       // without trailing blanks
    std::string selectedValue;  // filled by the cursor read-out
    std::string unitText;       // without trailing blanks
    std::string recordTime;     // filled by the cursor read-out
    std::string maxText;        // "#0.00"
    std::string minText;
    std::string meanText;
    std::string indexText;  // filled by the cursor read-out
    Rgb colour = 0;         // the row and its cells take the curve colour
    bool checked = true;    // the curve is shown

    // The cells in the order of kChannelListColumns.
    std::array<const std::string*, kChannelListColumns.size()> cells() const {
        return {&channelText, &typeText, &selectedValue, &unitText, &recordTime,
                &maxText,     &minText,  &meanText,      &indexText};
    }
};

// A record's row without its figures (maximum, minimum, mean), which each window writes
// its own way: the channel's name, type and unit, its colour (a record without one gets
// the default colour of its list `position`, stored into the record) and its check.
ChannelListRow channelRowOf(ChannelRecord& record, int position);

// The rows of the list in channel-record order; none while the document is not loaded.
// A record without a colour gets the default colour of its list position, which is
// stored into the record.
std::vector<ChannelListRow> channelListRows(HistoryDocument& doc);

}  // namespace tarvo
