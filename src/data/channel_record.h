#pragma once
// One recorded channel of a document: its samples with their times, its texts,
// limits and statistics. The history and live documents, the logger data file, the
// exports and the report all work on these.

#include <cstdint>
#include <string>
#include <vector>

#include "core/codecs.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo {

struct ChannelRecord {
    std::int16_t channel = 0;         // logger input 0..7
    std::vector<float> values;        // sample k (1-based) is values[k - 1]
    std::vector<DateTime> times;      // same length as values
    float maxValue = 0;               // statistics of the samples in the view
    float minValue = 0;
    float meanValue = 0;
    std::string typeText;             // channel type text, blank padded to 10 characters
    std::string unitText;             // unit text, blank padded to 10 characters
    Rgb color = 0;                    // 0: none chosen yet (the default colour is used)
    bool visible = true;
    std::int32_t rangeHigh = 0;
    std::int32_t rangeLow = 0;
    std::int16_t deviceAddress = 0;   // "所属器件地址"
    std::string userName;
    std::string title;
    float alarmLow = 0;
    float alarmHigh = 0;
    DateTime versionDate = 0;         // the logger's firmware version as a date
    bool printCurve = true;
    bool printList = true;
    DateTime startTime = 0;           // "记录仪启动时间"
    DateTime stopTime = 0;            // "预计停止时间"
    std::int16_t workStatus = 0;

    bool operator==(const ChannelRecord&) const = default;
    std::int32_t sampleCount() const { return static_cast<std::int32_t>(values.size()); }
};

// The firmware version as a date: year, month and day joined with "-" and read as a
// date. Numbers that name no real date (a logger reporting zeros) give day 0.
DateTime firmwareDate(const LoggerParameters& params);

// The record of logger input `channel` as the logger's parameters describe it: its
// texts (blank padded to 10 characters), range, alarm limits and the logger-wide
// fields; shown and selected for printing, with no samples yet.
ChannelRecord describeChannel(const LoggerParameters& params, int channel);

// A value above the range becomes its upper end, one below it its lower end (the
// lower end wins when a logger reports the ends the wrong way round).
float clampToRange(float value, std::int32_t low, std::int32_t high);

}  // namespace tarvo
