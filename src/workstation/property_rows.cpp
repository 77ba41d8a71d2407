#include "workstation/property_rows.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "core/text_format.h"

namespace tarvo {

namespace {

enum class Kind { General, Advanced };

std::string trimLeft(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

bool listedOnTab(Kind kind, PropertyTab tab) {
    switch (tab) {
        case PropertyTab::Basic: return kind == Kind::General;
        case PropertyTab::Advanced: return kind == Kind::Advanced;
        case PropertyTab::All: return true;
        case PropertyTab::Command: return false;
    }
    return false;
}

std::string storedText(const LoggerParameters& p) {
    if (p.totalSpace <= 0) return formatNumber(p.recordCount, NumberFormat::Count);
    return formatNumber(static_cast<double>(p.recordCount) / p.totalSpace, NumberFormat::Percent2);
}

std::string firmwareText(const LoggerParameters& p) {
    return dateTimeText(makeDateTime(p.firmwareYear, p.firmwareMonth, p.firmwareDay));
}

// Keys whose rows are never editable.
constexpr std::array<std::string_view, 23> kReadOnlyKeys = {
    "储存容量", "软件版本",     "存储片代号",     "有效储存容量", "记录次数",
    "总溢出次数", "记录地址",   "溢出次数",       "型号口令",     "记录通道",
    "启动通道", "型号",         "已存储",         "总空间",       "历史数据存放方式",
    "文件最大组数", "每帧数据个数", "当前操作文件名", "最近一次停机时间", "启动时间",
    "停机原因", "记录仪启动时间", "预计停止时间"};

constexpr std::array<std::string_view, 6> kChannelSettingLabels = {
    "通道类型", "通道单位", "通道数据长度", "通道量程下范围", "通道量程上范围", "通道校正曲线"};

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The channel index a per-channel key ends with, or -1.
int channelOfKey(std::string_view key) {
    if (key.empty()) return -1;
    const char last = key.back();
    return (last >= '0' && last <= '7') ? last - '0' : -1;
}

bool mayEditProtected(const Viewer& v) { return v.loggedIn && v.level >= 10; }

}  // namespace

std::vector<std::string> propertyTabsForLevel(int level) {
    if (level >= 255) return {"基本属性", "高级属性", "所有属性", "命令窗口"};
    if (level >= 20) return {"基本属性", "高级属性", "所有属性"};
    return {"基本属性"};
}

std::string propertyTabCaption(PropertyTab tab) {
    switch (tab) {
        case PropertyTab::Basic: return "基本属性";
        case PropertyTab::Advanced: return "高级属性";
        case PropertyTab::All: return "所有属性";
        case PropertyTab::Command: return "命令窗口";
    }
    return {};
}

bool clockRowSuppressed(const LoggerParameters& p) {
    const int type = p.deviceType();
    if (type == kDeviceNoPowerMode || type == kDeviceNoTimedStop || type == kDeviceSingleAnswer) {
        return true;
    }
    return type == kDeviceClockWhenTimed && !(p.stopMode & kStopTimed) &&
           p.startMode != kStartTimed;
}

std::vector<PropertyRow> loggerPropertyRows(LoggerParameters& p, PropertyTab tab,
                                            const Viewer& viewer) {
    std::vector<PropertyRow> rows;
    const int level = viewer.loggedIn ? viewer.level : 0;
    auto add = [&](Kind kind, bool condition, std::string label, const std::function<std::string()>& value,
                   std::string key = {}) {
        if (!condition || !listedOnTab(kind, tab)) return;
        PropertyRow row;
        row.key = key.empty() ? label : std::move(key);
        row.label = std::move(label);
        row.value = value();
        rows.push_back(std::move(row));
    };
    auto perChannel = [&](Kind kind, bool condition, const std::string& label,
                          const std::function<std::string(int)>& value) {
        for (int i = 0; i < kChannelCount; ++i) {
            if (p.channelStarted(i)) add(kind, condition, label + std::to_string(i), [&] { return value(i); });
        }
    };
    const auto G = Kind::General;
    const auto A = Kind::Advanced;
    auto num = [](auto v) { return std::to_string(v); };

    add(G, !clockRowSuppressed(p), "记录仪时钟", [&] { return dateTimeText(p.loggerClock); });
    if (!rows.empty()) rows.back().bold = true;
    add(G, true, "总空间", [&] { return num(p.totalSpace); });
    add(G, true, "已存储", [&] { return storedText(p); });
    add(G, true, "记录次数", [&] { return num(p.recordCount); });
    add(G, true, "型号口令", [&] { return p.modelPassword; });
    add(A, true, "储存容量", [&] { return num(p.storageCapacity); });
    add(A, level >= 20, "有效储存容量", [&] { return num(p.effectiveCapacity); });
    add(A, level >= 20, "最近一次停机时间", [&] { return dateTimeText(p.lastStopTime); });
    add(A, level >= 20, "停机原因", [&] { return stopReasonText(p.stopReason); });
    add(A, level >= 20, "记录地址", [&] { return num(p.recordAddress); });
    add(A, level >= 20, "溢出次数", [&] { return num(p.overflowCount); });
    add(G, true, "工作状态", [&] { return workStatusText(p.workStatus); });
    add(G, true, "用户名", [&] { return trimLeft(p.userName); });
    add(G, true, "标题", [&] { return trimLeft(p.title); });
    add(G, true, "记录仪启动时间", [&] { return dateTimeText(p.loggerStartTime); });
    add(G, true, "预计停止时间", [&] { return dateTimeText(p.expectedStopTime); });
    add(G, true, "上次联机时间", [&] { return dateTimeText(p.lastConnectTime); }, "启动时间");
    add(G, true, "记录间隔时间", [&] { return dateTimeText(p.interval); }, "间隔时间");
    add(G, true, "功耗模式", [&] { return powerModeText(p.powerMode); });
    add(G, true, "启动方式", [&] { return startModeText(p.startMode); });
    add(G, true, "定时启动时间", [&] { return dateTimeText(p.timedStartTime); });
    add(G, true, "启动延时", [&] { return dateTimeText(p.startDelay); });
    add(G, true, "停止方式", [&] { return stopModeText(p.stopMode); });
    add(G, true, "停止次数", [&] { return num(p.stopCount); });
    add(A, level == 255, "记录通道", [&] { return channelMaskText(p.recordChannels); });
    add(A, level >= 20, "启动通道", [&] { return channelMaskText(p.startedChannels); });
    perChannel(G, true, "通道类型", [&](int i) { return channelTypeText(p.channelType[i]); });
    perChannel(G, true, "通道单位", [&](int i) { return channelUnitText(p.channelUnit[i]); });
    perChannel(A, level >= 20, "通道数据长度", [&](int i) { return num(p.channelDataLength[i]); });
    perChannel(A, level >= 20, "通道量程下范围", [&](int i) { return num(p.rangeLow[i]); });
    perChannel(A, level >= 20, "通道量程上范围", [&](int i) { return num(p.rangeHigh[i]); });
    add(G, level >= 10, "报警通道", [&] { return channelMaskText(p.alarmChannels); });
    perChannel(G, level >= 10, "通道报警下限", [&](int i) { return num(p.alarmLow[i]); });
    perChannel(G, level >= 10, "通道报警上限", [&](int i) { return num(p.alarmHigh[i]); });

    applyReadOnlyMarking(rows, p, viewer);
    return rows;
}

std::vector<PropertyRow> filePropertyRows(LoggerParameters& p, const Viewer& viewer) {
    std::vector<PropertyRow> rows;
    auto add = [&](std::string label, std::string value) {
        PropertyRow row;
        row.key = label;
        row.label = std::move(label);
        row.value = std::move(value);
        rows.push_back(std::move(row));
    };
    auto perChannel = [&](const std::string& label, auto&& wanted, auto&& value) {
        for (int i = 0; i < kChannelCount; ++i) {
            if (wanted(i)) add(label + std::to_string(i), value(i));
        }
    };
    auto started = [&](int i) { return p.channelStarted(i); };
    auto alarmed = [&](int i) { return p.channelStarted(i) && p.alarmEnabled(i); };

    add("记录次数", std::to_string(p.recordCount));
    add("用户名", trimLeft(p.userName));
    add("标题", trimLeft(p.title));
    add("记录仪启动时间", dateTimeText(p.loggerStartTime));
    add("预计停止时间", dateTimeText(p.expectedStopTime));
    perChannel("通道类型", started, [&](int i) { return channelTypeText(p.channelType[i]); });
    perChannel("通道单位", started, [&](int i) { return channelUnitText(p.channelUnit[i]); });
    perChannel("通道量程下范围", started, [&](int i) { return std::to_string(p.rangeLow[i]); });
    perChannel("通道量程上范围", started, [&](int i) { return std::to_string(p.rangeHigh[i]); });
    perChannel("通道报警下限", alarmed, [&](int i) { return std::to_string(p.alarmLow[i]); });
    perChannel("通道报警上限", alarmed, [&](int i) { return std::to_string(p.alarmHigh[i]); });
    add("软件版本", firmwareText(p));

    applyReadOnlyMarking(rows, p, viewer);
    return rows;
}

bool rowReadOnly(const std::string& key, const LoggerParameters& p, const Viewer& viewer) {
    if (std::find(kReadOnlyKeys.begin(), kReadOnlyKeys.end(), key) != kReadOnlyKeys.end()) return true;
    if (key == "工作状态") return true;
    if (key == "用户名" || key == "标题" || key == "停止方式" || key == "间隔时间" || key == "启动方式") {
        return false;
    }
    if (key == "定时停机时间") return !(p.stopMode & kStopTimed);
    if (key == "停止次数") return !(p.stopMode & kStopByCount);
    if (key == "定时启动时间") return p.startMode != kStartTimed;
    if (key == "启动延时") return p.startMode != kStartDelayed;
    if (key == "功耗模式") return p.deviceType() == kDeviceNoPowerMode;
    for (auto label : kChannelSettingLabels) {
        if (startsWith(key, label) && channelOfKey(key) >= 0 && key.size() == label.size() + 1) return true;
    }
    if (key == "报警通道" || key == "记录仪时钟") return !mayEditProtected(viewer);
    if (startsWith(key, "通道报警下限") || startsWith(key, "通道报警上限")) {
        const int channel = channelOfKey(key);
        return !(mayEditProtected(viewer) && channel >= 0 && p.alarmEnabled(channel));
    }
    return false;
}

void applyReadOnlyMarking(std::vector<PropertyRow>& rows, const LoggerParameters& p,
                          const Viewer& viewer) {
    for (auto& row : rows) {
        row.readOnly = rowReadOnly(row.key, p, viewer);
        row.valueColour.reset();
        if (row.key == "工作状态") {
            if (row.value == "正在记录") {
                row.valueColour = kRecordingColour;
            } else if (row.value == "停止状态") {
                row.valueColour = kStoppedColour;
            } else {
                row.valueColour = kReadOnlyColour;
            }
        }
    }
}

}  // namespace tarvo
