#include "files/database_rows.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace tarvo {

double storedSingle(float value) {
    if (!std::isfinite(value)) return value;
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, value);
    double d = value;
    if (written.ec == std::errc()) std::from_chars(buf, written.ptr, d);
    return d;
}

RowsResult databaseRows(const ExportSource& source) {
    RowsResult result;
    DatabaseRows rows;
    for (const ChannelRecord& c : source.channels) {
        if (c.channel < 0 || c.channel >= kLoggerInputs) {
            result.error =
                "channel code " + std::to_string(c.channel) + " is no logger input (0 to 7)";
            return result;
        }
        rows.recordedInputs[static_cast<std::size_t>(c.channel)] = true;
    }

    const ChannelRecord none;
    const ChannelRecord& first = source.channels.empty() ? none : source.channels.front();
    const auto count = static_cast<std::int32_t>(source.channels.size());

    rows.config.reserve(source.channels.size());
    int position = 0;
    for (const ChannelRecord& c : source.channels) {
        ++position;
        ConfigRow r;
        r.firstChannel = 1;
        r.lastChannel = count;
        r.channel = exportedChannelNumber(c, position, source.origin);
        r.maxValue = storedSingle(c.maxValue);
        r.minValue = storedSingle(c.minValue);
        r.meanValue = storedSingle(c.meanValue);
        r.typeText = c.typeText;
        r.unitText = c.unitText;
        r.color = static_cast<std::int64_t>(c.color);
        r.rangeHigh = c.rangeHigh;
        r.rangeLow = c.rangeLow;
        // Document-wide fields come from the first channel.
        r.startTime = first.startTime;
        r.userName = first.userName;
        r.title = first.title;
        r.stopTime = first.stopTime;
        rows.config.push_back(std::move(r));
    }

    const auto n = static_cast<std::size_t>(exportedRecordCount(source.channels));
    rows.data.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        DataRow& r = rows.data[j];
        r.address = first.deviceAddress;
        if (j < first.times.size()) r.time = first.times[j];
    }
    for (const ChannelRecord& c : source.channels) {
        const auto input = static_cast<std::size_t>(c.channel);
        const std::size_t available = std::min(n, c.values.size());
        for (std::size_t j = 0; j < n; ++j) {
            rows.data[j].inputs[input] =
                j < available ? std::optional<double>(storedSingle(c.values[j])) : std::nullopt;
        }
    }
    result.rows = std::move(rows);
    return result;
}

}  // namespace tarvo
