#include "files/live_file.h"

#include <cerrno>
#include <fstream>
#include <system_error>

#include "core/codecs.h"
#include "core/gbk.h"
#include "core/text_format.h"
#include "files/file_names.h"
#include "files/logger_data_file.h"

namespace tarvo {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Live values start at byte 6 of the answer; its last byte is never data.
constexpr std::size_t kFirstValue = 6;

WriteResult failure(const std::filesystem::path& path, std::string_view what, int error) {
    std::string text = "cannot " + std::string(what) + " " + pathText(path);
    if (error != 0) text += ": " + std::system_category().message(error);
    return WriteResult{false, std::move(text)};
}

// Puts the file back as it was before the append: cut to its former size, or gone
// when the append created it. Best effort: the failure is reported either way.
void undoAppend(const std::filesystem::path& path, bool existed, std::uintmax_t formerSize) {
    std::error_code ignored;
    if (!existed) {
        std::filesystem::remove(path, ignored);
    } else if (std::filesystem::is_regular_file(path, ignored) &&
               std::filesystem::file_size(path, ignored) > formerSize) {
        std::filesystem::resize_file(path, formerSize, ignored);
    }
}

}  // namespace

std::string dailyLiveFileName(DateTime now) {
    return shortDateText(now) + ".txt";
}

std::string dailyLiveHeader(std::span<const ChannelRecord> channels) {
    std::string line = "Time\t\t";
    for (const ChannelRecord& r : channels) {
        line += '\t';
        line += r.unitText;
    }
    line += kLineEnd;
    return utf8ToGbk(line);
}

std::string dailyLiveLine(ByteView frame, std::size_t channels, DateTime now) {
    std::string line = generalDateText(now);
    std::size_t taken = 0;
    for (std::size_t p = kFirstValue; p + 5 <= frame.size() && taken < channels; p += 4) {
        const float v = decodeSingleBytes(frame[p + 3], frame[p + 2], frame[p + 1], frame[p]);
        line += taken == 0 ? "\t" : "\t\t";
        line += formatNumber(v, NumberFormat::Fixed1Max2);
        ++taken;
    }
    line += kLineEnd;
    return utf8ToGbk(line);
}

WriteResult appendDailyLiveFile(const std::filesystem::path& folder,
                                std::span<const ChannelRecord> channels, ByteView frame,
                                DateTime now) {
    const std::filesystem::path path = folder / pathFromText(dailyLiveFileName(now));
    if (folder.empty()) return WriteResult{false, "no folder chosen for " + pathText(path)};
    if (!ensureFolder(folder)) return failure(folder, "create the folder", 0);

    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    const std::uintmax_t formerSize = existed && std::filesystem::is_regular_file(path, error)
                                          ? std::filesystem::file_size(path, error)
                                          : 0;
    std::string text = existed ? std::string() : dailyLiveHeader(channels);
    text += dailyLiveLine(frame, channels.size(), now);

    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out.is_open()) return failure(path, "open", errno);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    const bool written = out.good();
    const int writeError = errno;
    out.close();
    if (!written || out.fail()) {
        const int reason = writeError != 0 ? writeError : errno;
        undoAppend(path, existed, formerSize);
        return failure(path, "append to", reason);
    }
    return WriteResult{true, {}};
}

WriteResult dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp) {
    return writeLoggerDataFile(tempDumpPath(stamp), channels);
}

LiveFile::LiveFile(const ProgramSettings& settings, Messenger& messenger)
    : settings_(settings), messenger_(messenger) {}

WriteResult LiveFile::SaveData(const LiveDocument& doc, ByteView frame, DateTime now) {
    if (settings_.AutoSave < 1) return WriteResult{true, {}};
    const std::filesystem::path folder = pathFromText(settings_.FilePath);
    const WriteResult result = appendDailyLiveFile(folder, doc.channels, frame, now);
    report(saveReported_, result, kLiveSaveFailedPrefix,
           folder / pathFromText(dailyLiveFileName(now)));
    return result;
}

void LiveFile::dumpRealData(const std::vector<ChannelRecord>& channels, DateTime stamp) {
    const std::filesystem::path path = tempDumpPath(stamp);
    lastDump_ = writeLoggerDataFile(path, channels);
    report(dumpReported_, lastDump_, kLiveDumpFailedPrefix, path);
}

void LiveFile::report(bool& reported, const WriteResult& result, std::string_view prefix,
                      const std::filesystem::path& path) {
    if (result) {
        reported = false;
        return;
    }
    if (reported) return;
    reported = true;
    messenger_.show(
        {std::string(prefix) + pathText(path), "错误", MessageIcon::Warning, MessageButtons::Ok});
}

}  // namespace tarvo
