#include "core/logger_parameters.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

using Normalising = std::string (*)(std::int16_t&);

struct NormalisingCase {
    const char* name;
    Normalising convert;
    std::int16_t code;
    const char* text;
    std::int16_t codeAfter;  // the field after displaying it
};

TEST(LoggerParameterTexts, NormalisingConversionsShowTheTextAndRepairCodesOutsideTheirTable) {
    const NormalisingCase cases[] = {
        {"start manual", startModeText, 4, "手动启动", 4},
        {"start immediately", startModeText, 1, "立即启动", 1},
        {"start unknown", startModeText, 7, "立即停止", 0},
        {"start negative", startModeText, -1, "立即停止", 0},
        {"stop all bits: timed wins", stopModeText, 7, "定时停止", 7},
        {"stop count before full", stopModeText, 3, "按次数停止", 3},
        {"stop full", stopModeText, 1, "存储器满停止", 1},
        {"stop no known bit", stopModeText, 8, "先进先出", 0},
        {"stop fifo", stopModeText, 0, "先进先出", 0},
        {"stop full with a stray bit", stopModeText, 9, "存储器满停止", 9},
        {"work recording", workStatusText, 1, "正在记录", 1},
        {"work stopped", workStatusText, 2, "停止状态", 2},
        {"work unknown", workStatusText, 0, "停止状态", 2},
        {"type Co2", channelTypeText, 13, "Co2", 13},
        {"type last", channelTypeText, 23, "氧气", 23},
        {"type beyond table", channelTypeText, 24, "无", 0},
        {"type negative", channelTypeText, -3, "无", 0},
        {"unit gap", channelUnitText, 10, "无", 0},
        {"unit with a space", channelUnitText, 93, "×10 W", 93},
        {"unit celsius", channelUnitText, 1, "℃", 1},
        {"unit last", channelUnitText, 96, "%", 96},
        {"unit MW shown", channelUnitText, 92, "MW", 92},
        {"unit beyond table", channelUnitText, 97, "无", 0},
    };
    for (const auto& c : cases) {
        std::int16_t field = c.code;
        EXPECT_EQ(c.convert(field), c.text) << c.name;
        EXPECT_EQ(field, c.codeAfter) << c.name;
    }
}

TEST(LoggerParameterTexts, AnyNonZeroPowerModeReadsAsPowerSaving) {
    EXPECT_EQ(powerModeText(0), "正常模式");
    EXPECT_EQ(powerModeText(1), "省电模式");
    EXPECT_EQ(powerModeText(128), "省电模式");
}

TEST(LoggerParameterTexts, ChannelMaskShowsChannelSevenFirst) {
    const struct {
        std::int16_t mask;
        const char* text;
    } cases[] = {
        {0, "00000000"},  {255, "11111111"},  {1, "00000001"},
        {5, "00000101"},  {0x80, "10000000"}, {0x100, "00000000"},  // only eight channels
        {-1, "11111111"},
    };
    for (const auto& c : cases) EXPECT_EQ(channelMaskText(c.mask), c.text) << c.mask;
}

TEST(LoggerParameterTexts, StopReasonOutsideTheTableIsUnknown) {
    EXPECT_EQ(stopReasonText(0), "记满停机");
    EXPECT_EQ(stopReasonText(4), "按周期停机");
    EXPECT_EQ(stopReasonText(9), "故障停机");
    EXPECT_EQ(stopReasonText(5), "未知原因");
    EXPECT_EQ(stopReasonText(-1), "未知原因");
}

TEST(LoggerParameterCodes, UnitTextsReadBackWithTheirTwoExceptions) {
    const struct {
        const char* text;
        std::int16_t code;
    } cases[] = {
        {"  KPa  ", 20}, {"%RH", 2}, {"MW", 0}, {"立方米/小时", 14}, {"KLux", 14}, {"×10 W", 93},
        {"无", 0},       {"kpa", 0}, {"", 0},   {"   ", 0},          {"PPB", 77},  {"℃      ", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(channelUnitCode(c.text), c.code) << c.text;
}

TEST(LoggerParameterCodes, TypeTextsMatchExactlyAfterTrimming) {
    const struct {
        const char* text;
        std::int16_t code;
    } cases[] = {
        {"Co2", 13}, {"CO2", 0}, {"co2", 0}, {"CO", 22}, {" 温度  ", 1}, {"氧气", 23}, {"x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(channelTypeCode(c.text), c.code) << c.text;
}

TEST(LoggerParameterCodes, EveryShownTextReadsBackAsItsCode) {
    for (std::int16_t code = 0; code < 24; ++code) {
        std::int16_t field = code;
        EXPECT_EQ(channelTypeCode(channelTypeText(field)), code);
    }
    for (std::int16_t code = 0; code < 100; ++code) {
        std::int16_t field = code;
        const std::string text = channelUnitText(field);
        if (code == 92) continue;  // "MW" is not read back
        EXPECT_EQ(channelUnitCode(text), field) << code;
    }
}

TEST(LoggerParameterTexts, DateTimeTextShowsDurationsAsTimeAndWholeDaysAsDate) {
    EXPECT_EQ(dateTimeText(makeDuration(0, 0, 2)), "0:00:02");
    EXPECT_EQ(dateTimeText(makeDuration(0, 0, 10)), "0:00:10");
    EXPECT_EQ(dateTimeText(makeDateTime(2006, 3, 7)), "2006-3-7");
    EXPECT_EQ(dateTimeText(makeDateTime(2006, 3, 7, 9, 5, 7)), "2006-3-7 9:05:07");
}

}  // namespace
}  // namespace tarvo
