#pragma once
// The document of one history window: the recorded channels of one logger and the
// view the chart works on.

#include <cstdint>
#include <string>
#include <vector>

#include "core/logger_parameters.h"
#include "data/channel_record.h"

namespace tarvo {

// The view of the chart: sample indexes on x (1-based), plot space 0..1000 on y.
// Indexes are 32-bit: a logger can hold more records than a 16-bit index reaches.
struct ChartView {
    std::int32_t viewStart = 0;
    std::int32_t viewEnd = 0;
    float viewTop = 0;
    float viewBottom = 0;
    std::int32_t homeStart = 0;
    float homeTop = 0;
    std::int32_t homeEnd = 0;
    float homeBottom = 0;
    std::int32_t mouseMode = 0;
    float pressX = 0, pressY = 0;
    float lastX = 0, lastY = 0;
};

// Numbers the captions of uploaded documents (记录仪文件1, 记录仪文件2, …); one per program run.
class HistoryCounter {
public:
    std::int32_t next() { return value_++; }
    std::int32_t peek() const { return value_; }

private:
    std::int32_t value_ = 1;
};

class HistoryDocument {
public:
    std::vector<ChannelRecord> channels;  // ascending channel number
    bool loaded = false;
    bool saved = false;
    bool gridFilled = false;
    ChartView view;
    std::string caption;
    std::string fileName;  // the full path after an open or a save ("myFileName")

    // Number of samples N (all channels have the same).
    std::int32_t sampleCount() const { return channels.empty() ? 0 : channels.front().sampleCount(); }
};

}  // namespace tarvo
