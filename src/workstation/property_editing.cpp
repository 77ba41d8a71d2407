#include "workstation/property_editing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "core/utf8.h"
#include "data/history_document.h"

namespace tarvo {

namespace {

constexpr std::string_view kUserNameKey = "用户名";
constexpr std::string_view kTitleKey = "标题";
constexpr std::string_view kClockKey = "记录仪时钟";
constexpr std::string_view kTimedStopKey = "定时停机时间";
constexpr std::string_view kTimedStartKey = "定时启动时间";
constexpr std::string_view kIntervalKey = "间隔时间";
constexpr std::string_view kDelayKey = "启动延时";
constexpr std::string_view kStartModeKey = "启动方式";
constexpr std::string_view kStopModeKey = "停止方式";
constexpr std::string_view kPowerModeKey = "功耗模式";
constexpr std::string_view kStopCountKey = "停止次数";
constexpr std::string_view kAlarmLowPrefix = "通道报警下限";
constexpr std::string_view kAlarmHighPrefix = "通道报警上限";
constexpr std::string_view kAlarmChannelsKey = "报警通道";
constexpr std::string_view kStartTimeKey = "记录仪启动时间";
constexpr std::string_view kExpectedStopKey = "预计停止时间";

// The user name and title go into 16 bytes of UTF-16 on the logger.
constexpr int kTextBoxLength = 8;

constexpr std::array<std::string_view, 4> kStartModeItems = {"立即启动", "延时启动", "定时启动",
                                                             "手动启动"};
constexpr std::string_view kStoppedText = "立即停止";
constexpr std::array<std::string_view, 2> kPowerModeItems = {"正常模式", "省电模式"};

constexpr std::string_view kAlarmNodeText = "打开报警通道";
constexpr std::string_view kAlarmNodeKeySuffix = "报警通道";

// A timed start may lie at most this many days ahead.
constexpr double kTimedStartLimitDays = 9;
constexpr long long kMinimumInterval = 2;
constexpr long long kMinimumSavingInterval = 10;

DateTime pickerMinimum() {
    return makeDateTime(2000, 1, 1);
}
DateTime pickerMaximum() {
    return makeDateTime(3000, 12, 31, 23, 59, 59);
}
DateTime longestDuration() {
    return makeDuration(23, 59, 59);
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The channel of a per-channel key: `prefix` followed by one digit 0..7.
int channelOfKey(std::string_view key, std::string_view prefix) {
    if (!startsWith(key, prefix) || key.size() != prefix.size() + 1) return -1;
    const char c = key.back();
    return (c >= '0' && c <= '7') ? c - '0' : -1;
}

bool noTimedStopOffered(const LoggerParameters& p) {
    const int type = p.deviceType();
    return type == kDeviceNoPowerMode || type == kDeviceNoTimedStop || type == kDeviceSingleAnswer;
}

bool mayEditProtected(const Viewer& v) {
    return v.loggedIn && v.level >= 10;
}

// The text cut to `maxUnits` UTF-16 code units (never inside a character); text that
// is not valid UTF-8 is cut byte by byte.
std::string cutText(std::string_view text, int maxUnits) {
    if (maxUnits <= 0) return std::string(text);
    const auto chars = utf8Characters(text);
    if (!chars) return std::string(text.substr(0, static_cast<std::size_t>(maxUnits)));
    std::string out;
    int units = 0;
    for (auto c : *chars) {
        units += utf16Units(c);
        if (units > maxUnits) break;
        out += c;
    }
    return out;
}

// The last `n` characters of a text.
std::string lastCharacters(std::string_view text, std::size_t n) {
    const auto chars = utf8Characters(text);
    if (!chars) return std::string(text);
    std::string out;
    const std::size_t from = chars->size() > n ? chars->size() - n : 0;
    for (std::size_t i = from; i < chars->size(); ++i) out += (*chars)[i];
    return out;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A decimal number rounded to the nearest whole number with halves to even ("2.5" is
// 2, "3.5" is 4). Nothing for an empty text, a non-number or a number outside
// low..high.
std::optional<long> toWholeNumber(std::string_view text, long low, long high) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(fraction)) return std::nullopt;
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
    if (whole.size() > 6) return std::nullopt;
    long value = 0;
    for (char c : whole) value = value * 10 + (c - '0');
    if (!fraction.empty()) {
        const bool rest =
            std::any_of(fraction.begin() + 1, fraction.end(), [](char c) { return c != '0'; });
        const int first = fraction.front() - '0';
        if (first > 5 || (first == 5 && (rest || value % 2 == 1))) ++value;
    }
    if (negative) value = -value;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// Alarm limits are signed 16-bit members.
std::optional<std::int16_t> toInt16(std::string_view text) {
    const auto v = toWholeNumber(text, std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max());
    if (!v) return std::nullopt;
    return static_cast<std::int16_t>(*v);
}

// The stop count is an unsigned 16-bit member.
std::optional<std::uint16_t> toStopCount(std::string_view text) {
    const auto v = toWholeNumber(text, 0, std::numeric_limits<std::uint16_t>::max());
    if (!v) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

// A strict integer for the command line.
std::optional<long> toInteger(std::string_view text, long low, long high) {
    long v = 0;
    const auto* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

PropertyRow* findRow(std::vector<PropertyRow>& rows, std::string_view key) {
    auto it =
        std::find_if(rows.begin(), rows.end(), [&](const PropertyRow& r) { return r.key == key; });
    return it == rows.end() ? nullptr : &*it;
}

// Appends a row (key and label alike) when the list does not hold it yet.
void ensureRow(std::vector<PropertyRow>& rows, std::string_view key, bool bold = false) {
    if (findRow(rows, key)) return;
    PropertyRow row;
    row.key = std::string(key);
    row.label = std::string(key);
    row.bold = bold;
    rows.push_back(std::move(row));
}

void removeRow(std::vector<PropertyRow>& rows, std::string_view key) {
    std::erase_if(rows, [&](const PropertyRow& r) { return r.key == key; });
}

// The hours, minutes and seconds of a picker's value as a duration on day 0.
DateTime durationOf(DateTime value) {
    const CivilTime c = toCivil(value);
    return makeDuration(c.hour, c.minute, c.second);
}

std::int32_t secondsOf(DateTime duration) {
    return static_cast<std::int32_t>(totalSeconds(duration));
}

Message refusal(std::string_view text, std::string_view title) {
    return Message{std::string(text), std::string(title), MessageIcon::None, MessageButtons::Ok};
}

CommitResult refused(std::optional<Message> message = std::nullopt) {
    return CommitResult{false, std::move(message)};
}

// The logger clock row on a logger of type 253: listed while a timed start or stop is
// configured, editable for level 10 and above.
void showClockRow(EditSession& s) {
    ensureRow(s.rows, kClockKey, true);
    setRowValue(s.rows, kClockKey, dateTimeText(s.loggerParams.loggerClock));
    setRowEditable(s.rows, kClockKey, mayEditProtected(s.viewer));
}

// Which rows the new start mode makes editable, adds or removes.
void startModeRows(EditSession& s) {
    LoggerParameters& p = s.loggerParams;
    const bool type253 = p.deviceType() == kDeviceClockWhenTimed;
    switch (p.startMode) {
        case kStartDelayed:
            setRowEditable(s.rows, kTimedStartKey, false);
            setRowEditable(s.rows, kDelayKey, true);
            break;
        case kStartTimed:
            if (type253) showClockRow(s);
            ensureRow(s.rows, kTimedStartKey);
            setRowValue(s.rows, kTimedStartKey, dateTimeText(p.timedStartTime));
            setRowEditable(s.rows, kTimedStartKey, true);
            setRowEditable(s.rows, kDelayKey, false);
            break;
        default:
            setRowEditable(s.rows, kTimedStartKey, false);
            setRowEditable(s.rows, kDelayKey, false);
            break;
    }
    if (type253 && p.startMode != kStartTimed) {
        removeRow(s.rows, kTimedStartKey);
        // The clock row stays while a timed stop still needs the logger's clock.
        if (!(p.stopMode & kStopTimed)) removeRow(s.rows, kClockKey);
    }
}

void recomputeStartTime(EditSession& s) {
    recomputeStopTimes(s, StopStep::StartTime, StopStep::StartTime);
}

DateTime countStopTime(const LoggerParameters& p) {
    return p.loggerStartTime + p.stopCount * p.interval;
}

CommitResult commitText(EditSession& s, const PropertyEditor& e) {
    const std::string text = cutText(e.text, e.maxLength > 0 ? e.maxLength : kTextBoxLength);
    const bool isUser = e.key == kUserNameKey;
    setRowValue(s.rows, e.key, text);
    if (s.fileView) {
        (isUser ? s.fileParams.userName : s.fileParams.title) = text;
        if (s.activeHistory) reName(*s.activeHistory, s.fileParams.userName, s.fileParams.title);
    } else {
        (isUser ? s.loggerParams.userName : s.loggerParams.title) = text;
    }
    return {};
}

CommitResult commitClock(EditSession& s, const PropertyEditor& e) {
    setRowValue(s.rows, e.key, dateTimeText(e.time));
    s.loggerParams.loggerClock = e.time;
    return {};
}

CommitResult commitTimedStop(EditSession& s, const PropertyEditor& e) {
    const DateTime value = std::max(e.time, s.now);
    setRowValue(s.rows, e.key, dateTimeText(value));
    recomputeStartTime(s);
    s.loggerParams.timedStopTime = value;
    recomputeStopTimes(s, StopStep::FirstStop);
    return {};
}

CommitResult commitTimedStart(EditSession& s, const PropertyEditor& e) {
    const DateTime value = std::max(e.time, s.now);
    if (value > s.now + kTimedStartLimitDays) {
        return refused(refusal(kTimedStartTooLate, {}));
    }
    LoggerParameters& p = s.loggerParams;
    setRowValue(s.rows, e.key, dateTimeText(value));
    p.timedStartTime = value;
    p.loggerStartTime = value;
    setRowValue(s.rows, kStartTimeKey, dateTimeText(p.loggerStartTime));
    recomputeStopTimes(s, StopStep::CountStop);
    return {};
}

CommitResult commitInterval(EditSession& s, const PropertyEditor& e) {
    LoggerParameters& p = s.loggerParams;
    const DateTime value = durationOf(e.time);
    const long long seconds = totalSeconds(value);
    if (p.deviceType() == kDeviceNoPowerMode) {
        if (seconds < kMinimumInterval)
            return refused(refusal(kIntervalTooShort, kInputErrorTitle));
    } else if (p.powerMode & kPowerSaving) {
        if (seconds < kMinimumSavingInterval) {
            return refused(refusal(kSavingIntervalTooShort, kInputErrorTitle));
        }
    } else if (seconds < kMinimumInterval) {
        return refused(refusal(kIntervalTooShort, kInputErrorTitle));
    }
    const CivilTime c = toCivil(value);
    p.interval = value;
    p.intervalTotalSeconds = c.hour * 3600 + c.minute * 60 + c.second;
    p.intervalHours = static_cast<std::int16_t>(c.hour);
    p.intervalMinutes = static_cast<std::int16_t>(c.minute);
    p.intervalSeconds = static_cast<std::int16_t>(c.second);
    setRowValue(s.rows, e.key, dateTimeText(value));
    recomputeStopTimes(s);
    return {};
}

CommitResult commitDelay(EditSession& s, const PropertyEditor& e) {
    LoggerParameters& p = s.loggerParams;
    const DateTime value = durationOf(e.time);
    const CivilTime c = toCivil(value);
    setRowValue(s.rows, e.key, dateTimeText(value));
    p.startDelay = value;
    p.delayHours = static_cast<std::int16_t>(c.hour);
    p.delayMinutes = static_cast<std::int16_t>(c.minute);
    p.delaySeconds = static_cast<std::int16_t>(c.second);
    p.loggerStartTime = s.now + p.startDelay;
    setRowValue(s.rows, kStartTimeKey, dateTimeText(p.loggerStartTime));
    recomputeStopTimes(s, StopStep::CountStop);
    return {};
}

CommitResult commitStartMode(EditSession& s, const PropertyEditor& e) {
    // Leaving the list without a choice changes nothing.
    if (e.selected < 0 || e.selected >= static_cast<int>(kStartModeItems.size())) return refused();
    setRowValue(s.rows, e.key, std::string(kStartModeItems[static_cast<std::size_t>(e.selected)]));
    s.loggerParams.startMode = static_cast<std::int16_t>(e.selected + 1);
    startModeRows(s);
    recomputeStopTimes(s);
    return {};
}

CommitResult commitStopMode(EditSession& s, const PropertyEditor& e) {
    LoggerParameters& p = s.loggerParams;
    std::int16_t mode = 0;
    for (const auto& node : e.nodes) {
        if (!node.checked) continue;
        for (const auto& stop : kStopConditions) {
            if (node.key == stop.text) mode = static_cast<std::int16_t>(mode | stop.bit);
        }
    }
    p.stopMode = mode;
    const bool type253 = p.deviceType() == kDeviceClockWhenTimed;
    if (mode & kStopTimed) {
        if (type253) showClockRow(s);
        ensureRow(s.rows, kTimedStopKey);
        setRowValue(s.rows, kTimedStopKey, dateTimeText(p.timedStopTime));
        setRowEditable(s.rows, kTimedStopKey, true);
    } else if (type253) {
        // The clock row stays while a timed start still needs the logger's clock.
        if (p.startMode != kStartTimed) removeRow(s.rows, kClockKey);
        removeRow(s.rows, kTimedStopKey);
    } else {
        setRowEditable(s.rows, kTimedStopKey, false);
    }
    setRowEditable(s.rows, kStopCountKey, (mode & kStopByCount) != 0);
    recomputeStopTimes(s);
    return {};
}

CommitResult commitPowerMode(EditSession& s, const PropertyEditor& e) {
    if (e.selected < 0 || e.selected >= static_cast<int>(kPowerModeItems.size())) return refused();
    LoggerParameters& p = s.loggerParams;
    setRowValue(s.rows, e.key, std::string(kPowerModeItems[static_cast<std::size_t>(e.selected)]));
    p.powerMode = e.selected == 0 ? std::int16_t{kPowerNormal} : std::int16_t{kPowerSaving};
    if (p.powerMode == kPowerNormal && totalSeconds(p.interval) < kMinimumInterval) {
        p.interval = makeDuration(0, 0, static_cast<int>(kMinimumInterval));
        p.intervalTotalSeconds = secondsOf(p.interval);
        // The logger is sent the components: they follow the raised interval.
        p.intervalHours = 0;
        p.intervalMinutes = 0;
        p.intervalSeconds = static_cast<std::int16_t>(kMinimumInterval);
        setRowValue(s.rows, kIntervalKey, dateTimeText(p.interval));
    }
    return {};
}

CommitResult commitStopCount(EditSession& s, const PropertyEditor& e) {
    const std::string_view text = trimBlanks(e.text);
    const auto count = toStopCount(text.empty() ? std::string_view("0") : text);
    if (!count) return refused();
    LoggerParameters& p = s.loggerParams;
    setRowValue(s.rows, e.key, std::to_string(*count));
    recomputeStartTime(s);
    p.stopCount = *count;
    // The count stop follows the count even while the logger does not stop by count.
    p.countStopTime = countStopTime(p);
    recomputeStopTimes(s, StopStep::FirstStop);
    return {};
}

CommitResult commitAlarmLimit(EditSession& s, const PropertyEditor& e, bool low) {
    const std::string_view text = trimBlanks(e.text);
    const auto limit = toInt16(text.empty() || text == "-" ? std::string_view("0") : text);
    if (!limit || e.channel < 0 || e.channel >= kChannelCount) return refused();
    // The limit goes into the record the list shows.
    LoggerParameters& p = s.fileView ? s.fileParams : s.loggerParams;
    setRowValue(s.rows, e.key, std::to_string(*limit));
    (low ? p.alarmLow : p.alarmHigh)[static_cast<std::size_t>(e.channel)] = *limit;
    return {};
}

CommitResult commitAlarmLow(EditSession& s, const PropertyEditor& e) {
    return commitAlarmLimit(s, e, true);
}
CommitResult commitAlarmHigh(EditSession& s, const PropertyEditor& e) {
    return commitAlarmLimit(s, e, false);
}

CommitResult commitAlarmChannels(EditSession& s, const PropertyEditor& e) {
    int mask = 0;
    for (const auto& node : e.nodes) {
        int channel = -1;
        const auto r = std::from_chars(node.key.data(), node.key.data() + node.key.size(), channel);
        if (r.ec != std::errc() || channel < 0 || channel >= kChannelCount) continue;
        if (node.checked) mask |= 1 << channel;
        for (auto prefix : {kAlarmLowPrefix, kAlarmHighPrefix}) {
            PropertyRow* row = findRow(s.rows, std::string(prefix) + std::to_string(channel));
            if (!row) continue;
            row->readOnly = !node.checked;
            if (node.checked) {
                row->valueColour.reset();
            } else {
                row->valueColour = kAlarmDimmedColour;
            }
        }
    }
    s.loggerParams.alarmChannels = static_cast<std::int16_t>(mask);
    setRowValue(s.rows, e.key, channelMaskText(s.loggerParams.alarmChannels));
    return {};
}

}  // namespace

bool setRowValue(std::vector<PropertyRow>& rows, std::string_view key, std::string text) {
    PropertyRow* row = findRow(rows, key);
    if (!row) return false;
    row->value = std::move(text);
    return true;
}

bool setRowEditable(std::vector<PropertyRow>& rows, std::string_view key, bool editable) {
    PropertyRow* row = findRow(rows, key);
    if (!row) return false;
    row->readOnly = !editable;
    return true;
}

namespace {

// ---- presetting an editor from its row ----------------------------------------

void presetPicker(PropertyEditor& e, const std::string& cellText, DateTime now, DateTime low,
                  DateTime high, bool notBeforeNow) {
    e.format =
        std::string(e.kind == EditorKind::TimePicker ? kTimePickerFormat : kDateTimePickerFormat);
    e.minimum = low;
    e.maximum = high;
    DateTime value = parseGeneralDate(cellText).value_or(now);
    if (notBeforeNow && value < now) value = now;
    e.time = std::clamp(value, low, high);
}

void presetText(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                DateTime) {
    e.maxLength = kTextBoxLength;
    e.text = cellText;
}

void presetNumber(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                  DateTime) {
    e.text = cellText;
}

void presetClock(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                 DateTime now) {
    presetPicker(e, cellText, now, pickerMinimum(), pickerMaximum(), false);
}

// A timed start or stop is never preset before now.
void presetTimedMoment(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                       DateTime now) {
    presetPicker(e, cellText, now, pickerMinimum(), pickerMaximum(), true);
}

void presetInterval(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                    DateTime now) {
    presetPicker(e, cellText, now, makeDuration(0, 0, 2), longestDuration(), false);
}

void presetDelay(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                 DateTime now) {
    presetPicker(e, cellText, now, 0, longestDuration(), false);
}

void presetStartMode(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                     DateTime) {
    e.items.assign(kStartModeItems.begin(), kStartModeItems.end());
    const auto it = std::find(kStartModeItems.begin(), kStartModeItems.end(), cellText);
    if (it != kStartModeItems.end()) {
        e.selected = static_cast<int>(it - kStartModeItems.begin());
    } else if (cellText == kStoppedText) {
        e.selected = 0;
    }
}

void presetStopMode(PropertyEditor& e, const std::string&, const LoggerParameters& p, DateTime) {
    e.singleChoice = true;
    for (const auto& stop : kStopConditions) {
        if (stop.bit == kStopTimed && noTimedStopOffered(p)) continue;
        const bool checked = p.stopMode == 0 ? stop.bit == kStopFifo
                                             : stop.bit != kStopFifo && (p.stopMode & stop.bit);
        e.nodes.push_back({std::string(stop.text), std::string(stop.text), checked});
    }
}

void presetPowerMode(PropertyEditor& e, const std::string& cellText, const LoggerParameters&,
                     DateTime) {
    e.items.assign(kPowerModeItems.begin(), kPowerModeItems.end());
    const std::string tail = lastCharacters(cellText, 4);
    const auto it = std::find(kPowerModeItems.begin(), kPowerModeItems.end(), tail);
    if (it != kPowerModeItems.end()) e.selected = static_cast<int>(it - kPowerModeItems.begin());
}

void presetAlarmChannels(PropertyEditor& e, const std::string&, const LoggerParameters& p,
                         DateTime) {
    for (int i = 0; i < kChannelCount; ++i) {
        if (!p.channelStarted(i)) continue;
        e.nodes.push_back({std::to_string(i) + std::string(kAlarmNodeKeySuffix),
                           std::string(kAlarmNodeText) + std::to_string(i), p.alarmEnabled(i)});
    }
}

// ---- the command line's values, read into a preset editor --------------------

SetEditResult usage(std::string_view name, std::string_view what) {
    return {SetEditStatus::UsageError, "--set " + std::string(name) + ": " + std::string(what)};
}

SetEditResult refusedEdit(std::string text) {
    return {SetEditStatus::Refused, std::move(text)};
}

// Checks the nodes that make up `bits`; false when a bit has no node on this logger.
bool checkNodes(PropertyEditor& e, long bits, const std::vector<std::string>& keyOfBit) {
    for (auto& node : e.nodes) node.checked = false;
    for (std::size_t b = 0; b < keyOfBit.size(); ++b) {
        if (!(bits & (1L << b))) continue;
        auto it = std::find_if(e.nodes.begin(), e.nodes.end(),
                               [&](const CheckNode& n) { return n.key == keyOfBit[b]; });
        if (it == e.nodes.end()) return false;
        it->checked = true;
    }
    return true;
}

SetEditResult readText(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto chars = utf8Characters(value);
    if (!chars) return usage(name, "not a valid UTF-8 text");
    int units = 0;
    for (auto c : *chars) units += utf16Units(c);
    if (units > e.maxLength) {
        return usage(name, "at most " + std::to_string(e.maxLength) + " characters");
    }
    e.text = std::string(value);
    return {};
}

SetEditResult readDateTime(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto t = parseIsoDateTime(value);
    if (!t) return usage(name, "expected \"YYYY-MM-DD HH:MM:SS\"");
    e.time = *t;
    return {};
}

SetEditResult readDuration(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto t = parseDuration(value);
    if (!t) return usage(name, "expected \"HH:MM:SS\"");
    e.time = *t;
    return {};
}

SetEditResult readNumber(PropertyEditor& e, std::string_view name, std::string_view value) {
    const std::string text = numberBoxText(e, value, {});
    if (text.empty() || text == "-") return usage(name, "expected a 16-bit integer");
    e.text = text;
    return {};
}

SetEditResult readStartMode(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto mode = toInteger(value, kStartImmediately, kStartManual);
    if (!mode) return usage(name, "expected 1..4");
    e.selected = static_cast<int>(*mode) - 1;
    return {};
}

SetEditResult readPowerMode(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto mode = toInteger(value, 0, kPowerSaving);
    if (!mode || (*mode != kPowerNormal && *mode != kPowerSaving)) {
        return usage(name, "expected 0 or 128");
    }
    e.selected = *mode == kPowerNormal ? 0 : 1;
    return {};
}

SetEditResult readStopMode(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto bits = toInteger(value, 0, 7);
    if (!bits) return usage(name, "expected a bit sum 0..7");
    // Bit b of the sum is the node of the condition with bit value 1 << b.
    std::vector<std::string> keys;
    for (int b = 0; b < 3; ++b) {
        for (const auto& stop : kStopConditions) {
            if (stop.bit == (1 << b)) keys.emplace_back(stop.text);
        }
    }
    if (!checkNodes(e, *bits, keys)) {
        return refusedEdit(std::string(name) + ": this logger offers no timed stop");
    }
    if (*bits == 0) e.nodes.front().checked = true;  // first in first out
    return {};
}

SetEditResult readAlarmChannels(PropertyEditor& e, std::string_view name, std::string_view value) {
    const auto bits = toInteger(value, 0, 255);
    if (!bits) return usage(name, "expected a channel mask 0..255");
    std::vector<std::string> keys;
    for (int i = 0; i < kChannelCount; ++i) {
        keys.push_back(std::to_string(i) + std::string(kAlarmNodeKeySuffix));
    }
    if (!checkNodes(e, *bits, keys)) {
        return refusedEdit(std::string(name) + ": alarms only on started channels");
    }
    return {};
}

// ---- the editable rows ---------------------------------------------------------

// One editable row: its key, its editor (kind, control, how it is preset from the row),
// how leaving the editor commits it, and the name and value form of the command line's
// `--set`. A per-channel row has the key `key` followed by the channel digit and the
// command-line name `setName[i]`.
struct EditableRow {
    std::string_view key;
    bool perChannel;
    EditorKind kind;
    std::string_view control;
    void (*preset)(PropertyEditor&, const std::string& cellText, const LoggerParameters&,
                   DateTime now);
    CommitResult (*commit)(EditSession&, const PropertyEditor&);
    std::string_view setName;
    SetEditResult (*read)(PropertyEditor&, std::string_view name, std::string_view value);
};

using K = EditorKind;
constexpr std::array<EditableRow, 14> kEditableRows = {{
    {kUserNameKey, false, K::TextBox, "Text用户名", presetText, commitText, "userName", readText},
    {kTitleKey, false, K::TextBox, "Text标题", presetText, commitText, "title", readText},
    {kClockKey, false, K::DateTimePicker, "DT记录仪时钟", presetClock, commitClock, "loggerClock",
     readDateTime},
    {kTimedStopKey, false, K::DateTimePicker, "DT定时停机时间", presetTimedMoment,
     commitTimedStop, "timedStopTime", readDateTime},
    {kTimedStartKey, false, K::DateTimePicker, "DT定时启动时间", presetTimedMoment,
     commitTimedStart, "timedStartTime", readDateTime},
    {kIntervalKey, false, K::TimePicker, "DT间隔时间", presetInterval, commitInterval, "interval",
     readDuration},
    {kDelayKey, false, K::TimePicker, "DT启动延时", presetDelay, commitDelay, "startDelay",
     readDuration},
    {kStartModeKey, false, K::DropDown, "Combo启动方式", presetStartMode, commitStartMode,
     "startMode", readStartMode},
    {kStopModeKey, false, K::CheckTree, "Tree停止方式", presetStopMode, commitStopMode,
     "stopMode", readStopMode},
    {kPowerModeKey, false, K::DropDown, "Combo功耗模式", presetPowerMode, commitPowerMode,
     "powerMode", readPowerMode},
    {kStopCountKey, false, K::NumberBox, "Text停止次数", presetNumber, commitStopCount,
     "stopCount", readNumber},
    {kAlarmLowPrefix, true, K::NumberBox, "Text报警下限", presetNumber, commitAlarmLow,
     "alarmLow", readNumber},
    {kAlarmHighPrefix, true, K::NumberBox, "Text报警上限", presetNumber, commitAlarmHigh,
     "alarmHigh", readNumber},
    {kAlarmChannelsKey, false, K::CheckTree, "Tree报警通道", presetAlarmChannels,
     commitAlarmChannels, "alarmChannels", readAlarmChannels},
}};

struct RowMatch {
    const EditableRow* row = nullptr;
    int channel = -1;
};

RowMatch editableRow(std::string_view key) {
    for (const auto& row : kEditableRows) {
        if (!row.perChannel && key == row.key) return {&row, -1};
        if (row.perChannel) {
            if (const int channel = channelOfKey(key, row.key); channel >= 0) return {&row, channel};
        }
    }
    return {};
}

// "alarmLow[3]" → 3, or -1.
int indexedName(std::string_view name, std::string_view stem) {
    if (!startsWith(name, stem) || name.size() != stem.size() + 3) return -1;
    if (name[stem.size()] != '[' || name.back() != ']') return -1;
    const char c = name[stem.size() + 1];
    return (c >= '0' && c <= '7') ? c - '0' : -1;
}

// The row key a command-line name stands for.
std::optional<std::string> keyOfName(std::string_view name) {
    for (const auto& row : kEditableRows) {
        if (!row.perChannel && name == row.setName) return std::string(row.key);
        if (row.perChannel) {
            if (const int i = indexedName(name, row.setName); i >= 0) {
                return std::string(row.key) + std::to_string(i);
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PropertyEditor> editorForKey(const std::string& key, const std::string& cellText,
                                           const LoggerParameters& p, DateTime now) {
    const RowMatch match = editableRow(key);
    if (!match.row) return std::nullopt;
    PropertyEditor e;
    e.key = key;
    e.kind = match.row->kind;
    e.control = std::string(match.row->control);
    e.channel = match.channel;
    match.row->preset(e, cellText, p, now);
    return e;
}

std::optional<PropertyEditor> openEditor(const EditSession& s, int rowIndex) {
    if (s.rows.empty() || rowIndex < 0 || rowIndex >= static_cast<int>(s.rows.size())) {
        return std::nullopt;
    }
    const PropertyRow& row = s.rows[static_cast<std::size_t>(rowIndex)];
    if (row.key.empty() || row.readOnly) return std::nullopt;
    auto editor = editorForKey(row.key, row.value, s.loggerParams, s.now);
    if (editor) editor->row = rowIndex;
    return editor;
}

std::string numberBoxText(const PropertyEditor& e, std::string_view typed,
                          std::string_view lastGoodText) {
    const bool alarm = e.key != kStopCountKey;
    if (alarm && typed == "-") return std::string(typed);
    // A count typed negative is taken as 1 below, like 0.
    const auto value = alarm ? toWholeNumber(typed, std::numeric_limits<std::int16_t>::min(),
                                             std::numeric_limits<std::int16_t>::max())
                             : toWholeNumber(typed, std::numeric_limits<std::int16_t>::min(),
                                             std::numeric_limits<std::uint16_t>::max());
    if (!value) return std::string(lastGoodText);
    if (!alarm && *value <= 0) return "1";
    return std::to_string(*value);
}

void checkTreeNode(PropertyEditor& e, int index) {
    if (index < 0 || index >= static_cast<int>(e.nodes.size())) return;
    if (e.singleChoice) {
        for (auto& node : e.nodes) node.checked = false;
    }
    e.nodes[static_cast<std::size_t>(index)].checked = true;
}

CommitResult commitEditor(EditSession& s, const PropertyEditor& e) {
    const RowMatch match = editableRow(e.key);
    if (!match.row) return refused();
    return match.row->commit(s, e);
}

void recomputeStopTimes(EditSession& s, StopStep first, StopStep last) {
    LoggerParameters& p = s.loggerParams;
    auto runs = [&](StopStep step) { return first <= step && step <= last; };
    if (runs(StopStep::StartTime)) {
        if (p.startMode == kStartDelayed) {
            p.loggerStartTime = s.now + p.startDelay;
        } else if (p.startMode == kStartTimed) {
            p.loggerStartTime = p.timedStartTime;
        } else {
            p.loggerStartTime = s.now;
        }
        setRowValue(s.rows, kStartTimeKey, dateTimeText(p.loggerStartTime));
    }
    if (runs(StopStep::CountStop) && (p.stopMode & kStopByCount)) {
        p.countStopTime = countStopTime(p);
    }
    if (runs(StopStep::FullStop) && (p.stopMode & kStopMemoryFull)) {
        p.fullStopTime = p.loggerStartTime + p.totalSpace * p.interval;
    }
    if (!runs(StopStep::FirstStop)) return;
    // The configured stop that comes first; on a tie the lower bit wins, and a best
    // of 0 counts as none yet.
    DateTime best = 0;
    std::int16_t effective = 0;
    const std::array<std::pair<std::int16_t, DateTime>, 3> candidates = {
        {{kStopMemoryFull, p.fullStopTime},
         {kStopByCount, p.countStopTime},
         {kStopTimed, p.timedStopTime}}};
    for (const auto& [bit, time] : candidates) {
        if (!(p.stopMode & bit)) continue;
        if (best == 0 || time < best) {
            best = time;
            effective = bit;
        }
    }
    if (runs(StopStep::ExpectedStop)) {
        p.expectedStopTime = best;
        setRowValue(s.rows, kExpectedStopKey, dateTimeText(p.expectedStopTime));
    }
    if (runs(StopStep::StopModeRow)) setRowValue(s.rows, kStopModeKey, stopModeText(effective));
}

// ---- the command line's edits ------------------------------------------------

SetEditResult applySetEdit(LoggerParameters& params, std::string_view name, std::string_view value,
                           DateTime now) {
    const auto key = keyOfName(name);
    if (!key) return usage(name, "not a parameter that can be set");
    auto editor = editorForKey(*key, {}, params, now);
    if (!editor) return usage(name, "not a parameter that can be set");
    PropertyEditor& e = *editor;
    if (SetEditResult read = editableRow(*key).row->read(e, name, value);
        read.status != SetEditStatus::Applied) {
        return read;
    }

    const std::string nameText(name);
    const Viewer administrator{true, 255};
    if (rowReadOnly(*key, params, administrator)) {
        return refusedEdit(nameText + ": the row " + *key + " is read-only now");
    }

    std::vector<PropertyRow> rows;
    LoggerParameters unusedFileParams;
    EditSession session{params, unusedFileParams, rows, false, administrator, now, nullptr};
    const CommitResult result = commitEditor(session, e);
    if (result.message) return refusedEdit(result.message->text);
    if (!result.applied) return refusedEdit(nameText + ": not taken");
    return {};
}

}  // namespace tarvo
