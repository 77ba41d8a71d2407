#pragma once
// What a quality report asks of a recorded channel: its figures over a range of
// records, the time it spent beyond its alarm limits, how often and how long it left
// them, and the mean kinetic temperature of a temperature channel.
//
// One computation serves the command line, the history window's summary tab, the
// printed report and the live window; it reads the channel record and changes nothing.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/settings.h"
#include "data/channel_record.h"

namespace tarvo {

// Activation energy of the mean kinetic temperature, kJ/mol, and the gas constant.
inline constexpr double kDefaultActivationEnergy = 83.144;
inline constexpr double kGasConstant = 8.314462618;  // J/(mol·K)
inline constexpr double kZeroCelsiusKelvin = 273.15;
// The unit whose channels have a mean kinetic temperature.
inline constexpr std::string_view kCelsiusUnit = "℃";

// One excursion: from its first record's time to the time it ended, whole seconds.
struct Excursion {
    DateTime start = 0;
    DateTime end = 0;
    std::int64_t seconds = 0;
    bool operator==(const Excursion&) const = default;
};

// The figures that depend on the alarm limits; they exist only for a channel whose
// high limit lies above its low limit.
struct ExcursionFigures {
    std::int64_t secondsAboveHigh = 0;
    std::int64_t secondsBelowLow = 0;
    std::int32_t excursions = 0;
    std::optional<Excursion> longest;  // none without an excursion
    bool operator==(const ExcursionFigures&) const = default;
};

struct ChannelSummary {
    std::int16_t channel = 0;
    std::string unit;          // the unit text without trailing blanks
    std::int32_t records = 0;  // records in the range
    // Over the records in the range; none when the range holds no record.
    std::optional<float> min;
    std::optional<float> max;
    std::optional<double> mean;
    float alarmLow = 0;  // the limits as the recording holds them
    float alarmHigh = 0;
    std::optional<ExcursionFigures> limits;  // none when the limits do not apply
    std::optional<double> mkt;               // ℃; none for other units
    bool operator==(const ChannelSummary&) const = default;
};

// True when the channel's limits apply: its high limit lies above its low limit (the
// logger keeps limits for a channel whose alarm is switched off, and they count).
bool limitsApply(const ChannelRecord& record);

// The figures of records `from`..`to` (1-based, as the chart's view counts them;
// `from` is raised to 1 and `to` lowered to the record count). The range is the data:
// an excursion still running at its last record lasts one more interval of the
// range's last two records (a range of one record: 0). `activationEnergy` in kJ/mol.
//
// An excursion is a run of consecutive records above the high limit, or below the low
// limit; it ends at the first record that is not beyond the same limit. The longest is
// the first of the longest. Times that run backwards count 0, never negative.
//
// MKT = (ΔH/R) / (−ln(Σ exp(−ΔH/(R·Tᵢ)) / n)) − 273.15 with Tᵢ = value + 273.15 K, for
// channels in ℃ with at least one record; none when a value is not a finite
// temperature above absolute zero or the energy is not a positive number.
ChannelSummary summarizeChannel(const ChannelRecord& record, std::int64_t from, std::int64_t to,
                                double activationEnergy = kDefaultActivationEnergy);

// Every channel of a document over the same range, in the document's order.
std::vector<ChannelSummary> summarizeChannels(const std::vector<ChannelRecord>& channels,
                                              std::int64_t from, std::int64_t to,
                                              double activationEnergy = kDefaultActivationEnergy);

// The excursions of records `from`..`to` (clamped as above) by record number: records
// first..end−1 lie beyond the limit, `end` being the first record after them, or to + 1
// when the excursion runs to the end of the range. None when the limits do not apply.
struct ExcursionRun {
    std::int64_t first = 0;
    std::int64_t end = 0;
    bool above = false;  // above the high limit, else below the low limit
    bool operator==(const ExcursionRun&) const = default;
};
std::vector<ExcursionRun> excursionRuns(const ChannelRecord& record, std::int64_t from,
                                        std::int64_t to);

// Every channel of a history document over the records its chart shows (a fresh view,
// still all 0, stands for the home view): what the window's summary tab and the printed
// report show.
class HistoryDocument;
std::vector<ChannelSummary> summarizeView(const HistoryDocument& doc,
                                          double activationEnergy = kDefaultActivationEnergy);

// The mean kinetic temperature of a series of temperatures in ℃, as above.
std::optional<double> meanKineticTemperature(const std::vector<float>& celsius,
                                             std::size_t first, std::size_t count,
                                             double activationEnergy);

// The figures as text, one cell per column of kSummaryColumns: the channel as the
// channel list names it (通道3), numbers "#0.00", counts and durations (whole seconds)
// in decimal, times as general date text, and "-" for a figure that does not exist.
inline constexpr std::array<std::string_view, 15> kSummaryColumns{
    "通道",         "单位",         "记录数",       "最小值",         "最大值",
    "平均值",       "报警下限",     "报警上限",     "超上限时间(秒)", "低于下限时间(秒)",
    "超限次数",     "最长超限开始", "最长超限结束", "最长超限时长(秒)", "平均动力学温度",
};
inline constexpr std::string_view kMissingFigure = "-";
// The label of the activation energy where it is shown or edited (kJ/mol).
inline constexpr std::string_view kActivationEnergyLabel = "活化能";
std::vector<std::string> summaryCells(const ChannelSummary& summary);
// The excursion cells in one line, as the live window shows them so far:
// "通道0   超上限时间(秒):120   低于下限时间(秒):0   超限次数:2".
std::string excursionLine(const ChannelSummary& summary);

// The activation energy is held in the settings store as text, kJ/mol.
inline constexpr std::string_view kActivationEnergySection = "ProgramSetting";
inline constexpr std::string_view kActivationEnergyKey = "ActivationEnergy";
// Reads an energy typed by a person or held in the store: a positive finite decimal
// number (a decimal point, no exponent); anything else is none.
std::optional<double> parseActivationEnergy(std::string_view text);
// The energy as it is written to the store and shown for editing: the shortest
// decimal that reads back as the same number ("83.144").
std::string activationEnergyText(double activationEnergy);
// The stored energy, or the default when the store holds none or an unreadable text.
double loadActivationEnergy(const SettingsStore& store);
void storeActivationEnergy(SettingsStore& store, double activationEnergy);

}  // namespace tarvo
