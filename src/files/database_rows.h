#pragma once
// The rows a document adds to the database export's two tables, built apart from any
// database so that every back-end writes the same rows.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/database_schema.h"
#include "files/text_export.h"

namespace tarvo {

// One "仪器配置表" row, in the order of the table's named columns.
struct ConfigRow {
    std::int32_t firstChannel = 1;  // "通道最小"
    std::int32_t lastChannel = 0;   // "通道最大"
    std::int32_t channel = 0;       // "通道"
    double maxValue = 0;            // singles as their shortest decimal (storedSingle)
    double minValue = 0;
    double meanValue = 0;
    std::string typeText;
    std::string unitText;
    std::int64_t color = 0;
    std::int32_t rangeHigh = 0;
    std::int32_t rangeLow = 0;
    double startTime = 0;
    std::string userName;
    std::string title;
    double stopTime = 0;

    bool operator==(const ConfigRow&) const = default;
};

// One "数据记录表" row: the device address, the record time and the value of each
// logger input (index k - 1 for input k); inputs the document does not record are
// empty. Should two channels name one input, the later channel's value is kept, as
// field-by-field assignment would leave it.
struct DataRow {
    std::int16_t address = 0;
    std::optional<double> time;  // empty only for a channel shorter than the first
    std::array<std::optional<double>, kLoggerInputs> inputs;

    bool operator==(const DataRow&) const = default;
};

struct DatabaseRows {
    std::vector<ConfigRow> config;  // one per channel, in order
    std::vector<DataRow> data;      // one per record (exportedRecordCount)
    // Inputs (0-based) that some channel records: the value columns a back-end writes.
    std::array<bool, kLoggerInputs> recordedInputs{};
};

struct RowsResult {
    std::optional<DatabaseRows> rows;
    std::string error;  // why there are none: a channel code that is no logger input
};

// The rows of `source`. A channel whose code is not 0..7 is refused (no value column
// would hold it).
RowsResult databaseRows(const ExportSource& source);

// A single as the double nearest to its shortest decimal text, so that a database
// shows 23.4 for 23.4f and not 23.3999996185303.
double storedSingle(float value);

}  // namespace tarvo
