#include "core/logger_parameters.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace tarvo {
namespace {

struct CodeText {
    std::int16_t code;
    std::string_view text;
};

constexpr std::array<std::string_view, 5> kStartModeTexts = {
    "立即停止", "立即启动", "延时启动", "定时启动", "手动启动",
};

constexpr std::array<std::string_view, 24> kChannelTypeTexts = {
    "无",     "温度",   "湿度", "PH值", "光照",   "压力", "电压DC", "电压AC",
    "电流DC", "电流AC", "脉冲", "计数", "开关量", "Co2",  "雨量",   "风速",
    "风向",   "噪声",   "氨",   "EC",   "PPB",    "功率", "CO",     "氧气",
};

// Units are sparse: codes not listed here (10, 11, 12, 16, 18, 19, 22 to 28, ...) have none.
constexpr std::array<CodeText, 29> kChannelUnits = {{
    {0, "无"},     {1, "℃"},      {2, "%RH"},   {3, "PH"},    {4, "MPa"},     {5, "V"},
    {6, "mV"},     {7, "A"},      {8, "mA"},    {9, "次"},    {13, "PPM"},    {14, "KLux"},
    {15, "米/秒"}, {17, "百度"},  {20, "KPa"},  {21, "KV"},   {29, "10*PPM"}, {33, "千度"},
    {36, "Pa"},    {45, "KPPM"},  {48, "角度"}, {49, "分贝"}, {61, "Us/cm"},  {77, "PPB"},
    {92, "MW"},    {93, "×10 W"}, {94, "KW"},   {95, "W"},    {96, "%"},
}};

constexpr std::array<CodeText, 6> kStopReasons = {{
    {0, "记满停机"},
    {1, "到达记录次数"},
    {2, "定时停机"},
    {3, "尚未启动"},
    {4, "按周期停机"},
    {9, "故障停机"},
}};

// Only the blank itself is trimmed, as the history texts are blank padded.
std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string startModeText(std::int16_t& startMode) {
    if (startMode < 0 || startMode >= static_cast<int>(kStartModeTexts.size())) {
        startMode = kStartStopped;
    }
    return std::string(kStartModeTexts[static_cast<std::size_t>(startMode)]);
}

std::string stopModeText(std::int16_t& stopMode) {
    // Several conditions may be set; the pane names the one that wins: the last of
    // the tree's order.
    for (auto it = kStopConditions.rbegin(); it != kStopConditions.rend(); ++it) {
        if (stopMode & it->bit) return std::string(it->text);
    }
    stopMode = kStopFifo;
    return std::string(kStopConditions.front().text);
}

std::string workStatusText(std::int16_t& workStatus) {
    if (workStatus == kWorkRecording) return "正在记录";
    workStatus = kWorkStopped;
    return "停止状态";
}

std::string powerModeText(std::int16_t powerMode) {
    return powerMode == kPowerNormal ? "正常模式" : "省电模式";
}

std::string channelMaskText(std::int16_t mask) {
    std::string text;
    for (int channel = kChannelCount - 1; channel >= 0; --channel) {
        text += ((mask >> channel) & 1) ? '1' : '0';
    }
    return text;
}

std::string channelTypeText(std::int16_t& channelType) {
    if (channelType < 0 || channelType >= static_cast<int>(kChannelTypeTexts.size())) {
        channelType = 0;
    }
    return std::string(kChannelTypeTexts[static_cast<std::size_t>(channelType)]);
}

std::int16_t channelTypeCode(std::string_view text) {
    const auto wanted = trimBlanks(text);
    for (std::size_t code = 0; code < kChannelTypeTexts.size(); ++code) {
        if (kChannelTypeTexts[code] == wanted) return static_cast<std::int16_t>(code);
    }
    return 0;
}

std::string channelUnitText(std::int16_t& channelUnit) {
    for (const auto& unit : kChannelUnits) {
        if (unit.code == channelUnit) return std::string(unit.text);
    }
    channelUnit = 0;
    return "无";
}

std::int16_t channelUnitCode(std::string_view text) {
    const auto wanted = trimBlanks(text);
    // Two texts do not read back as the table has them: "立方米/小时" is taken as
    // code 14 (shown as "KLux"), and "MW" is not recognised at all.
    if (wanted == "立方米/小时") return 14;
    if (wanted == "MW") return 0;
    for (const auto& unit : kChannelUnits) {
        if (unit.text == wanted) return unit.code;
    }
    return 0;
}

std::string stopReasonText(std::int16_t stopReason) {
    for (const auto& reason : kStopReasons) {
        if (reason.code == stopReason) return std::string(reason.text);
    }
    return "未知原因";
}

std::string dateTimeText(DateTime t) {
    return generalDateText(t);
}

}  // namespace tarvo
