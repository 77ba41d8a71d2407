#include "data/channel_summary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/text_format.h"
#include "data/history_document.h"

namespace tarvo {

namespace {

enum class Side { Within, Above, Below };

Side sideOf(float value, float low, float high) {
    return value > high ? Side::Above : value < low ? Side::Below : Side::Within;
}

std::int64_t wholeSeconds(DateTime from, DateTime to) {
    const double seconds = (to - from) * kSecondsPerDay;
    if (!(seconds > 0)) return 0;  // backwards or not a number
    if (seconds >= static_cast<double>(std::numeric_limits<std::int64_t>::max())) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return std::llround(seconds);
}

// Collects the excursions of one pass over the records.
class ExcursionCounter {
  public:
    ExcursionCounter(float low, float high) : low_(low), high_(high) {}

    void add(float value, DateTime time) {
        const Side side = sideOf(value, low_, high_);
        if (side == current_) return;
        if (current_ != Side::Within) close(time);
        current_ = side;
        start_ = time;
    }

    // The data ends at `last`; a running excursion lasts until `end`.
    ExcursionFigures finish(DateTime end) {
        if (current_ != Side::Within) close(end);
        current_ = Side::Within;
        return figures_;
    }

  private:
    void close(DateTime end) {
        const Excursion e{start_, end, wholeSeconds(start_, end)};
        (current_ == Side::Above ? figures_.secondsAboveHigh : figures_.secondsBelowLow) +=
            e.seconds;
        ++figures_.excursions;
        if (!figures_.longest || e.seconds > figures_.longest->seconds) figures_.longest = e;
    }

    float low_;
    float high_;
    Side current_ = Side::Within;
    DateTime start_ = 0;
    ExcursionFigures figures_;
};

}  // namespace

bool limitsApply(const ChannelRecord& record) {
    return record.alarmHigh > record.alarmLow;
}

std::optional<double> meanKineticTemperature(const std::vector<float>& celsius,
                                             std::size_t first, std::size_t count,
                                             double activationEnergy) {
    if (count == 0 || first > celsius.size() || count > celsius.size() - first) return {};
    if (!(std::isfinite(activationEnergy) && activationEnergy > 0)) return {};
    const double energyOverR = activationEnergy * 1000.0 / kGasConstant;  // K
    double hottest = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double kelvin = static_cast<double>(celsius[i]) + kZeroCelsiusKelvin;
        if (!(std::isfinite(kelvin) && kelvin > 0)) return {};
        hottest = std::max(hottest, kelvin);
    }
    // Every term exp(−ΔH/(R·Tᵢ)) is taken relative to the largest, that of the hottest
    // record: each then lies in (0, 1] and the sum in [1, n], so nothing overflows or
    // vanishes whatever the energy, and the common factor goes back in as a logarithm.
    const double largest = -energyOverR / hottest;
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double kelvin = static_cast<double>(celsius[i]) + kZeroCelsiusKelvin;
        sum += std::exp(-energyOverR / kelvin - largest);
    }
    const double logMean = largest + std::log(sum) - std::log(static_cast<double>(count));
    const double mkt = energyOverR / -logMean - kZeroCelsiusKelvin;
    if (!std::isfinite(mkt)) return {};
    return mkt;
}

ChannelSummary summarizeChannel(const ChannelRecord& record, std::int64_t from, std::int64_t to,
                                double activationEnergy) {
    ChannelSummary s;
    s.channel = record.channel;
    s.unit = trimTrailingBlanks(record.unitText);
    s.alarmLow = record.alarmLow;
    s.alarmHigh = record.alarmHigh;

    const auto n = static_cast<std::int64_t>(std::min(record.values.size(), record.times.size()));
    from = std::max<std::int64_t>(from, 1);
    to = std::min(to, n);
    const bool applies = limitsApply(record);
    if (from > to) {
        if (applies) s.limits = ExcursionFigures{};
        return s;
    }
    const auto first = static_cast<std::size_t>(from - 1);
    const auto count = static_cast<std::size_t>(to - from + 1);
    s.records = static_cast<std::int32_t>(count);

    float min = std::numeric_limits<float>::infinity();
    float max = -min;
    double sum = 0;
    ExcursionCounter counter(record.alarmLow, record.alarmHigh);
    for (std::size_t i = first; i < first + count; ++i) {
        const float v = record.values[i];
        min = std::min(min, v);  // a NaN never replaces a number here
        max = std::max(max, v);
        sum += v;
        if (applies) counter.add(v, record.times[i]);
    }
    if (min > max) min = max = std::numeric_limits<float>::quiet_NaN();  // nothing but NaN
    s.min = min;
    s.max = max;
    s.mean = sum / static_cast<double>(count);

    if (applies) {
        const std::size_t last = first + count - 1;
        const DateTime lastTime = record.times[last];
        const DateTime step = count > 1 ? lastTime - record.times[last - 1] : 0;
        s.limits = counter.finish(lastTime + std::max(step, 0.0));
    }
    if (s.unit == kCelsiusUnit) {
        s.mkt = meanKineticTemperature(record.values, first, count, activationEnergy);
    }
    return s;
}

std::vector<ChannelSummary> summarizeChannels(const std::vector<ChannelRecord>& channels,
                                              std::int64_t from, std::int64_t to,
                                              double activationEnergy) {
    std::vector<ChannelSummary> out;
    out.reserve(channels.size());
    for (const ChannelRecord& r : channels) {
        out.push_back(summarizeChannel(r, from, to, activationEnergy));
    }
    return out;
}

std::vector<ExcursionRun> excursionRuns(const ChannelRecord& record, std::int64_t from,
                                        std::int64_t to) {
    std::vector<ExcursionRun> runs;
    if (!limitsApply(record)) return runs;
    from = std::max<std::int64_t>(from, 1);
    to = std::min(to, static_cast<std::int64_t>(record.values.size()));
    Side current = Side::Within;
    for (std::int64_t k = from; k <= to; ++k) {
        const Side side =
            sideOf(record.values[static_cast<std::size_t>(k - 1)], record.alarmLow, record.alarmHigh);
        if (side == current) continue;
        if (current != Side::Within) runs.back().end = k;
        if (side != Side::Within) runs.push_back({k, to + 1, side == Side::Above});
        current = side;
    }
    return runs;
}

std::vector<ChannelSummary> summarizeView(const HistoryDocument& doc, double activationEnergy) {
    HistoryDocument viewOnly;  // the view arithmetic needs no samples
    viewOnly.view = doc.view;
    applyHomeViewWhenEmpty(viewOnly);
    return summarizeChannels(doc.channels, viewOnly.view.viewStart, viewOnly.view.viewEnd,
                             activationEnergy);
}

std::vector<std::string> summaryCells(const ChannelSummary& s) {
    const auto number = [](std::optional<double> v) {
        return v ? formatNumber(*v, NumberFormat::Fixed2) : std::string(kMissingFigure);
    };
    const auto whole = [&s](std::int64_t ExcursionFigures::*member) {
        return s.limits ? std::to_string((*s.limits).*member) : std::string(kMissingFigure);
    };
    const Excursion* longest = s.limits && s.limits->longest ? &*s.limits->longest : nullptr;
    const std::string missing(kMissingFigure);
    return {
        "通道" + std::to_string(s.channel),
        s.unit,
        std::to_string(s.records),
        number(s.min),
        number(s.max),
        number(s.mean),
        number(s.alarmLow),
        number(s.alarmHigh),
        whole(&ExcursionFigures::secondsAboveHigh),
        whole(&ExcursionFigures::secondsBelowLow),
        s.limits ? std::to_string(s.limits->excursions) : missing,
        longest ? generalDateText(longest->start) : missing,
        longest ? generalDateText(longest->end) : missing,
        longest ? std::to_string(longest->seconds) : missing,
        number(s.mkt),
    };
}

std::string excursionLine(const ChannelSummary& summary) {
    const std::vector<std::string> cells = summaryCells(summary);
    std::string line = cells[0];
    for (const std::size_t c : {8u, 9u, 10u}) {
        line += "   " + std::string(kSummaryColumns[c]) + ":" + cells[c];
    }
    return line;
}

std::optional<double> parseActivationEnergy(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc{} || ptr != end || text.empty()) return {};
    if (!(std::isfinite(value) && value > 0)) return {};
    return value;
}

std::string activationEnergyText(double activationEnergy) {
    // The shortest fixed text that reads back as the same number.
    char buffer[400];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, activationEnergy,
                                         std::chars_format::fixed);
    if (ec != std::errc{}) return {};
    return std::string(buffer, ptr);
}

double loadActivationEnergy(const SettingsStore& store) {
    const auto text = store.read(kActivationEnergySection, kActivationEnergyKey);
    if (!text) return kDefaultActivationEnergy;
    return parseActivationEnergy(*text).value_or(kDefaultActivationEnergy);
}

void storeActivationEnergy(SettingsStore& store, double activationEnergy) {
    store.write(kActivationEnergySection, kActivationEnergyKey,
                activationEnergyText(activationEnergy));
}

}  // namespace tarvo
