#pragma once
// The logger data file (".orx"): one recorded data set of one logger in the
// program's own binary layout. Little-endian, no padding, no magic number:
//
//   header          Int32 first channel index (1), Int32 last index (C), Int32 N
//   channel block   C × 46 bytes: Int16 channel, Float32 max, min, mean,
//                   Text(10) type, Text(10) unit, Int32 colour, Int32 range high, low
//   record block    N × (8 + 4·C): Date time, Float32 value per channel
//   alarm block     C × 8: Float32 alarm high, alarm low
//   document block  Text(8) user name, Text(8) title, Date version date
//   print block     C × 4: Int16 print curve, Int16 print list (-1 true, 0 false)
//   tail            Date start time, Date stop time, Int16 work status,
//                   Int16 device address
//
// so a file is 56 + 58·C + N·(8 + 4·C) bytes; anything after the tail is ignored.
// Text(n) is GBK, cut to n bytes and padded with spaces; a Date is an OLE day number.
// The record times, document block and tail are document-wide: written from the
// first channel, given to every channel when read.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "data/channel_record.h"
#include "data/history_document.h"
#include "files/atomic_file.h"

namespace tarvo {

// The refusal of every file that cannot be opened.
inline constexpr const char* kInvalidLoggerFileMessage = "您打开的文件格式无效。";

// Bounds of what the reader accepts. A logger holds at most 65,535 records (its
// memory is addressed in 16 bits), and the program must open every file it writes,
// so the record count may reach that; a 16-bit signed counter (32,767) would refuse
// a full logger's upload once saved. Documents hold at most eight channels; the
// bound on the channel index range only keeps a hostile header from making the
// reader work on absurd sizes.
inline constexpr std::int32_t kMaxLoggerFileRecords = 65535;
inline constexpr std::int64_t kMaxLoggerFileChannels = 256;

// Size in bytes of a file of `channels` channels and `records` records.
std::int64_t loggerDataFileSize(std::int64_t channels, std::int64_t records);

// The file image of the channels. N is the sample count of the first channel; a
// channel with fewer values (or a first channel with fewer times) writes 0 for the
// missing ones. Empty when there is no channel.
Bytes encodeLoggerDataFile(const std::vector<ChannelRecord>& channels);

// Writes the channels in the layout above, replacing the file in one step: on any
// failure the former file is intact and the result says why. No channel is an error.
WriteResult writeLoggerDataFile(const std::filesystem::path& path,
                                const std::vector<ChannelRecord>& channels);

struct ReadResult {
    bool ok = false;
    std::string message;                  // kInvalidLoggerFileMessage when refused
    std::vector<ChannelRecord> channels;  // `visible` true
    std::int32_t recordCount = 0;         // N

    explicit operator bool() const { return ok; }
};

// Decodes a file image. Refused (nothing else filled): a last channel index below
// the first, an index range that does not contain 1 or holds more than
// kMaxLoggerFileChannels channels, a record count below 1 or above
// kMaxLoggerFileRecords, and an image that ends before its tail.
ReadResult decodeLoggerDataFile(ByteView bytes);

// Reads the file at `path`. Refused as decodeLoggerDataFile does, and also a name
// whose last three characters are not "orx" (any case; nothing is read, and an
// empty path is such a name) and a file that cannot be opened or read. Only the
// bytes up to the tail are read, after the header and the file size were checked.
ReadResult readLoggerDataFile(const std::filesystem::path& path);

// Whole-record statistics: when the view shows only part of the record (the first
// sample shown after sample 1, or the last shown before sample N), max, min and mean
// of every channel are recomputed over samples 1..N, so that the file and every
// export carry the statistics of the whole record. Run before any save or export.
void prepareForWriting(HistoryDocument& document);

// The message a failed save shows: this text followed by the path.
inline constexpr const char* kSaveFailedPrefix = "文件保存失败：";

struct SaveResult {
    bool ok = false;
    std::string message;  // for the operator: "文件保存失败：" followed by the path
    std::string detail;   // the reason (path and system error)

    explicit operator bool() const { return ok; }
};

// Saves the history document as a logger data file, with whole-record statistics.
// On success the statistics are stored in the channels, fileName is the path, the
// caption "记录仪文件:" followed by the path, and saved is set. On failure the
// document is left exactly as it was and the former file is intact.
SaveResult saveHistoryDocument(HistoryDocument& document, const std::filesystem::path& path);

struct OpenResult {
    bool ok = false;
    std::string message;  // kInvalidLoggerFileMessage when refused

    explicit operator bool() const { return ok; }
};

// Reads a logger data file into the document: its channels, loaded and saved set,
// the grid to be filled again, fileName the path, the caption "记录仪文件:" followed
// by the path. The caller resets the view (resetView) and redraws. A refused file
// leaves the document as it was.
OpenResult openHistoryDocument(HistoryDocument& document, const std::filesystem::path& path);

}  // namespace tarvo
