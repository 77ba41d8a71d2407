#include "workstation/property_editing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "data/history_document.h"

namespace tarvo {
namespace {

const DateTime kNow = makeDateTime(2024, 3, 5, 10, 0, 0);

DateTime seconds(int s) {
    return makeDuration(0, 0, s);
}

// Two started channels (0 and 2), alarms on channel 0, ten-minute interval.
LoggerParameters smallLogger(int deviceType = 1) {
    LoggerParameters p;
    p.deviceBytes = {1, 2, 3, static_cast<std::int16_t>(deviceType)};
    p.startedChannels = 0b101;
    p.alarmChannels = 0b001;
    p.alarmLow = {-10, 0, 0, 0, 0, 0, 0, 0};
    p.alarmHigh = {30, 0, 0, 0, 0, 0, 0, 0};
    p.channelType = {1, 0, 2, 0, 0, 0, 0, 0};
    p.startMode = kStartImmediately;
    p.stopMode = kStopMemoryFull;
    p.stopCount = 300;
    p.totalSpace = 1000;
    p.interval = makeDuration(0, 10, 0);
    p.intervalMinutes = 10;
    p.intervalTotalSeconds = 600;
    p.timedStartTime = kNow + 1;
    p.timedStopTime = kNow + 3;
    p.loggerClock = kNow;
    p.userName = "Na";
    p.title = "冷库";
    return p;
}

// The pane as an administrator sees it, with the editors working on it.
struct Pane {
    explicit Pane(LoggerParameters p, Viewer v = Viewer{true, 255})
        : logger(std::move(p)), viewer(v) {
        rows = loggerPropertyRows(logger, PropertyTab::All, viewer);
    }
    EditSession session() { return EditSession{logger, file, rows, fileView, viewer, kNow}; }
    int indexOf(const std::string& key) const {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].key == key) return static_cast<int>(i);
        }
        return -1;
    }
    const PropertyRow* row(const std::string& key) const {
        const int i = indexOf(key);
        return i < 0 ? nullptr : &rows[static_cast<std::size_t>(i)];
    }
    std::optional<PropertyEditor> open(const std::string& key) {
        return openEditor(session(), indexOf(key));
    }
    // Opens the row's editor, lets `change` act on it, and commits.
    template <typename F>
    CommitResult edit(const std::string& key, F change) {
        auto e = open(key);
        EXPECT_TRUE(e) << key;
        if (!e) return {false, {}};
        change(*e);
        auto s = session();
        return commitEditor(s, *e);
    }
    CommitResult editTime(const std::string& key, DateTime t) {
        return edit(key, [&](PropertyEditor& e) { e.time = t; });
    }
    CommitResult editText(const std::string& key, const std::string& text) {
        return edit(key, [&](PropertyEditor& e) { e.text = text; });
    }
    CommitResult choose(const std::string& key, int position) {
        return edit(key, [&](PropertyEditor& e) { e.selected = position; });
    }
    CommitResult checkStopNodes(std::initializer_list<std::string> checked) {
        return edit("停止方式", [&](PropertyEditor& e) {
            for (auto& n : e.nodes) {
                n.checked = std::find(checked.begin(), checked.end(), n.key) != checked.end();
            }
        });
    }
    std::vector<std::string> tailKeys(std::size_t n) const {
        std::vector<std::string> keys;
        for (std::size_t i = rows.size() >= n ? rows.size() - n : 0; i < rows.size(); ++i) {
            keys.push_back(rows[i].key);
        }
        return keys;
    }

    LoggerParameters logger;
    LoggerParameters file;
    Viewer viewer;
    bool fileView = false;
    std::vector<PropertyRow> rows;
};

TEST(PropertyEditing, NothingOpensOnAReadOnlyRowAnEmptyListOrAnUnknownRow) {
    Pane pane(smallLogger(), Viewer{});
    EXPECT_FALSE(pane.open("总空间"));
    EXPECT_FALSE(pane.open("停止次数"));  // no count stop configured
    EXPECT_FALSE(openEditor(pane.session(), -1));
    EXPECT_FALSE(openEditor(pane.session(), static_cast<int>(pane.rows.size())));
    std::vector<PropertyRow> none;
    LoggerParameters p;
    EXPECT_FALSE(openEditor(EditSession{p, p, none, false, Viewer{}, kNow}, 0));
    // An editable row without an editor of its own.
    PropertyRow other;
    other.key = other.label = "别的";
    pane.rows.push_back(other);
    EXPECT_FALSE(pane.open("别的"));
}

TEST(PropertyEditing, EditorsArePresetFromTheirRows) {
    auto p = smallLogger();
    p.stopMode = kStopMemoryFull | kStopByCount;
    p.timedStartTime = kNow - 1;  // yesterday
    Pane pane(p);

    auto name = pane.open("用户名");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->kind, EditorKind::TextBox);
    EXPECT_EQ(name->control, "Text用户名");
    EXPECT_EQ(name->maxLength, 8);
    EXPECT_EQ(name->text, "Na");

    pane.logger.startMode = kStartTimed;
    pane.rows = loggerPropertyRows(pane.logger, PropertyTab::All, pane.viewer);
    auto start = pane.open("定时启动时间");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->kind, EditorKind::DateTimePicker);
    EXPECT_EQ(start->format, "yyy-MM-dd HH:mm:ss");
    EXPECT_EQ(start->time, kNow);  // a time in the past opens at now

    auto interval = pane.open("间隔时间");
    ASSERT_TRUE(interval);
    EXPECT_EQ(interval->format, "HH:mm:ss");
    EXPECT_EQ(totalSeconds(interval->time), 600);
    EXPECT_EQ(totalSeconds(interval->minimum), 2);

    auto stop = pane.open("停止方式");
    ASSERT_TRUE(stop);
    ASSERT_EQ(stop->nodes.size(), 4u);
    EXPECT_EQ(stop->nodes[0].text, "先进先出");
    EXPECT_FALSE(stop->nodes[0].checked);
    EXPECT_TRUE(stop->nodes[1].checked);   // memory full
    EXPECT_TRUE(stop->nodes[2].checked);   // by count
    EXPECT_FALSE(stop->nodes[3].checked);  // timed

    auto alarms = pane.open("报警通道");
    ASSERT_TRUE(alarms);
    ASSERT_EQ(alarms->nodes.size(), 2u);  // the started channels 0 and 2
    EXPECT_EQ(alarms->nodes[0], (CheckNode{"0报警通道", "打开报警通道0", true}));
    EXPECT_EQ(alarms->nodes[1], (CheckNode{"2报警通道", "打开报警通道2", false}));

    auto high = pane.open("通道报警上限0");
    ASSERT_TRUE(high);
    EXPECT_EQ(high->control, "Text报警上限");
    EXPECT_EQ(high->channel, 0);
    EXPECT_EQ(high->text, "30");

    auto power = pane.open("功耗模式");
    ASSERT_TRUE(power);
    EXPECT_EQ(power->selected, 0);
}

TEST(PropertyEditing, StopModeTreeOffersNoTimedStopOnSomeLoggersAndChecksFifoForNone) {
    for (int type : {254, 252, 0}) {
        auto p = smallLogger(type);
        p.stopMode = 0;
        Pane pane(p);
        auto stop = pane.open("停止方式");
        ASSERT_TRUE(stop);
        ASSERT_EQ(stop->nodes.size(), 3u) << type;
        EXPECT_TRUE(stop->nodes[0].checked);
        EXPECT_FALSE(stop->nodes[1].checked || stop->nodes[2].checked);
    }
    PropertyEditor single = *Pane(smallLogger()).open("停止方式");
    checkTreeNode(single, 2);
    EXPECT_FALSE(single.nodes[1].checked);  // checking one clears the others
    EXPECT_TRUE(single.nodes[2].checked);
}

TEST(PropertyEditing, StartModeListSelectsTheStartOfAStoppedLogger) {
    const struct {
        std::string cell;
        int selected;
    } cases[] = {{"立即停止", 0}, {"立即启动", 0}, {"定时启动", 2}, {"手动启动", 3}, {"乱码", -1}};
    for (const auto& c : cases) {
        auto e = editorForKey("启动方式", c.cell, smallLogger(), kNow);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->items.size(), 4u);
        EXPECT_EQ(e->selected, c.selected) << c.cell;
    }
}

TEST(PropertyEditing, NumberBoxesKeepOnlyNumbersTheRecordCanHold) {
    PropertyEditor count = *editorForKey("停止次数", "5", smallLogger(), kNow);
    PropertyEditor limit = *editorForKey("通道报警下限0", "5", smallLogger(), kNow);
    const struct {
        const PropertyEditor* box;
        std::string typed;
        std::string held;
    } cases[] = {
        {&count, "0", "1"},           {&count, "-3", "1"},     {&count, "12", "12"},
        {&count, "012", "12"},        {&count, "2.5", "2"},    {&count, "3.5", "4"},
        {&count, "abc", "7"},         {&count, "", "7"},       {&count, "65536", "7"},
        {&count, "32768", "32768"},   {&count, "65535", "65535"},   {&limit, "-", "-"},      {&limit, "-12", "-12"},
        {&limit, "-32768", "-32768"}, {&limit, "-32769", "7"}, {&limit, "1e3", "7"},
        {&limit, "+4", "4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberBoxText(*c.box, c.typed, "7"), c.held) << c.box->key << " " << c.typed;
    }
}

TEST(PropertyEditing, IntervalChecksDependOnDeviceTypeAndPowerMode) {
    const struct {
        int deviceType;
        std::int16_t powerMode;
        int seconds;
        std::string refusal;  // empty: taken
    } cases[] = {
        {1, kPowerNormal, 1, "记录间隔不得小于2秒"},
        {1, kPowerNormal, 2, ""},
        {1, kPowerSaving, 5, "省电模式下,记录间隔不得小于10秒"},
        {1, kPowerSaving, 10, ""},
        {254, kPowerSaving, 5, ""},
        {254, kPowerSaving, 1, "记录间隔不得小于2秒"},
    };
    for (const auto& c : cases) {
        auto p = smallLogger(c.deviceType);
        p.powerMode = c.powerMode;
        Pane pane(p);
        const LoggerParameters before = pane.logger;
        const CommitResult r = pane.editTime("间隔时间", seconds(c.seconds));
        if (c.refusal.empty()) {
            EXPECT_TRUE(r.applied);
            EXPECT_EQ(totalSeconds(pane.logger.interval), c.seconds);
            EXPECT_EQ(pane.logger.intervalTotalSeconds, c.seconds);
            EXPECT_EQ(pane.logger.intervalSeconds, c.seconds);
            EXPECT_EQ(pane.row("间隔时间")->value, dateTimeText(seconds(c.seconds)));
        } else {
            EXPECT_FALSE(r.applied);
            ASSERT_TRUE(r.message);
            EXPECT_EQ(r.message->text, c.refusal);
            EXPECT_EQ(r.message->title, "输入错误");
            EXPECT_EQ(pane.logger, before);
        }
    }
}

TEST(PropertyEditing, IntervalCommitRewritesComponentsAndStopTimes) {
    auto p = smallLogger();
    p.stopMode = kStopMemoryFull | kStopByCount;
    Pane pane(p);
    ASSERT_TRUE(pane.editTime("间隔时间", makeDuration(1, 2, 3)).applied);
    const auto& l = pane.logger;
    EXPECT_EQ(l.intervalHours, 1);
    EXPECT_EQ(l.intervalMinutes, 2);
    EXPECT_EQ(l.intervalSeconds, 3);
    EXPECT_EQ(l.intervalTotalSeconds, 3723);
    EXPECT_EQ(l.loggerStartTime, kNow);
    EXPECT_DOUBLE_EQ(l.countStopTime, kNow + 300 * l.interval);
    EXPECT_DOUBLE_EQ(l.fullStopTime, kNow + 1000 * l.interval);
    EXPECT_DOUBLE_EQ(l.expectedStopTime, l.countStopTime);
    EXPECT_EQ(pane.row("停止方式")->value, "按次数停止");
    EXPECT_EQ(pane.row("预计停止时间")->value, dateTimeText(l.countStopTime));
}

TEST(PropertyEditing, TimedStartInThePastIsNowAndTooFarAheadIsRefused) {
    auto p = smallLogger();
    p.startMode = kStartTimed;
    Pane pane(p);
    ASSERT_TRUE(pane.editTime("定时启动时间", kNow - 1).applied);
    EXPECT_EQ(pane.logger.timedStartTime, kNow);
    EXPECT_EQ(pane.logger.loggerStartTime, kNow);
    EXPECT_EQ(pane.row("记录仪启动时间")->value, dateTimeText(kNow));

    const LoggerParameters before = pane.logger;
    const CommitResult r = pane.editTime("定时启动时间", kNow + 10);
    EXPECT_FALSE(r.applied);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "您输入的时间太大");
    EXPECT_EQ(r.message->title, "");  // the program's title
    EXPECT_EQ(pane.logger, before);
}

TEST(PropertyEditing, ExpectedStopIsTheFirstConfiguredStop) {
    const struct {
        std::int16_t stopMode;
        int stopCount;
        DateTime timedStop;
        std::string modeRow;
        int expectedIs;  // 0 none, 1 full, 2 count, 4 timed
    } cases[] = {
        {kStopMemoryFull | kStopByCount, 300, 0, "按次数停止", 2},
        {kStopMemoryFull | kStopByCount, 1000, 0, "存储器满停止", 1},  // a tie: the lower bit
        {kStopMemoryFull | kStopTimed, 300, kNow + 1, "定时停止", 4},
        {kStopFifo, 300, 0, "先进先出", 0},
    };
    for (const auto& c : cases) {
        auto p = smallLogger();
        p.stopMode = c.stopMode;
        p.stopCount = static_cast<std::int16_t>(c.stopCount);
        p.timedStopTime = c.timedStop;
        Pane pane(p);
        auto s = pane.session();
        recomputeStopTimes(s);
        const auto& l = pane.logger;
        const DateTime expected = c.expectedIs == 1   ? l.fullStopTime
                                  : c.expectedIs == 2 ? l.countStopTime
                                  : c.expectedIs == 4 ? l.timedStopTime
                                                      : 0;
        EXPECT_DOUBLE_EQ(l.expectedStopTime, expected) << c.modeRow;
        EXPECT_EQ(pane.row("停止方式")->value, c.modeRow);
        EXPECT_EQ(pane.row("预计停止时间")->value, dateTimeText(expected));
        EXPECT_EQ(l.stopMode, c.stopMode);  // the record keeps every bit
    }
}

TEST(PropertyEditing, StopCountCommitRecomputesTheCountStopEvenWithoutItsBit) {
    Pane pane(smallLogger());  // memory-full stop only
    pane.logger.stopMode = kStopByCount;
    pane.rows = loggerPropertyRows(pane.logger, PropertyTab::All, pane.viewer);
    pane.logger.stopMode = kStopMemoryFull;
    ASSERT_TRUE(pane.editText("停止次数", "").applied);  // empty is 0
    EXPECT_EQ(pane.logger.stopCount, 0);
    EXPECT_EQ(pane.logger.countStopTime, kNow);
    EXPECT_EQ(pane.row("停止次数")->value, "0");
}

TEST(PropertyEditing, DelayedStartMakesTheDelayEditableAndStartsAfterIt) {
    auto p = smallLogger();
    p.startDelay = makeDuration(0, 30, 0);
    Pane pane(p);
    ASSERT_TRUE(pane.choose("启动方式", 1).applied);
    EXPECT_EQ(pane.logger.startMode, kStartDelayed);
    EXPECT_EQ(pane.row("启动方式")->value, "延时启动");
    EXPECT_FALSE(pane.row("启动延时")->readOnly);
    EXPECT_TRUE(pane.row("定时启动时间")->readOnly);
    EXPECT_DOUBLE_EQ(pane.logger.loggerStartTime, kNow + p.startDelay);

    ASSERT_TRUE(pane.editTime("启动延时", makeDuration(2, 0, 5)).applied);
    EXPECT_EQ(pane.logger.delayHours, 2);
    EXPECT_EQ(pane.logger.delaySeconds, 5);
    EXPECT_DOUBLE_EQ(pane.logger.loggerStartTime, kNow + makeDuration(2, 0, 5));
    EXPECT_EQ(pane.row("记录仪启动时间")->value, dateTimeText(pane.logger.loggerStartTime));
}

TEST(PropertyEditing, TimedStopOnTypeTwoFiftyThreeAddsAndRemovesTheClockRows) {
    Pane pane(smallLogger(253));
    ASSERT_EQ(pane.row("记录仪时钟"), nullptr);
    ASSERT_TRUE(pane.checkStopNodes({"定时停止"}).applied);
    EXPECT_EQ(pane.logger.stopMode, kStopTimed);
    EXPECT_EQ(pane.tailKeys(2), (std::vector<std::string>{"记录仪时钟", "定时停机时间"}));
    EXPECT_TRUE(pane.row("记录仪时钟")->bold);
    EXPECT_FALSE(pane.row("定时停机时间")->readOnly);
    EXPECT_EQ(pane.row("定时停机时间")->value, dateTimeText(pane.logger.timedStopTime));
    EXPECT_EQ(pane.row("停止方式")->value, "定时停止");

    ASSERT_TRUE(pane.checkStopNodes({"存储器满停止"}).applied);
    EXPECT_EQ(pane.row("记录仪时钟"), nullptr);
    EXPECT_EQ(pane.row("定时停机时间"), nullptr);
}

TEST(PropertyEditing, TimedStartOnTypeTwoFiftyThreeBringsBackItsRowsAndKeepsTheClockForATimedStop) {
    Pane pane(smallLogger(253));
    ASSERT_TRUE(pane.choose("启动方式", 0).applied);  // immediately: timed start row removed
    EXPECT_EQ(pane.row("定时启动时间"), nullptr);
    ASSERT_TRUE(pane.choose("启动方式", 2).applied);
    EXPECT_EQ(pane.tailKeys(2), (std::vector<std::string>{"记录仪时钟", "定时启动时间"}));
    EXPECT_FALSE(pane.row("定时启动时间")->readOnly);
    EXPECT_DOUBLE_EQ(pane.logger.loggerStartTime, pane.logger.timedStartTime);

    ASSERT_TRUE(pane.checkStopNodes({"定时停止"}).applied);
    ASSERT_TRUE(
        pane.choose("启动方式", 3).applied);  // by hand; the timed stop still needs the clock
    EXPECT_EQ(pane.row("定时启动时间"), nullptr);
    EXPECT_NE(pane.row("记录仪时钟"), nullptr);
}

TEST(PropertyEditing, ClockRowIsReadOnlyBelowLevelTen) {
    Pane pane(smallLogger(253), Viewer{true, 0});
    ASSERT_TRUE(pane.checkStopNodes({"定时停止"}).applied);
    EXPECT_TRUE(pane.row("记录仪时钟")->readOnly);
}

TEST(PropertyEditing, StopModeOnOtherLoggersMarksTimedStopAndCountRows) {
    Pane pane(smallLogger());
    ASSERT_TRUE(pane.checkStopNodes({"定时停止", "按次数停止"}).applied);
    EXPECT_EQ(pane.logger.stopMode, kStopTimed | kStopByCount);
    EXPECT_EQ(pane.row("记录仪时钟")->bold, true);  // listed already, nothing added
    EXPECT_EQ(pane.tailKeys(1), (std::vector<std::string>{"定时停机时间"}));
    EXPECT_FALSE(pane.row("停止次数")->readOnly);
    ASSERT_TRUE(pane.checkStopNodes({"先进先出"}).applied);
    EXPECT_EQ(pane.logger.stopMode, 0);
    EXPECT_TRUE(pane.row("定时停机时间")->readOnly);
    EXPECT_TRUE(pane.row("停止次数")->readOnly);
    EXPECT_EQ(pane.row("停止方式")->value, "先进先出");
    EXPECT_EQ(pane.logger.expectedStopTime, 0);
}

TEST(PropertyEditing, PowerModeNormalRaisesAnIntervalBelowTwoSeconds) {
    auto p = smallLogger();
    p.powerMode = kPowerSaving;
    p.interval = seconds(1);
    p.intervalMinutes = 0;
    p.intervalSeconds = 1;
    p.intervalTotalSeconds = 1;
    Pane pane(p);
    ASSERT_TRUE(pane.choose("功耗模式", 0).applied);
    EXPECT_EQ(pane.logger.powerMode, kPowerNormal);
    EXPECT_EQ(totalSeconds(pane.logger.interval), 2);
    EXPECT_EQ(pane.logger.intervalTotalSeconds, 2);
    EXPECT_EQ(pane.logger.intervalSeconds, 2);  // what the logger is sent follows
    EXPECT_EQ(pane.row("间隔时间")->value, dateTimeText(seconds(2)));
    ASSERT_TRUE(pane.choose("功耗模式", 1).applied);
    EXPECT_EQ(pane.logger.powerMode, kPowerSaving);
    EXPECT_EQ(pane.row("功耗模式")->value, "省电模式");
}

TEST(PropertyEditing, AlarmLimitsTakeNumbersAndALoneMinusIsZero) {
    Pane pane(smallLogger());
    ASSERT_TRUE(pane.editText("通道报警下限0", "-").applied);
    EXPECT_EQ(pane.logger.alarmLow[0], 0);
    EXPECT_EQ(pane.row("通道报警下限0")->value, "0");
    ASSERT_TRUE(pane.editText("通道报警上限0", "-5").applied);
    EXPECT_EQ(pane.logger.alarmHigh[0], -5);  // no comparison with the low limit here
}

TEST(PropertyEditing, AlarmChannelTreeDimsTheLimitsOfUncheckedChannels) {
    auto p = smallLogger();
    p.alarmChannels = 0b101;
    Pane pane(p);
    ASSERT_FALSE(pane.row("通道报警下限2")->readOnly);
    ASSERT_TRUE(pane.edit("报警通道",
                          [](PropertyEditor& e) {
                              e.nodes[0].checked = true;
                              e.nodes[1].checked = false;
                          })
                    .applied);
    EXPECT_EQ(pane.logger.alarmChannels, 0b001);
    EXPECT_EQ(pane.row("报警通道")->value, "00000001");
    for (const char* key : {"通道报警下限2", "通道报警上限2"}) {
        EXPECT_TRUE(pane.row(key)->readOnly);
        EXPECT_EQ(pane.row(key)->valueColour, kAlarmDimmedColour);
    }
    EXPECT_FALSE(pane.row("通道报警下限0")->readOnly);
    EXPECT_FALSE(pane.row("通道报警下限0")->valueColour);
}

TEST(PropertyEditing, TextIsCutToEightCharacters) {
    Pane pane(smallLogger());
    ASSERT_TRUE(pane.editText("标题", "一二三四五六七八九").applied);
    EXPECT_EQ(pane.logger.title, "一二三四五六七八");
    EXPECT_EQ(pane.row("标题")->value, "一二三四五六七八");
}

TEST(PropertyEditing, FilePropertiesRenameTheActiveDocumentAndLeaveTheLoggerAlone) {
    Pane pane(smallLogger());
    pane.file = smallLogger();
    pane.file.title = "旧";
    pane.rows = filePropertyRows(pane.file, pane.viewer);
    pane.fileView = true;
    HistoryDocument doc;
    doc.channels.resize(2);
    const LoggerParameters loggerBefore = pane.logger;

    auto e = pane.open("用户名");
    ASSERT_TRUE(e);
    e->text = "新用户";
    auto s = pane.session();
    s.activeHistory = &doc;
    ASSERT_TRUE(commitEditor(s, *e).applied);
    EXPECT_EQ(pane.file.userName, "新用户");
    for (const auto& ch : doc.channels) {
        EXPECT_EQ(ch.userName, "新用户");
        EXPECT_EQ(ch.title, "旧");
    }
    ASSERT_TRUE(pane.editText("通道报警下限0", "-7").applied);
    EXPECT_EQ(pane.file.alarmLow[0], -7);
    EXPECT_EQ(pane.logger, loggerBefore);
}

// ---- the command line's edits ----

TEST(SetEdits, NamesAndValueFormsOfTheCommandLine) {
    const struct {
        std::string name;
        std::string value;
        SetEditStatus status;
    } cases[] = {
        {"colour", "1", SetEditStatus::UsageError},
        {"alarmLow[8]", "1", SetEditStatus::UsageError},
        {"alarmLow0", "1", SetEditStatus::UsageError},
        {"interval", "10 minutes", SetEditStatus::UsageError},
        {"interval", "24:00:00", SetEditStatus::UsageError},
        {"loggerClock", "2024-02-30 10:00:00", SetEditStatus::UsageError},
        {"startMode", "0", SetEditStatus::UsageError},
        {"startMode", "5", SetEditStatus::UsageError},
        {"stopMode", "8", SetEditStatus::UsageError},
        {"powerMode", "1", SetEditStatus::UsageError},
        {"alarmChannels", "256", SetEditStatus::UsageError},
        {"alarmHigh[0]", "40000", SetEditStatus::UsageError},
        {"alarmHigh[0]", "-", SetEditStatus::UsageError},
        {"stopCount", "many", SetEditStatus::UsageError},
        {"userName", "123456789", SetEditStatus::UsageError},
        {"userName", "\xff", SetEditStatus::UsageError},
        {"userName", "一二三四五六七八", SetEditStatus::Applied},
        {"loggerClock", "2024-03-05 12:00:00", SetEditStatus::Applied},
        {"interval", "00:00:05", SetEditStatus::Applied},
        {"powerMode", "128", SetEditStatus::Applied},
        {"stopMode", "7", SetEditStatus::Applied},
        {"alarmChannels", "5", SetEditStatus::Applied},
        {"alarmHigh[0]", "-40", SetEditStatus::Applied},
    };
    for (const auto& c : cases) {
        auto p = smallLogger();
        const auto r = applySetEdit(p, c.name, c.value, kNow);
        EXPECT_EQ(r.status, c.status) << c.name << "=" << c.value << ": " << r.message;
        if (c.status == SetEditStatus::UsageError) {
            EXPECT_FALSE(r.message.empty());
        }
    }
}

TEST(SetEdits, EditorChecksRefuseAndLeaveTheRecord) {
    auto p = smallLogger();
    const LoggerParameters before = p;
    auto r = applySetEdit(p, "interval", "00:00:01", kNow);
    EXPECT_EQ(r.status, SetEditStatus::Refused);
    EXPECT_EQ(r.message, "记录间隔不得小于2秒");
    p.powerMode = kPowerSaving;
    r = applySetEdit(p, "interval", "00:00:05", kNow);
    EXPECT_EQ(r.message, "省电模式下,记录间隔不得小于10秒");
    p.powerMode = before.powerMode;
    EXPECT_EQ(p, before);

    // Rows the pane shows read-only now, and checks the logger's trees do not offer.
    for (const auto& [name, value] :
         std::vector<std::pair<std::string, std::string>>{{"stopCount", "10"},
                                                          {"timedStartTime", "2024-03-06 00:00:00"},
                                                          {"startDelay", "00:10:00"},
                                                          {"alarmLow[2]", "1"},
                                                          {"alarmChannels", "2"}}) {
        EXPECT_EQ(applySetEdit(p, name, value, kNow).status, SetEditStatus::Refused) << name;
    }
    auto type252 = smallLogger(252);
    EXPECT_EQ(applySetEdit(type252, "stopMode", "4", kNow).status, SetEditStatus::Refused);
    EXPECT_EQ(applySetEdit(type252, "powerMode", "128", kNow).status, SetEditStatus::Applied);
    auto type254 = smallLogger(254);
    EXPECT_EQ(applySetEdit(type254, "powerMode", "128", kNow).status, SetEditStatus::Refused);
    EXPECT_EQ(p, before);
}

TEST(SetEdits, EditsApplyInOrderThroughTheCommitRules) {
    auto p = smallLogger();
    EXPECT_EQ(applySetEdit(p, "startMode", "3", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(applySetEdit(p, "timedStartTime", "2024-03-06 08:00:00", kNow).status,
              SetEditStatus::Applied);
    EXPECT_EQ(p.timedStartTime, makeDateTime(2024, 3, 6, 8, 0, 0));
    EXPECT_EQ(p.loggerStartTime, p.timedStartTime);
    EXPECT_EQ(applySetEdit(p, "timedStartTime", "2024-03-20 08:00:00", kNow).message,
              "您输入的时间太大");

    EXPECT_EQ(applySetEdit(p, "stopMode", "2", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(applySetEdit(p, "stopCount", "40000", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(p.stopCount, 40000);
    EXPECT_DOUBLE_EQ(p.countStopTime, p.timedStartTime + 40000 * p.interval);
    EXPECT_EQ(applySetEdit(p, "stopCount", "0", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(p.stopCount, 1);  // the box turns 0 into 1
    EXPECT_DOUBLE_EQ(p.countStopTime, p.timedStartTime + p.interval);
    EXPECT_DOUBLE_EQ(p.expectedStopTime, p.countStopTime);

    EXPECT_EQ(applySetEdit(p, "interval", "00:00:30", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(p.intervalTotalSeconds, 30);
    EXPECT_EQ(p.intervalMinutes, 0);
    EXPECT_EQ(p.intervalSeconds, 30);

    EXPECT_EQ(applySetEdit(p, "alarmChannels", "5", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(applySetEdit(p, "alarmLow[2]", "-3", kNow).status, SetEditStatus::Applied);
    EXPECT_EQ(p.alarmLow[2], -3);
}

}  // namespace
}  // namespace tarvo
