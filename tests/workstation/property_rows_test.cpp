#include "workstation/property_rows.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvo {
namespace {

LoggerParameters fourChannelLogger() {
    LoggerParameters p;
    p.deviceBytes = {1, 2, 3, 1};
    p.startedChannels = 0x0F;
    p.alarmChannels = 0x01;
    p.workStatus = kWorkRecording;
    p.startMode = kStartImmediately;
    p.stopMode = kStopMemoryFull;
    p.totalSpace = 1000;
    p.recordCount = 250;
    p.channelType = {1, 2, 5, 6, 0, 0, 0, 0};
    p.channelUnit = {1, 2, 20, 5, 0, 0, 0, 0};
    p.userName = "  Na";
    return p;
}

std::vector<std::string> keys(const std::vector<PropertyRow>& rows) {
    std::vector<std::string> k;
    for (const auto& r : rows) k.push_back(r.key);
    return k;
}

const PropertyRow* find(const std::vector<PropertyRow>& rows, const std::string& key) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const PropertyRow& r) { return r.key == key; });
    return it == rows.end() ? nullptr : &*it;
}

TEST(PropertyRows, BasicTabForNobodyListsGeneralRowsAndChannelTypesAndUnitsOnly) {
    auto p = fourChannelLogger();
    const auto rows = loggerPropertyRows(p, PropertyTab::Basic, Viewer{});
    const std::vector<std::string> expected = {
        "记录仪时钟", "总空间", "已存储", "记录次数", "型号口令", "工作状态", "用户名", "标题",
        "记录仪启动时间", "预计停止时间", "启动时间", "间隔时间", "功耗模式", "启动方式",
        "定时启动时间", "启动延时", "停止方式", "停止次数", "通道类型0", "通道类型1", "通道类型2",
        "通道类型3", "通道单位0", "通道单位1", "通道单位2", "通道单位3"};
    EXPECT_EQ(keys(rows), expected);
    EXPECT_TRUE(rows.front().bold);
    EXPECT_EQ(find(rows, "启动时间")->label, "上次联机时间");
    EXPECT_EQ(find(rows, "间隔时间")->label, "记录间隔时间");
    EXPECT_EQ(find(rows, "用户名")->value, "Na");
    EXPECT_EQ(find(rows, "通道单位2")->value, "KPa");
}

TEST(PropertyRows, AdvancedTabAtLevelTwentyOmitsRecordChannels) {
    auto p = fourChannelLogger();
    p.startedChannels = 0x01;
    const auto rows = loggerPropertyRows(p, PropertyTab::Advanced, Viewer{true, 20});
    const std::vector<std::string> expected = {
        "储存容量", "有效储存容量", "最近一次停机时间", "停机原因", "记录地址", "溢出次数",
        "启动通道", "通道数据长度0", "通道量程下范围0", "通道量程上范围0"};
    EXPECT_EQ(keys(rows), expected);
    const auto all = loggerPropertyRows(p, PropertyTab::Advanced, Viewer{true, 255});
    EXPECT_NE(find(all, "记录通道"), nullptr);
}

TEST(PropertyRows, AllTabInterleavesGeneralAndAdvancedRowsInOneOrder) {
    auto p = fourChannelLogger();
    p.startedChannels = 0x01;
    const auto k = keys(loggerPropertyRows(p, PropertyTab::All, Viewer{true, 255}));
    auto pos = [&](const char* key) { return std::find(k.begin(), k.end(), key) - k.begin(); };
    EXPECT_LT(pos("型号口令"), pos("储存容量"));
    EXPECT_LT(pos("溢出次数"), pos("工作状态"));
    EXPECT_LT(pos("通道单位0"), pos("通道数据长度0"));
    EXPECT_LT(pos("通道量程上范围0"), pos("报警通道"));
    EXPECT_EQ(k.back(), "通道报警上限0");
}

TEST(PropertyRows, ClockRowDependsOnDeviceTypeAndTimedModes) {
    struct Case { std::int16_t type; std::int16_t startMode; std::int16_t stopMode; bool listed; };
    const Case cases[] = {
        {1, 1, 1, true},   {254, 3, 4, false}, {252, 3, 4, false}, {0, 3, 4, false},
        {253, 1, 1, false}, {253, 3, 1, true},  {253, 1, 5, true},
    };
    for (const auto& c : cases) {
        auto p = fourChannelLogger();
        p.deviceBytes[3] = c.type;
        p.startMode = c.startMode;
        p.stopMode = c.stopMode;
        const auto rows = loggerPropertyRows(p, PropertyTab::Basic, Viewer{});
        EXPECT_EQ(find(rows, "记录仪时钟") != nullptr, c.listed) << "type " << c.type;
    }
}

TEST(PropertyRows, StoredShowsCountWithoutSpaceAndPercentageWithIt) {
    auto p = fourChannelLogger();
    p.totalSpace = 0;
    p.recordCount = 12;
    EXPECT_EQ(find(loggerPropertyRows(p, PropertyTab::Basic, Viewer{}), "已存储")->value, "12次");
    p.totalSpace = 1000;
    p.recordCount = 250;
    EXPECT_EQ(find(loggerPropertyRows(p, PropertyTab::Basic, Viewer{}), "已存储")->value, "25.00%");
}

TEST(PropertyRows, ChannelRowsFollowStartedChannels) {
    auto p = fourChannelLogger();
    p.startedChannels = 5;
    const auto k = keys(loggerPropertyRows(p, PropertyTab::Basic, Viewer{}));
    EXPECT_NE(std::find(k.begin(), k.end(), "通道类型0"), k.end());
    EXPECT_EQ(std::find(k.begin(), k.end(), "通道类型1"), k.end());
    EXPECT_NE(std::find(k.begin(), k.end(), "通道类型2"), k.end());
}

TEST(PropertyRows, AlarmRowsAreEditableOnlyForLoggedInUsersOnAlarmChannels) {
    auto p = fourChannelLogger();  // alarm bit set for channel 0 only
    const auto rows = loggerPropertyRows(p, PropertyTab::Basic, Viewer{true, 255});
    EXPECT_FALSE(find(rows, "报警通道")->readOnly);
    EXPECT_FALSE(find(rows, "通道报警下限0")->readOnly);
    EXPECT_TRUE(find(rows, "通道报警下限1")->readOnly);
    EXPECT_TRUE(find(rows, "通道报警上限1")->readOnly);
    EXPECT_FALSE(find(rows, "记录仪时钟")->readOnly);
    const auto nobody = loggerPropertyRows(p, PropertyTab::Basic, Viewer{});
    EXPECT_TRUE(find(nobody, "记录仪时钟")->readOnly);
    EXPECT_EQ(find(nobody, "通道报警下限0"), nullptr);
}

TEST(PropertyRows, ReadOnlyMarkingFollowsModes) {
    auto p = fourChannelLogger();
    const Viewer v{};
    EXPECT_TRUE(rowReadOnly("停止次数", p, v));
    EXPECT_TRUE(rowReadOnly("定时启动时间", p, v));
    EXPECT_TRUE(rowReadOnly("启动延时", p, v));
    EXPECT_TRUE(rowReadOnly("定时停机时间", p, v));
    p.stopMode = kStopByCount | kStopTimed;
    p.startMode = kStartTimed;
    EXPECT_FALSE(rowReadOnly("停止次数", p, v));
    EXPECT_FALSE(rowReadOnly("定时启动时间", p, v));
    EXPECT_FALSE(rowReadOnly("定时停机时间", p, v));
    EXPECT_FALSE(rowReadOnly("功耗模式", p, v));
    p.deviceBytes[3] = kDeviceNoPowerMode;
    EXPECT_TRUE(rowReadOnly("功耗模式", p, v));
    EXPECT_TRUE(rowReadOnly("通道单位3", p, v));
    EXPECT_TRUE(rowReadOnly("启动时间", p, v));
    EXPECT_FALSE(rowReadOnly("间隔时间", p, v));
    EXPECT_FALSE(rowReadOnly("用户名", p, v));
}

TEST(PropertyRows, WorkStatusValueIsBlueWhileRecordingAndRedWhenStopped) {
    auto p = fourChannelLogger();
    EXPECT_EQ(find(loggerPropertyRows(p, PropertyTab::Basic, Viewer{}), "工作状态")->valueColour,
              kRecordingColour);
    p.workStatus = 7;  // normalised to "停止状态" while listed
    const auto rows = loggerPropertyRows(p, PropertyTab::Basic, Viewer{});
    EXPECT_EQ(find(rows, "工作状态")->valueColour, kStoppedColour);
    EXPECT_TRUE(find(rows, "工作状态")->readOnly);
    EXPECT_EQ(p.workStatus, kWorkStopped);
}

TEST(PropertyRows, FilePropertiesListAlarmLimitsOfStartedAlarmChannelsAndTheFirmwareDate) {
    auto p = fourChannelLogger();
    p.alarmChannels = 0x03;
    p.firmwareYear = 2006;
    p.firmwareMonth = 11;
    p.firmwareDay = 27;
    const auto k = keys(filePropertyRows(p, Viewer{}));
    const std::vector<std::string> expected = {
        "记录次数", "用户名", "标题", "记录仪启动时间", "预计停止时间", "通道类型0", "通道类型1",
        "通道类型2", "通道类型3", "通道单位0", "通道单位1", "通道单位2", "通道单位3",
        "通道量程下范围0", "通道量程下范围1", "通道量程下范围2", "通道量程下范围3",
        "通道量程上范围0", "通道量程上范围1", "通道量程上范围2", "通道量程上范围3",
        "通道报警下限0", "通道报警下限1", "通道报警上限0", "通道报警上限1", "软件版本"};
    EXPECT_EQ(k, expected);
    EXPECT_EQ(filePropertyRows(p, Viewer{}).back().value, "2006-11-27");
}

TEST(PropertyRows, TabsFollowTheUserLevel) {
    EXPECT_EQ(propertyTabsForLevel(0).size(), 1u);
    EXPECT_EQ(propertyTabsForLevel(10).size(), 1u);
    EXPECT_EQ(propertyTabsForLevel(20).size(), 3u);
    EXPECT_EQ(propertyTabsForLevel(254).size(), 3u);
    EXPECT_EQ(propertyTabsForLevel(255).back(), "命令窗口");
}

}  // namespace
}  // namespace tarvo
