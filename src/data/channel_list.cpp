#include "data/channel_list.h"

#include "core/text_format.h"

namespace tarvo {

ChannelListRow channelRowOf(ChannelRecord& record, int position) {
    ChannelListRow row;
    row.key = "通道" + std::to_string(record.channel);
    row.channelText = row.key;
    row.typeText = trimTrailingBlanks(record.typeText);
    row.unitText = trimTrailingBlanks(record.unitText);
    row.colour = defaultCurveColor(record.color, position);
    row.checked = record.visible;
    return row;
}

std::vector<ChannelListRow> channelListRows(HistoryDocument& doc) {
    std::vector<ChannelListRow> rows;
    if (!doc.loaded) return rows;
    rows.reserve(doc.channels.size());
    int position = 0;
    for (ChannelRecord& r : doc.channels) {
        ChannelListRow row = channelRowOf(r, ++position);
        row.maxText = formatNumber(r.maxValue, NumberFormat::Fixed2);
        row.minText = formatNumber(r.minValue, NumberFormat::Fixed2);
        row.meanText = formatNumber(r.meanValue, NumberFormat::Fixed2);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tarvo
