#include "files/text_export.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/date_time.h"
#include "core/gbk.h"
#include "core/text_format.h"
#include "files/logger_data_file.h"

namespace tarvo {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The file's text, built in GBK as it is appended: ASCII goes in as it is, and each
// distinct text that is not ASCII is converted once (the captions, the units and the
// dates repeat on every line).
class GbkOut {
public:
    void reserve(std::size_t bytes) { gbk_.reserve(bytes); }
    void append(std::size_t count, char c) { gbk_.append(count, c); }
    GbkOut& operator+=(char c) {
        gbk_ += c;  // callers append ASCII characters only
        return *this;
    }
    GbkOut& operator+=(std::string_view utf8) {
        if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; })) {
            gbk_ += utf8;
        } else {
            auto found = converted_.find(utf8);
            if (found == converted_.end()) {
                if (converted_.size() >= kLimit) converted_.clear();
                found = converted_.emplace(std::string(utf8), utf8ToGbk(utf8)).first;
            }
            gbk_ += found->second;
        }
        return *this;
    }
    std::string& text() { return gbk_; }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    static constexpr std::size_t kLimit = 4096;
    std::string gbk_;
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> converted_;
};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The record number right-aligned in six characters ("@@@@@@"); a longer number is
// written whole.
void appendRightAligned6(GbkOut& out, std::int32_t number) {
    const std::string digits = std::to_string(number);
    if (digits.size() < 6) out.append(6 - digits.size(), ' ');
    out += digits;
}

// Sample i (1-based) of a channel; nothing when the channel holds fewer samples.
std::optional<float> valueAt(const ChannelRecord& channel, std::int32_t i) {
    if (i < 1 || static_cast<std::size_t>(i) > channel.values.size()) return std::nullopt;
    return channel.values[static_cast<std::size_t>(i) - 1];
}

// Time of record i: the first channel's; 0 when it holds fewer times.
DateTime recordTime(const ChannelRecord& first, std::int32_t i) {
    if (i < 1 || static_cast<std::size_t>(i) > first.times.size()) return 0.0;
    return first.times[static_cast<std::size_t>(i) - 1];
}

// The "#0.0#" texts of the values, remembered by bit pattern: exact-decimal rounding is
// the costly part of an export, and a logger's values repeat (tenths over a small
// range). Bounded, so a record of all-different values costs no more than the texts.
class ValueTexts {
public:
    const std::string& operator()(float value) {
        const auto key = std::bit_cast<std::uint32_t>(value);
        if (const auto found = texts_.find(key); found != texts_.end()) return found->second;
        std::string text = formatNumber(value, NumberFormat::Fixed1Max2);
        if (texts_.size() >= kLimit) {
            spare_ = std::move(text);
            return spare_;
        }
        return texts_.emplace(key, std::move(text)).first->second;
    }

private:
    static constexpr std::size_t kLimit = 4096;
    std::unordered_map<std::uint32_t, std::string> texts_;
    std::string spare_;
};

void appendValue(GbkOut& out, ValueTexts& texts, const ChannelRecord& channel,
                 std::int32_t i) {
    if (const auto v = valueAt(channel, i)) out += texts(*v);
}

void appendLine(GbkOut& out, std::string_view a, std::string_view b) {
    out += a;
    out += b;
    out += kCrLf;
}

// Lines 1 to 7: user name, title, device address, channel and record counts, start
// and stop time. The live window's comma-separated file replaces the first two lines
// by three trimmed ones.
void appendHeader(GbkOut& out, const ExportSource& source, const ChannelRecord& first,
                  bool liveCsvHeader) {
    if (liveCsvHeader) {
        appendLine(out, "标题：", trimmed(first.title));
        appendLine(out, "用户名：", trimmed(first.userName));
        appendLine(out, "标题：", trimmed(first.title));
    } else {
        appendLine(out, "用户名：", first.userName);
        appendLine(out, "标题：", first.title);
    }
    appendLine(out, "所属器件地址：", std::to_string(first.deviceAddress));
    appendLine(out, "通道数:", std::to_string(source.channels.size()));
    appendLine(out, "数据组数:", std::to_string(exportedRecordCount(source.channels)));
    appendLine(out, "启动时间：", generalDateText(first.startTime));
    appendLine(out, "停止时间：", generalDateText(first.stopTime));
}

// Where the document-wide fields come from; `none` stands in for a document without
// channels.
const ChannelRecord& firstChannel(const ExportSource& source, const ChannelRecord& none) {
    return source.channels.empty() ? none : source.channels.front();
}

std::string finish(GbkOut& out) {
    out += kCrLf;  // one further line end after the last line
    return std::move(out.text());
}

WriteResult writeText(const std::filesystem::path& path, const std::string& gbk) {
    return writeFileAtomically(
        path, ByteView(reinterpret_cast<const std::uint8_t*>(gbk.data()), gbk.size()));
}

}  // namespace

int exportedChannelNumber(const ChannelRecord& channel, int position, ExportOrigin origin) {
    if (origin == ExportOrigin::History && channel.versionDate >= kListNumberingVersion)
        return position;
    return channel.channel;
}

std::int32_t exportedRecordCount(std::span<const ChannelRecord> channels) {
    return channels.empty() ? 0 : channels.front().sampleCount();
}

std::string csvExportText(const ExportSource& source) {
    const ChannelRecord none;
    const ChannelRecord& first = firstChannel(source, none);
    const std::int32_t n = exportedRecordCount(source.channels);
    GbkOut out;
    out.reserve(512 + static_cast<std::size_t>(n) * (32 + 8 * source.channels.size()));

    appendHeader(out, source, first, source.origin == ExportOrigin::Live);

    int position = 0;
    for (const ChannelRecord& c : source.channels) {
        ++position;
        out += "通道";
        out += std::to_string(exportedChannelNumber(c, position, source.origin));
        out += ",最大值:";
        out += singleText(c.maxValue);
        out += ",最小值:";
        out += singleText(c.minValue);
        out += ",平均值:";
        out += singleText(c.meanValue);
        out += ",类型:";
        out += trimmed(c.typeText);
        out += ",单位:";
        out += trimmed(c.unitText);
        out += ",曲线最大坐标:";
        out += std::to_string(c.rangeHigh);
        out += ",曲线最小坐标:";
        out += std::to_string(c.rangeLow);
        out += ',';
        out += kCrLf;
    }

    out += "编号,日期,时间,";
    for (const ChannelRecord& c : source.channels) {
        out += trimmed(c.typeText);
        out += '(';
        out += trimmed(c.unitText);
        out += "),";
    }
    out += kCrLf;

    ValueTexts texts;
    for (std::int32_t i = 1; i <= n; ++i) {
        const DateTime t = recordTime(first, i);
        out += std::to_string(i);
        out += ',';
        out += longDateText(t);
        out += ',';
        out += timeText(t);
        out += ',';
        for (const ChannelRecord& c : source.channels) {
            appendValue(out, texts, c, i);
            out += ',';
        }
        out += kCrLf;
    }
    return finish(out);
}

std::string textExportText(const ExportSource& source, TextLayout layout) {
    const ChannelRecord none;
    const ChannelRecord& first = firstChannel(source, none);
    const std::int32_t n = exportedRecordCount(source.channels);
    // The live window's plain text separates the columns by tabs; every other
    // layout lets the units' padding separate them.
    const bool tabbed = source.origin == ExportOrigin::Live && layout == TextLayout::Text;
    GbkOut out;
    out.reserve(512 + static_cast<std::size_t>(n) * (40 + 20 * source.channels.size()));

    appendHeader(out, source, first, false);

    int position = 0;
    for (const ChannelRecord& c : source.channels) {
        ++position;
        out += "通道";
        out += std::to_string(exportedChannelNumber(c, position, source.origin));
        out += ",  最大值:";
        out += singleText(c.maxValue);
        out += ",  最小值:";
        out += singleText(c.minValue);
        out += ",  平均值:";
        out += singleText(c.meanValue);
        out += ",  类型:";
        out += c.typeText;
        out += ",  单位:";
        out += c.unitText;
        out += ",  曲线颜色:";
        out += std::to_string(c.color);
        out += ",  曲线最大坐标:";
        out += std::to_string(c.rangeHigh);
        out += ",  曲线最小坐标:";
        out += std::to_string(c.rangeLow);
        out += kCrLf;
    }

    ValueTexts texts;
    for (std::int32_t i = 1; i <= n; ++i) {
        const DateTime t = recordTime(first, i);
        appendRightAligned6(out, i);
        out += ',';
        out += longDateText(t);
        out += "     ";
        out += timeText(t);
        out += tabbed ? "\t" : "    ";
        for (const ChannelRecord& c : source.channels) {
            appendValue(out, texts, c, i);
            out += c.unitText;
            if (tabbed) out += '\t';
        }
        out += kCrLf;
    }
    return finish(out);
}

WriteResult exportCsv(const ExportSource& source, const std::filesystem::path& path) {
    return writeText(path, csvExportText(source));
}

WriteResult exportText(const ExportSource& source, TextLayout layout,
                       const std::filesystem::path& path) {
    return writeText(path, textExportText(source, layout));
}

WriteResult exportCsv(HistoryDocument& document, const std::filesystem::path& path) {
    prepareForWriting(document);
    return exportCsv(ExportSource{document.channels, ExportOrigin::History}, path);
}

WriteResult exportText(HistoryDocument& document, TextLayout layout,
                       const std::filesystem::path& path) {
    prepareForWriting(document);
    return exportText(ExportSource{document.channels, ExportOrigin::History}, layout, path);
}

}  // namespace tarvo
