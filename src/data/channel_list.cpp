#include "data/channel_list.h"

#include "core/text_format.h"

namespace tarvo {

std::vector<ChannelListRow> channelListRows(HistoryDocument& doc) {
    std::vector<ChannelListRow> rows;
    if (!doc.loaded) return rows;
    rows.reserve(doc.channels.size());
    int position = 0;
    for (ChannelRecord& r : doc.channels) {
        ++position;
        ChannelListRow row;
        row.key = "通道" + std::to_string(r.channel);
        row.channelText = row.key;
        row.typeText = trimTrailingBlanks(r.typeText);
        row.unitText = trimTrailingBlanks(r.unitText);
        row.maxText = formatNumber(r.maxValue, NumberFormat::Fixed2);
        row.minText = formatNumber(r.minValue, NumberFormat::Fixed2);
        row.meanText = formatNumber(r.meanValue, NumberFormat::Fixed2);
        row.colour = defaultCurveColor(r.color, position);
        row.checked = r.visible;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tarvo
