#pragma once
// The text exports of a document: comma-separated (".csv"), word-processor text
// (".doc") and plain text (".txt"). All three are plain GBK text with CR LF line
// ends; the ".doc" file is such a text file too, not a word-processor document.
//
// The functions work on the channel records of a document, so the history window and
// the live-curve window share them; `ExportOrigin` selects the few differences.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "data/channel_record.h"
#include "data/history_document.h"
#include "files/atomic_file.h"

namespace tarvo {

// The kind of window a document belongs to.
enum class ExportOrigin { History, Live };

// What every export reads: the channel records in channel order. Document-wide fields
// (user name, title, device address, start and stop time, the record times) are taken
// from the first channel. The statistics are written as held: a history document
// gets whole-record statistics first (prepareForWriting, or the overloads below).
struct ExportSource {
    std::span<const ChannelRecord> channels;
    ExportOrigin origin = ExportOrigin::History;
};

// Version date from which a logger numbers its channels by list position (2006-11-27).
inline constexpr DateTime kListNumberingVersion = 39048.0;

// The channel number written for the channel at list position `position` (1-based):
// for a history document of a logger dated 2006-11-27 or later the position, for an
// earlier one and for a live document the channel code (0-based input number).
int exportedChannelNumber(const ChannelRecord& channel, int position, ExportOrigin origin);

// Number of records N: the samples of the first channel (0 without channels).
std::int32_t exportedRecordCount(std::span<const ChannelRecord> channels);

// The record-line layouts of the two text exports.
enum class TextLayout {
    Document,  // ".doc"
    Text,      // ".txt"; the same as Document for a history document
};

// The whole file content, GBK with CR LF line ends.
std::string csvExportText(const ExportSource& source);
std::string textExportText(const ExportSource& source, TextLayout layout);

// Build the content and write it whole through a temporary file, replacing a file
// of that name under the name exactly as given. On failure an earlier file of that
// name is left as it was and the result says why.
WriteResult exportCsv(const ExportSource& source, const std::filesystem::path& path);
WriteResult exportText(const ExportSource& source, TextLayout layout,
                       const std::filesystem::path& path);

// The history window's exports: the statistics are first brought to the whole record
// (prepareForWriting; they stay so in the document), then the channels are exported.
// Name, caption and saved flag are the save command's business.
WriteResult exportCsv(HistoryDocument& document, const std::filesystem::path& path);
WriteResult exportText(HistoryDocument& document, TextLayout layout,
                       const std::filesystem::path& path);

}  // namespace tarvo
