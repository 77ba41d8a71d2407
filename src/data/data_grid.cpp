#include "data/data_grid.h"

#include <algorithm>

#include "core/date_time.h"
#include "core/text_format.h"

namespace tarvo {

namespace {

constexpr const char* kDateHeader = "   记录日期   ";
constexpr const char* kTimeHeader = "   记录时间   ";
constexpr int kFixedColumns = 3;  // number, date, time

std::string channelHeader(const ChannelRecord& r) {
    return "通道" + std::to_string(r.channel) + "        ";
}

}  // namespace

std::string dataGridFormat(const HistoryDocument& doc) {
    std::string format = std::string("|") + kDateHeader + "|" + kTimeHeader;
    for (const ChannelRecord& r : doc.channels) format += "|" + channelHeader(r);
    format += ";|11111";
    return format;
}

int dataGridRows(const HistoryDocument& doc) {
    return doc.sampleCount() + 1;
}

int dataGridColumns(const HistoryDocument& doc) {
    return kFixedColumns + static_cast<int>(doc.channels.size());
}

std::string dataGridCell(const HistoryDocument& doc, int row, int column) {
    if (row < 0 || column < 0 || row >= dataGridRows(doc) || column >= dataGridColumns(doc))
        return {};
    if (row == 0) {
        switch (column) {
            case 0:
                return {};
            case 1:
                return kDateHeader;
            case 2:
                return kTimeHeader;
            default:
                return channelHeader(
                    doc.channels[static_cast<std::size_t>(column - kFixedColumns)]);
        }
    }
    const auto k = static_cast<std::size_t>(row - 1);
    switch (column) {
        case 0:
            return std::to_string(row);
        case 1:
        case 2: {
            // Every channel holds the same times; the grid reads those of the first.
            const auto& times = doc.channels.front().times;
            if (k >= times.size()) return {};
            return column == 1 ? shortDateText(times[k]) : timeText(times[k]);
        }
        default: {
            const ChannelRecord& r = doc.channels[static_cast<std::size_t>(column - kFixedColumns)];
            if (k >= r.values.size()) return {};
            return formatNumber(r.values[k], NumberFormat::Fixed2) + " " +
                   trimTrailingBlanks(r.unitText);
        }
    }
}

std::string dataGridCopyText(const HistoryDocument& doc, int row1, int col1, int row2, int col2) {
    const int lastRow = dataGridRows(doc) - 1;
    const int lastCol = dataGridColumns(doc) - 1;
    const int top = std::max(std::min(row1, row2), 0);
    const int bottom = std::min(std::max(row1, row2), lastRow);
    const int left = std::max(std::min(col1, col2), 0);
    const int right = std::min(std::max(col1, col2), lastCol);
    std::string text;
    for (int r = top; r <= bottom; ++r) {
        for (int c = left; c <= right; ++c) {
            text += dataGridCell(doc, r, c);
            text += "      \t";
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace tarvo
