#include "files/logger_data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <bit>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "core/codecs.h"
#include "core/gbk.h"
#include "files/file_names.h"

namespace tarvo {

// An uploaded document must fit a file.
static_assert(kMaxHistoryRecords <= kMaxLoggerFileRecords);


namespace {

constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kChannelEntryBytes = 46;
constexpr std::size_t kUserNameBytes = 8;
constexpr std::size_t kTitleBytes = 8;
constexpr std::size_t kTypeTextBytes = 10;
constexpr std::size_t kUnitTextBytes = 10;
// Int16 channel, three Float32 statistics, type and unit texts, three Int32.
static_assert(kChannelEntryBytes == 2 + 3 * 4 + kTypeTextBytes + kUnitTextBytes + 3 * 4);
constexpr char kCaptionPrefix[] = "记录仪文件:";

// Appends little-endian fields whatever the host's byte order.
class ByteWriter {
public:
    explicit ByteWriter(Bytes& out) : out_(out) {}

    void int16(std::int16_t v) { unsigned16(static_cast<std::uint16_t>(v)); }
    void int32(std::int32_t v) { unsigned32(static_cast<std::uint32_t>(v)); }
    void float32(float v) { unsigned32(std::bit_cast<std::uint32_t>(v)); }
    void date(DateTime v) { unsigned64(std::bit_cast<std::uint64_t>(v)); }
    void flag(bool v) { int16(v ? -1 : 0); }
    // Text(n): GBK, cut to n bytes without splitting a character, space padded.
    void text(const std::string& utf8, std::size_t n) {
        std::string gbk = fixedGbkText(utf8, n);
        gbk.resize(n, ' ');
        out_.insert(out_.end(), gbk.begin(), gbk.end());
    }

private:
    void unsigned16(std::uint16_t v) { little(v, 2); }
    void unsigned32(std::uint32_t v) { little(v, 4); }
    void unsigned64(std::uint64_t v) { little(v, 8); }
    void little(std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    Bytes& out_;
};

// Reads little-endian fields; a read past the end gives 0 and marks the reader
// failed instead of touching memory outside the bytes.
class ByteReader {
public:
    explicit ByteReader(ByteView in) : in_(in) {}

    bool failed() const { return failed_; }

    std::int16_t int16() { return static_cast<std::int16_t>(little(2)); }
    std::int32_t int32() { return static_cast<std::int32_t>(little(4)); }
    float float32() { return std::bit_cast<float>(static_cast<std::uint32_t>(little(4))); }
    DateTime date() { return std::bit_cast<double>(little(8)); }
    bool flag() { return int16() != 0; }
    // The next n bytes as they are; empty, and the reader failed, when fewer are left.
    ByteView take(std::size_t n) {
        if (!available(n)) return {};
        const ByteView bytes = in_.subspan(pos_, n);
        pos_ += n;
        return bytes;
    }
    // Text(n): the n bytes decoded from GBK, padding included.
    std::string text(std::size_t n) {
        if (!available(n)) return {};
        const std::string_view raw(reinterpret_cast<const char*>(in_.data() + pos_), n);
        pos_ += n;
        return gbkToUtf8(raw);
    }

private:
    bool available(std::size_t n) {
        if (failed_ || in_.size() - pos_ < n) failed_ = true;
        return !failed_;
    }
    std::uint64_t little(std::size_t bytes) {
        if (!available(bytes)) return 0;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < bytes; ++i) v |= std::uint64_t{in_[pos_ + i]} << (8 * i);
        pos_ += bytes;
        return v;
    }

    ByteView in_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Little-endian fields straight into or out of a buffer of known size.
template <typename T>
void putLittle(std::uint8_t* at, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename T>
T getLittle(const std::uint8_t* at) {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(T{at[i]} << (8 * i));
    return value;
}

struct Header {
    std::int64_t channelCount = 0;  // C = last − first + 1
    std::int32_t recordCount = 0;   // N
    std::int64_t fileSize = 0;      // bytes up to the end of the tail
};

// The header's checks: the channel index range must contain 1 and stay within the
// bound, the record count must lie in 1..kMaxLoggerFileRecords.
std::optional<Header> checkHeader(std::span<const std::uint8_t, kHeaderBytes> bytes) {
    ByteReader reader{ByteView(bytes)};
    const std::int64_t first = reader.int32();
    const std::int64_t last = reader.int32();
    const std::int32_t records = reader.int32();
    if (last < first || first > 1 || last < 1) return std::nullopt;
    const std::int64_t channels = last - first + 1;
    if (channels > kMaxLoggerFileChannels) return std::nullopt;
    if (records < 1 || records > kMaxLoggerFileRecords) return std::nullopt;
    return Header{channels, records, loggerDataFileSize(channels, records)};
}

ReadResult refused() {
    ReadResult result;
    result.message = kInvalidLoggerFileMessage;
    return result;
}

}  // namespace

std::int64_t loggerDataFileSize(std::int64_t channels, std::int64_t records) {
    return 56 + 58 * channels + records * (8 + 4 * channels);
}

Bytes encodeLoggerDataFile(const std::vector<ChannelRecord>& channels) {
    Bytes out;
    if (channels.empty()) return out;
    const ChannelRecord& head = channels.front();
    const auto count = static_cast<std::int32_t>(channels.size());
    const std::int32_t records = head.sampleCount();
    out.reserve(static_cast<std::size_t>(loggerDataFileSize(count, records)));
    ByteWriter w(out);

    w.int32(1);
    w.int32(count);
    w.int32(records);

    for (const ChannelRecord& c : channels) {
        w.int16(c.channel);
        w.float32(c.maxValue);
        w.float32(c.minValue);
        w.float32(c.meanValue);
        w.text(c.typeText, kTypeTextBytes);
        w.text(c.unitText, kUnitTextBytes);
        w.int32(static_cast<std::int32_t>(c.color));
        w.int32(c.rangeHigh);
        w.int32(c.rangeLow);
    }

    // The first channel's times are the record times. The records are the bulk of the
    // file: they are written in place.
    const std::size_t recordBytes = 8 + 4 * channels.size();
    std::size_t at = out.size();
    out.resize(at + recordBytes * static_cast<std::size_t>(records));
    for (std::size_t j = 0; j < static_cast<std::size_t>(records); ++j) {
        putLittle(&out[at], std::bit_cast<std::uint64_t>(j < head.times.size() ? head.times[j] : 0.0));
        at += 8;
        for (const ChannelRecord& c : channels) {
            putLittle(&out[at], std::bit_cast<std::uint32_t>(j < c.values.size() ? c.values[j] : 0.0f));
            at += 4;
        }
    }

    for (const ChannelRecord& c : channels) {
        w.float32(c.alarmHigh);
        w.float32(c.alarmLow);
    }

    w.text(head.userName, kUserNameBytes);
    w.text(head.title, kTitleBytes);
    w.date(head.versionDate);

    for (const ChannelRecord& c : channels) {
        w.flag(c.printCurve);
        w.flag(c.printList);
    }

    w.date(head.startTime);
    w.date(head.stopTime);
    w.int16(head.workStatus);
    w.int16(head.deviceAddress);
    return out;
}

WriteResult writeLoggerDataFile(const std::filesystem::path& path,
                                const std::vector<ChannelRecord>& channels) {
    if (channels.empty()) {
        return WriteResult{false, "no channel to write to " + pathText(path)};
    }
    return writeFileAtomically(path, encodeLoggerDataFile(channels));
}

ReadResult decodeLoggerDataFile(ByteView bytes) {
    if (bytes.size() < kHeaderBytes) return refused();
    const std::optional<Header> header = checkHeader(bytes.first<kHeaderBytes>());
    if (!header || static_cast<std::uint64_t>(header->fileSize) > bytes.size()) return refused();

    ByteReader r(bytes.subspan(kHeaderBytes));
    const auto n = static_cast<std::size_t>(header->recordCount);
    std::vector<ChannelRecord> channels(static_cast<std::size_t>(header->channelCount));

    for (ChannelRecord& c : channels) {
        c.channel = r.int16();
        c.maxValue = r.float32();
        c.minValue = r.float32();
        c.meanValue = r.float32();
        c.typeText = r.text(kTypeTextBytes);
        c.unitText = r.text(kUnitTextBytes);
        c.color = static_cast<Rgb>(r.int32());
        c.rangeHigh = r.int32();
        c.rangeLow = r.int32();
        c.visible = true;
        c.values.resize(n);
        c.times.resize(n);
    }

    // Every channel shares the record times.
    const ByteView records = r.take(n * (8 + 4 * channels.size()));
    if (r.failed()) return refused();
    const std::uint8_t* at = records.data();
    for (std::size_t i = 0; i < n; ++i) {
        const auto time = std::bit_cast<DateTime>(getLittle<std::uint64_t>(at));
        at += 8;
        for (ChannelRecord& c : channels) {
            c.times[i] = time;
            c.values[i] = std::bit_cast<float>(getLittle<std::uint32_t>(at));
            at += 4;
        }
    }

    for (ChannelRecord& c : channels) {
        c.alarmHigh = r.float32();
        c.alarmLow = r.float32();
    }

    const std::string userName = r.text(kUserNameBytes);
    const std::string title = r.text(kTitleBytes);
    const DateTime versionDate = r.date();

    for (ChannelRecord& c : channels) {
        c.printCurve = r.flag();
        c.printList = r.flag();
    }

    const DateTime startTime = r.date();
    const DateTime stopTime = r.date();
    const std::int16_t workStatus = r.int16();
    const std::int16_t deviceAddress = r.int16();

    // The size was checked against the header; this only guards the arithmetic.
    if (r.failed()) return refused();

    for (ChannelRecord& c : channels) {
        c.userName = userName;
        c.title = title;
        c.versionDate = versionDate;
        c.startTime = startTime;
        c.stopTime = stopTime;
        c.workStatus = workStatus;
        c.deviceAddress = deviceAddress;
    }

    ReadResult result;
    result.ok = true;
    result.channels = std::move(channels);
    result.recordCount = header->recordCount;
    return result;
}

ReadResult readLoggerDataFile(const std::filesystem::path& path) {
    if (!isLoggerDataFileName(path)) return refused();

    // The header is checked against the file's size before anything is allocated for
    // the records; then the whole file is read at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return refused();
    const auto readAt = [fd](std::uint8_t* into, std::size_t size, off_t offset) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    };
    struct stat info {};
    std::array<std::uint8_t, kHeaderBytes> head{};
    std::optional<Header> header;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && readAt(head.data(), head.size(), 0))
        header = checkHeader(head);
    Bytes bytes;
    bool read = header && info.st_size >= header->fileSize;
    if (read) {
        bytes.resize(static_cast<std::size_t>(header->fileSize));
        read = readAt(bytes.data(), bytes.size(), 0);
    }
    ::close(fd);
    if (!read) return refused();
    return decodeLoggerDataFile(bytes);
}

void prepareForWriting(HistoryDocument& document) {
    if (viewShowsPart(document)) recomputeWholeStatistics(document);
}

SaveResult saveHistoryDocument(HistoryDocument& document, const std::filesystem::path& path) {
    // The statistics are brought to the whole record on a copy, so that a failed
    // save leaves the document untouched.
    std::vector<ChannelRecord> channels = document.channels;
    {
        HistoryDocument prepared;
        prepared.channels = std::move(channels);
        prepared.view = document.view;
        prepareForWriting(prepared);
        channels = std::move(prepared.channels);
    }
    const std::string name = pathText(path);
    const WriteResult written = writeLoggerDataFile(path, channels);
    if (!written) return SaveResult{false, kSaveFailedPrefix + name, written.error};

    document.channels = std::move(channels);
    document.fileName = name;
    document.caption = kCaptionPrefix + name;
    document.saved = true;
    return SaveResult{true, {}, {}};
}

OpenResult openHistoryDocument(HistoryDocument& document, const std::filesystem::path& path) {
    ReadResult read = readLoggerDataFile(path);
    if (!read) return OpenResult{false, read.message};

    document.channels = std::move(read.channels);
    document.chartCache.build(document.channels);
    document.loaded = true;
    document.saved = true;
    document.gridFilled = false;
    document.fileName = pathText(path);
    document.caption = kCaptionPrefix + document.fileName;
    return OpenResult{true, {}};
}

}  // namespace tarvo
