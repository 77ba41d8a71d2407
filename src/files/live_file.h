#pragma once
// What the live-curve window writes by itself: the daily text file that every live
// answer is appended to while automatic saving is on, and the periodic dump of its
// buffer into a logger data file in the Temp folder.
//
// The daily file lies in the folder FilePath and is named by the date of the answer,
// "2006-3-7.txt". It is GBK text with CR LF line ends. A new file starts with the line
//     Time TAB TAB {TAB unit}            (unit: the channel's ten-character unit text)
// and every answer adds
//     date-time {TAB value} ...          (one TAB before the first value, two before
//                                         every further one)
// where the date-time is the general date text and each value is the four-byte single
// of the answer as sent (neither rounded nor clamped) formatted "#0.0#". With 8-column
// tab stops "Time" plus three tabs and a date-time plus one tab both reach column 24.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/messenger.h"
#include "core/settings.h"
#include "data/channel_record.h"
#include "data/live_document.h"
#include "files/atomic_file.h"
#include "files/text_export.h"

namespace tarvo {

// Shown (title "错误", warning icon) when the daily file or the dump cannot be
// written, followed by the path (the result of the write says why).
inline constexpr std::string_view kLiveSaveFailedPrefix = "实时数据保存失败：";
inline constexpr std::string_view kLiveDumpFailedPrefix = "实时数据转存失败：";

// "2006-3-7.txt": the short date of `now` and ".txt".
std::string dailyLiveFileName(DateTime now);

// The header line of a new daily file, GBK, CR LF included.
std::string dailyLiveHeader(std::span<const ChannelRecord> channels);

// The line of one live answer, GBK, CR LF included: values are taken from byte 6 of
// `frame`, four bytes each, while at least five bytes remain, for at most `channels`
// channels.
std::string dailyLiveLine(ByteView frame, std::size_t channels, DateTime now);

// Appends the line of `frame` to the daily file of `now` in `folder`, creating the
// folder when it is missing and starting the file with its header when it does not
// exist yet. A failed write leaves the file as it was before (a file this call
// created is removed again, so the next answer writes the header); the result then
// names the path and the reason. An empty folder name is a failure.
WriteResult appendDailyLiveFile(const std::filesystem::path& folder,
                                std::span<const ChannelRecord> channels, ByteView frame,
                                DateTime now);

// The dump: the channels as a logger data file at tempDumpPath(stamp), in the Temp
// folder of the data folder (created when missing).
WriteResult dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp);

// What the live window's exports read: its channels, as a live document.
inline ExportSource liveExportSource(const LiveDocument& doc) {
    return ExportSource{doc.channels, ExportOrigin::Live};
}

// The live window's writer of both files. A failure is shown once: further failures of
// the same file stay silent until a write of it succeeds again, so a missing folder or
// a full disk does not bring up a message box every few seconds, and a failure that
// comes back after a recovery is reported again.
class LiveFile : public LiveDumpSink {
  public:
    // `settings` (AutoSave, FilePath) and `messenger` outlive the writer.
    LiveFile(const ProgramSettings& settings, Messenger& messenger);

    // Appends the answer to the daily file when automatic saving is on (AutoSave ≥ 1);
    // otherwise does nothing and succeeds.
    WriteResult SaveData(const LiveDocument& doc, ByteView frame, DateTime now);

    // Writes the buffer to the Temp folder (LiveDocument calls it when a dump is due).
    void dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp) override;

    // The result of the last dump (ok before the first).
    const WriteResult& lastDump() const { return lastDump_; }

  private:
    void report(bool& reported, const WriteResult& result, std::string_view prefix,
                const std::filesystem::path& path);

    const ProgramSettings& settings_;
    Messenger& messenger_;
    bool saveReported_ = false;
    bool dumpReported_ = false;
    WriteResult lastDump_{true, {}};
};

}  // namespace tarvo
