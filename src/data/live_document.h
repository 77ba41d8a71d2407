#pragma once
// The document of the live-curve window: one channel record per started channel of
// the connected logger, holding the last 500 live samples with their PC times. Every
// live answer adds one sample per channel; once the buffer is full the oldest sample
// of every channel goes first, and the first and then every 500th such removal dumps
// the whole buffer to a logger data file (through LiveDumpSink, so that the document
// needs nothing of the file layer).
//
// The statistics of a channel always describe exactly the samples it holds: a sample
// counts as number `held + 1` of the run when it is added, and its removal takes it
// out of the mean again (or rebuilds all three when it was the maximum or minimum).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/codecs.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "data/channel_list.h"
#include "data/channel_record.h"
#include "data/chart_model.h"
#include "data/history_document.h"

namespace tarvo {

// Samples per channel the live window keeps.
inline constexpr int kLiveCapacity = 500;
// Removals from the full buffer between two dumps.
inline constexpr std::int16_t kLiveDumpPeriod = 500;

inline constexpr std::string_view kLiveCaption = "实时曲线";
inline constexpr std::string_view kLiveWindowTag = "frmRealT";

// The live window's channel list: the history list's columns, "单位" 1000 twips wide.
inline constexpr std::array<ChannelListColumn, 9> kLiveChannelListColumns{{
    {"通道", 1500},
    {"类型", 1000},
    {"选定值", 1000},
    {"单位", 1000},
    {"记录时间", 2000},
    {"最大值", 1000},
    {"最小值", 1000},
    {"平均值", 1000},
    {"编号", 1000},
}};

// Receives the whole buffer when it is due to be dumped, just before its oldest
// sample is removed; `stamp` is the time of the sample that caused the removal.
class LiveDumpSink {
  public:
    virtual ~LiveDumpSink() = default;
    virtual void dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp) = 0;
};

// What one live answer added: the PC time and, per channel from the first, the value
// stored (rounded to one decimal and clamped to the channel's range). Channels beyond
// the answer's length get nothing, so `values` may be shorter than the channel list.
struct LiveSample {
    DateTime time = 0;
    std::vector<float> values;
};

class LiveDocument {
  public:
    // The started channels of the connected logger, ascending channel number.
    std::vector<ChannelRecord> channels;
    // The channels have been built from a logger's parameters.
    bool loaded = false;
    // Removals until the next dump; the first removal of a program run dumps.
    std::int16_t dumpCountdown = 0;

    // nullptr: nothing is dumped (the default). The sink outlives the document.
    void setDumpSink(LiveDumpSink* sink) { dumpSink_ = sink; }

    // Builds the channels from the connected logger's parameters as an upload does
    // (texts, ranges, alarm limits, names, times, address), with no samples and zero
    // statistics. False, leaving no channel and the document not loaded, when no
    // channel is started.
    bool reSetRealSetting(const LoggerParameters& params);

    // Appends the values of one live answer (one four-byte single per channel from
    // byte 6, as decodeLiveFrame reads them), time-stamped `now`.
    // When the first channel already holds kLiveCapacity samples, ClearZariva runs
    // first. Nothing happens, and nothing is returned, unless the document is loaded;
    // an answer too short to carry a value adds nothing and removes nothing.
    std::optional<LiveSample> restoreRealData(ByteView frame, DateTime now);

    // Removes the oldest sample of every channel, taking it out of the statistics.
    // Counts the removal towards the next dump, which gets the buffer as it was
    // before the removal, stamped `now`.
    void ClearZariva(DateTime now);

    // Samples held by the first channel (0 without channels).
    std::int32_t sampleCount() const {
        return channels.empty() ? 0 : channels.front().sampleCount();
    }

  private:
    LiveDumpSink* dumpSink_ = nullptr;
};

// The date-time text of the sample, then per stored value a tab and the value
// formatted "#0.0#" (UTF-8, no line end): the command line's line per answer.
std::string liveSampleLine(const LiveSample& sample);

// The live window's channel list: as the history window's, but the statistics are
// plain number text (up to seven significant digits). A record without a colour gets
// the default colour of its list position, which is stored into the record. No rows
// while the document is not loaded.
std::vector<ChannelListRow> liveChannelListRows(LiveDocument& doc);

// The cursor read-out at plot position `x` (a sample index): per channel the row's
// "选定值", "记录时间" and "编号", or nothing for a channel whose sample there has no
// time. `x` is brought into 1..the channel's sample count and cut to its integer part.
struct LiveCursorCell {
    std::string selectedValue;
    std::string recordTime;
    std::string indexText;
    std::int32_t index = 0;
};
// Empty when the first channel holds no sample; otherwise one entry per channel.
std::vector<std::optional<LiveCursorCell>> liveCursorReadout(const LiveDocument& doc, double x);

// The live chart's fixed view: samples 1..500 from left to right, plot space 0..1000
// from bottom to top.
ChartView liveChartView();

// One redraw of the live chart in device units: for every shown channel its two
// dashed alarm lines (one two-point polyline per dash, dashes two samples long every
// three samples), then its curve. `topLabel` and `bottomLabel` are the integer parts
// of the plot's top and bottom plot-space values, printed left of the plot at its top
// edge and 240 twips above its bottom edge. Nothing when the document is not loaded.
struct LiveChartScene {
    DeviceRect plot;
    PlotScale scale;
    std::vector<ChartPolyline> lines;
    std::string topLabel;
    std::string bottomLabel;
};
std::optional<LiveChartScene> liveChartScene(LiveDocument& doc, const DeviceRect& plot);

// Plot-space height of `value` on the live chart for a channel whose scale factor is
// `factor`: (value - rangeLow) × factor + 5 above the bottom of the plot space.
double liveCurveY(const ChannelRecord& record, double factor, double value);

}  // namespace tarvo
