#include "data/history_document.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <span>

#include "core/codecs.h"

namespace tarvo {

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The samples of one answer: from byte 8 of a paged answer (byte 7 is its page number)
// or byte 7 of a single answer, up to the byte before the check byte. An answer too
// short to reach its data holds none.
ByteView dataPortion(const Bytes& frame, std::size_t dataStart) {
    if (frame.size() <= dataStart + 1) return {};
    return ByteView(frame).subspan(dataStart, frame.size() - 1 - dataStart);
}

std::int32_t clampToInt32(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<std::int32_t>(
        std::clamp(v, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(kInt32Max)));
}

std::int16_t clampToInt16(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

// Moves the base time back by whole intervals until the last record, at
// base + (n - 1) × interval, is no later than the PC clock. The number of steps is
// computed rather than counted out, so an interval of 0 or an absurd time cannot
// hold the program up; without a positive, finite interval nothing moves.
DateTime pullBackFromFuture(DateTime base, std::int32_t n, DateTime interval, DateTime now) {
    if (!(interval > 0) || !std::isfinite(interval) || !std::isfinite(base) || !std::isfinite(now))
        return base;
    const double span = static_cast<double>(n - 1) * interval;
    const auto lastAfter = [&](double steps) { return base - steps * interval + span; };
    if (!(lastAfter(0) > now)) return base;
    double steps = std::ceil((lastAfter(0) - now) / interval);
    if (!std::isfinite(steps)) return base;
    // Settle the rounding of the division: the fewest steps that bring the last record
    // to the clock or before it.
    for (int i = 0; i < 4 && lastAfter(steps) > now; ++i) steps += 1;
    for (int i = 0; i < 4 && steps > 1 && !(lastAfter(steps - 1) > now); ++i) steps -= 1;
    return base - steps * interval;
}

std::string trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string fixedWidthText(std::string_view text, int characters) {
    characters = std::max(characters, 0);
    std::string out;
    int count = 0;
    std::size_t cut = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 character
        if (count == characters) {
            cut = i;
            break;
        }
        ++count;
    }
    out.assign(text.substr(0, cut));
    out.append(static_cast<std::size_t>(characters - count), ' ');
    return out;
}

std::string trimTrailingBlanks(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::int32_t promisedRecords(const LoggerParameters& params) {
    const std::int32_t taken = std::max(params.recordCount, 0);
    return params.totalSpace > 0 ? std::min(taken, params.totalSpace) : taken;
}

std::vector<Message> uploadNotices(const RestoreNotes& notes) {
    std::vector<Message> out;
    if (notes.incomplete()) {
        out.push_back(Message{"上传未完成：只收到" + std::to_string(notes.received) + "条记录，记录仪中共有" +
                                  std::to_string(notes.promised) + "条记录。",
                              "上传", MessageIcon::Warning, MessageButtons::Ok});
    }
    if (notes.capped) {
        const std::string limit = std::to_string(kMaxHistoryRecords);
        out.push_back(Message{"上传的" + std::to_string(notes.received) + "条记录超过文件能保存的" +
                                  limit + "条，只保留最后的" + limit + "条记录。",
                              "上传", MessageIcon::Information, MessageButtons::Ok});
    }
    return out;
}

bool restoreHisData(HistoryDocument& doc, const std::vector<Bytes>& frames,
                    const LoggerParameters& params, HistoryCounter& counter, DateTime pcNow,
                    int plotWidthPixels, RestoreNotes* notes) {
    const int width = params.recordWidth;
    if (width < 1) return false;

    std::vector<int> started;
    for (int b = 0; b < kChannelCount; ++b) {
        if (params.channelStarted(b)) started.push_back(b);
    }
    if (started.empty()) return false;

    std::vector<ChannelRecord> channels;
    channels.reserve(started.size());
    for (const int c : started) channels.push_back(describeChannel(params, c));

    const std::size_t dataStart = params.deviceType() != 0 ? 8 : 7;
    std::size_t byteCount = 0;
    for (const Bytes& frame : frames) byteCount += dataPortion(frame, dataStart).size();

    // Older firmware appends one byte too many once its memory has wrapped, when the
    // memory holds a whole number of records.
    if (byteCount > 0 && params.overflowCount >= 1 &&
        channels.front().versionDate < kLastByteQuirkFirmwareBefore &&
        params.effectiveCapacity % width == 0) {
        --byteCount;
    }
    if (byteCount < 1) return false;

    Bytes stream;
    stream.reserve(byteCount);
    for (const Bytes& frame : frames) {
        const ByteView data = dataPortion(frame, dataStart);
        const std::size_t take = std::min(data.size(), byteCount - stream.size());
        stream.insert(stream.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
        if (stream.size() == byteCount) break;
    }

    // Records lie `width` bytes apart in the stream. The decoder reads the channels of
    // known codes from the start of a record (a code outside the table consumes
    // nothing), so the rest of each record is skipped. Should the parameters ask the
    // decoder for more bytes than a record holds, only records it can read whole count.
    RecordDecoder decoder(params.channelDataLength, params.startedChannels);
    const auto stride = static_cast<std::size_t>(width);
    const auto decoded = static_cast<std::size_t>(decoder.recordBytes());
    std::size_t wholeRecords = byteCount / stride;
    if (decoded > stride) {
        wholeRecords = byteCount >= decoded ? (byteCount - decoded) / stride + 1 : 0;
    }
    wholeRecords = std::min<std::size_t>(wholeRecords, kInt32Max);
    if (wholeRecords < 1) return false;
    const auto n = static_cast<std::int32_t>(wholeRecords);

    // First slot and base time. After a wrap the stream starts in the middle of the
    // chronology: its first record is the oldest one still in memory, which sits at
    // slot h + 1 of the last totalSpace records.
    std::int32_t slot = 1;
    DateTime base = params.loggerStartTime;
    if (params.overflowCount >= 1) {
        if (params.totalSpace > 0) {
            const std::int64_t total = params.totalSpace;
            // When the count is a whole number of memories the write pointer is back at
            // the start, so the stream is already in order: h is 0, not totalSpace
            // (which would put the oldest record last).
            const std::int64_t h =
                (total - static_cast<std::int64_t>(params.recordCount) % total) % total;
            slot = static_cast<std::int32_t>(std::min<std::int64_t>(h + 1, n));
            base = params.loggerStartTime +
                   static_cast<double>(static_cast<std::int64_t>(params.recordCount) - total) *
                       params.interval;
        }
        // A memory size of 0 (or less) gives nothing to restore the order from: the
        // stream is then read as if the memory had not wrapped.
    }
    base = pullBackFromFuture(base, n, params.interval, pcNow);

    for (ChannelRecord& r : channels) {
        r.values.assign(static_cast<std::size_t>(n), 0.0f);
        r.times.resize(static_cast<std::size_t>(n));
        for (std::int32_t s = 1; s <= n; ++s) {
            r.times[static_cast<std::size_t>(s - 1)] =
                base + static_cast<double>(s - 1) * params.interval;
        }
    }

    std::vector<float> values;
    for (std::int32_t k = 0; k < n; ++k) {
        decoder.decode(stream, static_cast<std::size_t>(k) * stride, values);
        const std::size_t count = std::min(values.size(), channels.size());
        for (std::size_t i = 0; i < count; ++i) {
            ChannelRecord& r = channels[i];
            r.values[static_cast<std::size_t>(slot - 1)] =
                clampToRange(values[i], r.rangeLow, r.rangeHigh);
        }
        slot = slot >= n ? 1 : slot + 1;
    }

    // Only the newest records fit a file: the oldest are left out.
    const bool capped = n > kMaxHistoryRecords;
    if (capped) {
        const auto drop = static_cast<std::ptrdiff_t>(n - kMaxHistoryRecords);
        for (ChannelRecord& r : channels) {
            r.values.erase(r.values.begin(), r.values.begin() + drop);
            r.times.erase(r.times.begin(), r.times.begin() + drop);
        }
    }
    if (notes) *notes = RestoreNotes{n, promisedRecords(params), capped};

    doc.channels = std::move(channels);
    doc.caption = "记录仪文件" + std::to_string(counter.next());
    doc.loaded = true;
    doc.saved = false;
    doc.gridFilled = false;
    const std::int64_t plotTwips = static_cast<std::int64_t>(plotWidthPixels) * kTwipsPerPixel;
    resetView(doc, plotWidthPixels > 0 && plotTwips <= kInt32Max ? static_cast<int>(plotTwips)
                                                                 : kDefaultPlotWidthTwips);
    applyHomeViewWhenEmpty(doc);
    doc.chartCache.build(doc.channels);
    recomputeStatistics(doc);
    return true;
}

void resetView(HistoryDocument& doc, int plotWidthTwips) {
    if (plotWidthTwips <= 0) plotWidthTwips = kDefaultPlotWidthTwips;
    const double n = doc.sampleCount();
    // N plus the samples one screen pixel of the plot covers at the full view.
    const double end = n + roundHalfEven(n / plotWidthTwips * kTwipsPerPixel);
    doc.view.homeStart = 1;
    doc.view.homeTop = 1000;
    doc.view.homeBottom = 0;
    doc.view.homeEnd = std::max(clampToInt32(end), 2);
}

void applyHomeViewWhenEmpty(HistoryDocument& doc) {
    ChartView& v = doc.view;
    if (v.viewTop != 0 || v.viewStart != 0 || v.viewEnd != 0 || v.viewBottom != 0) return;
    v.viewStart = v.homeStart;
    v.viewTop = v.homeTop;
    v.viewEnd = v.homeEnd;
    v.viewBottom = v.homeBottom;
}

namespace {

void statisticsOver(HistoryDocument& doc, long from, long to) {
    for (ChannelRecord& r : doc.channels) {
        const std::span<const float> series(r.values);
        r.maxValue = rangeMax(series, from, to);
        r.minValue = rangeMin(series, from, to);
        r.meanValue = rangeMean(series, from, to);
    }
}

}  // namespace

void recomputeStatistics(HistoryDocument& doc) {
    statisticsOver(doc, doc.view.viewStart, doc.view.viewEnd);
}

void recomputeWholeStatistics(HistoryDocument& doc) {
    statisticsOver(doc, 1, doc.sampleCount());
}

bool viewShowsPart(const HistoryDocument& doc) {
    const std::int32_t n = doc.sampleCount();
    return n > 0 && (doc.view.viewStart > 1 || doc.view.viewEnd < n);
}

void reName(HistoryDocument& doc, std::string_view userName, std::string_view title) {
    for (ChannelRecord& r : doc.channels) {
        r.userName = std::string(userName);
        r.title = std::string(title);
    }
}

void refrashParam(const HistoryDocument& doc, LoggerParameters& fileParams) {
    if (!doc.loaded || doc.channels.empty()) return;
    std::int16_t started = 0;
    for (const ChannelRecord& r : doc.channels) {
        if (r.channel < 0 || r.channel >= kChannelCount) continue;
        const auto c = static_cast<std::size_t>(r.channel);
        started = static_cast<std::int16_t>(started | (1 << c));
        fileParams.channelType[c] = channelTypeCode(r.typeText);
        fileParams.channelUnit[c] = channelUnitCode(r.unitText);
        fileParams.rangeHigh[c] = r.rangeHigh;
        fileParams.rangeLow[c] = r.rangeLow;
        fileParams.alarmHigh[c] = clampToInt16(roundHalfEven(r.alarmHigh));
        fileParams.alarmLow[c] = clampToInt16(roundHalfEven(r.alarmLow));
    }
    fileParams.startedChannels = started;

    const ChannelRecord& first = doc.channels.front();
    fileParams.recordCount = first.sampleCount();
    fileParams.userName = trimBlanks(first.userName);
    fileParams.title = trimBlanks(first.title);
    const CivilTime version = toCivil(first.versionDate);
    fileParams.firmwareYear = clampToInt16(version.year);
    fileParams.firmwareMonth = static_cast<std::int16_t>(version.month);
    fileParams.firmwareDay = static_cast<std::int16_t>(version.day);
    fileParams.loggerStartTime = first.startTime;
    fileParams.expectedStopTime = first.stopTime;
    fileParams.workStatus = first.workStatus;
    if (first.times.size() >= 2) fileParams.interval = first.times[1] - first.times[0];
}

std::string unsavedChangesQuestion(const HistoryDocument& doc) {
    return "文档[" + doc.caption + "]尚未保存，是否现在保存？";
}

bool closeNeedsQuestion(const HistoryDocument& doc) {
    return doc.loaded && !doc.saved;
}

}  // namespace tarvo
