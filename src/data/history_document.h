#pragma once
// The document of one history window: the recorded channels of one logger and the
// view the chart works on, with the operations that build it from an upload and
// keep its statistics and derived records up to date.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "core/messenger.h"
#include "data/channel_record.h"
#include "data/chart_cache.h"

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

    bool operator==(const ChartView&) const = default;
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
    // What the chart keeps of the samples between redraws; it never makes two
    // documents differ.
    ChartCache chartCache;

    bool operator==(const HistoryDocument&) const = default;

    // Number of samples N (all channels have the same).
    std::int32_t sampleCount() const {
        return channels.empty() ? 0 : channels.front().sampleCount();
    }
};

inline constexpr int kTwipsPerPixel = 15;
// Width of the plot of a history window as it first opens (9600 twips wide, less the
// chart panel's margins); shells without a plot use it for the home view.
inline constexpr int kDefaultPlotWidthTwips = 9600 - 240 - 1095;
// Type and unit texts of a channel record are this many characters, blank padded.
inline constexpr int kChannelTextCharacters = 10;
// Loggers with firmware before 20 February 2005 send one byte too many after a wrap.
inline constexpr DateTime kLastByteQuirkFirmwareBefore = 38403;

// Cuts or pads a UTF-8 text with blanks to exactly `characters` characters.
std::string fixedWidthText(std::string_view text, int characters);
// The text without trailing blanks.
std::string trimTrailingBlanks(std::string_view text);

// Builds the document from the answers of an upload (each a whole answer, check byte
// included) and the parameters of the logger they came from: decodes the records,
// restores the order of a wrapped memory, times every record from the logger's start
// time and interval (the last record never later than `pcNow`), clamps the values to
// the channel ranges, captions the document "记录仪文件" + the counter's next number and
// sets the home view for a plot `plotWidthPixels` wide (the default plot when ≤ 0).
// The statistics then describe the home view, as after the chart's first redraw.
// Returns false, leaving the document and the counter untouched, when the record width
// is below 1, no channel is started, or less than one whole record arrived.
//
// A document holds at most kMaxHistoryRecords records, as many as a logger data file
// can (the program opens every file it writes): pages holding more keep the newest.
inline constexpr std::int32_t kMaxHistoryRecords = 65535;

// What an upload's pages held, against what the logger's own counts promise.
struct RestoreNotes {
    std::int32_t received = 0;  // whole records in the pages
    std::int32_t promised = 0;  // records the logger's memory holds by its counts
    bool capped = false;        // more than kMaxHistoryRecords: only the newest kept

    bool incomplete() const { return received < promised; }
};

bool restoreHisData(HistoryDocument& doc, const std::vector<Bytes>& frames,
                    const LoggerParameters& params, HistoryCounter& counter, DateTime pcNow,
                    int plotWidthPixels, RestoreNotes* notes = nullptr);

// The records a logger's memory holds by its counts: all it took since its start,
// at most its memory's size in records.
std::int32_t promisedRecords(const LoggerParameters& params);

// What the operator is told after an upload whose document was built: a warning when
// fewer records arrived than promised ("received N of M records"), information when
// the oldest records were left out for the file's limit. Nothing when neither.
std::vector<Message> uploadNotices(const RestoreNotes& notes);

// Sets the home view: start 1, top 1000, bottom 0, end N plus the samples one screen
// pixel covers at the full view (at least 2). The view itself is left alone; a view
// still all 0 takes the home view at the next redraw (applyHomeViewWhenEmpty).
void resetView(HistoryDocument& doc, int plotWidthTwips = kDefaultPlotWidthTwips);
// A fresh document's view is all 0: it then takes the home view.
void applyHomeViewWhenEmpty(HistoryDocument& doc);

// Maximum, minimum and mean of every channel over the view (viewStart..viewEnd).
void recomputeStatistics(HistoryDocument& doc);
// The same over all samples 1..N (files and exports describe the whole recording).
void recomputeWholeStatistics(HistoryDocument& doc);
// True when the view does not cover every sample, so the statistics describe a part.
bool viewShowsPart(const HistoryDocument& doc);

// Writes the user name and title into every channel record.
void reName(HistoryDocument& doc, std::string_view userName, std::string_view title);

// Fills the members of `fileParams` that describe this document (nothing happens unless
// the document is loaded and has a channel). Per-channel members go to the channel's
// own index, so the pane's rows for the started channels read the right record.
// The document is not changed.
void refrashParam(const HistoryDocument& doc, LoggerParameters& fileParams);

// Closing: a loaded document that was never saved asks this question first.
std::string unsavedChangesQuestion(const HistoryDocument& doc);
bool closeNeedsQuestion(const HistoryDocument& doc);

}  // namespace tarvo
