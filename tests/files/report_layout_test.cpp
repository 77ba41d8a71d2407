#include "files/report_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"

namespace tarvo {
namespace {

// Records what the layout draws. Metrics are simple and exact: every character is 6
// device units wide and a line is twice the point size high.
struct Drawn {
    enum class Kind { Text, Line, Polyline, NewPage };
    Kind kind = Kind::Text;
    int page = 1;
    std::string text;
    DevicePoint at;
    DevicePoint to;
    ReportFont font;
    ReportPen pen;
    std::vector<DevicePoint> points;
    std::optional<DeviceRect> clip;
};

std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

class RecordingPainter : public ReportPainter {
  public:
    std::vector<Drawn> drawn;
    int page = 1;

    void setFont(const ReportFont& font) override { font_ = font; }
    double textWidth(std::string_view text) override {
        return 6.0 * static_cast<double>(characters(text));
    }
    double lineHeight() override { return 2 * font_.pointSize; }
    void drawText(DevicePoint topLeft, std::string_view text) override {
        add(Drawn::Kind::Text).text = text;
        drawn.back().at = topLeft;
    }
    void setPen(const ReportPen& pen) override { pen_ = pen; }
    void drawLine(DevicePoint from, DevicePoint to) override {
        Drawn& d = add(Drawn::Kind::Line);
        d.at = from;
        d.to = to;
    }
    void drawPolyline(std::span<const DevicePoint> points) override {
        add(Drawn::Kind::Polyline).points.assign(points.begin(), points.end());
    }
    void setClip(std::optional<DeviceRect> rect) override { clip_ = rect; }
    void newPage() override {
        add(Drawn::Kind::NewPage);
        ++page;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Drawn& d : drawn) {
            if (d.kind == Drawn::Kind::Text) out.push_back(d.text);
        }
        return out;
    }
    const Drawn* findText(std::string_view text) const {
        for (const Drawn& d : drawn) {
            if (d.kind == Drawn::Kind::Text && d.text == text) return &d;
        }
        return nullptr;
    }

  private:
    Drawn& add(Drawn::Kind kind) {
        Drawn d;
        d.kind = kind;
        d.page = page;
        d.font = font_;
        d.pen = pen_;
        d.clip = clip_;
        drawn.push_back(std::move(d));
        return drawn.back();
    }

    ReportFont font_;
    ReportPen pen_;
    std::optional<DeviceRect> clip_;
};

// A portrait page whose device units are page units shifted by the margin: page (0, 0) is
// device (48, 48), the usable width ends at device 768 and the foot B lies at device 1024.
constexpr ReportPage kPage{816, 1072, 96, false};
constexpr double kFoot = 1024;

const DateTime kStart = makeDateTime(2006, 3, 7, 9, 0, 0);
const DateTime kTenMinutes = makeDuration(0, 10, 0);

std::string padded10(const std::string& text) {
    const std::size_t n = characters(text);
    return text + std::string(n < 10 ? 10 - n : 0, ' ');
}

ChannelRecord channelOf(std::int16_t code, const std::string& type, const std::string& unit,
                        std::vector<float> values) {
    ChannelRecord c;
    c.channel = code;
    c.values = std::move(values);
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        c.times.push_back(kStart + static_cast<double>(k) * kTenMinutes);
    }
    c.typeText = padded10(type);
    c.unitText = padded10(unit);
    c.rangeLow = 0;
    c.rangeHigh = 100;
    c.alarmHigh = 25;
    c.alarmLow = 5;
    c.userName = "Alice   ";
    c.title = "  Cold room ";
    c.versionDate = makeDateTime(2006, 3, 7);
    c.startTime = kStart;
    c.stopTime = makeDateTime(2006, 3, 10, 9, 0, 0);
    c.workStatus = kWorkRecording;
    return c;
}

std::vector<float> series(int n, float first, float step) {
    std::vector<float> v;
    for (int k = 0; k < n; ++k) v.push_back(first + step * static_cast<float>(k));
    return v;
}

// A loaded document as a window holds it before its first redraw (view still 0).
HistoryDocument documentOf(std::vector<ChannelRecord> channels) {
    HistoryDocument doc;
    doc.channels = std::move(channels);
    doc.loaded = true;
    doc.caption = "记录仪文件1";
    resetView(doc, 800 * kTwipsPerPixel);
    return doc;
}

HistoryDocument twoChannels(int records = 20) {
    return documentOf({channelOf(0, "温度", "℃", series(records, 10, 1)),
                       channelOf(2, "湿度", "%RH", series(records, 50, 0.5f))});
}

// The report without the summary block, whose own tests turn it on.
ReportOptions fixedOptions() {
    ReportOptions o;
    o.printTime = makeDateTime(2006, 3, 8, 10, 0, 0);
    o.printSummary = false;
    return o;
}

struct Printed {
    RecordingPainter painter;
    int pages = 0;
};

Printed print(const HistoryDocument& doc, ReportOptions options = fixedOptions(),
              ReportPage page = kPage) {
    Printed p;
    p.pages = printReport(doc, options, page, p.painter);
    return p;
}

// Index of `text` in `texts` at or after `from`, or texts.size().
std::size_t indexOf(const std::vector<std::string>& texts, const std::string& text,
                    std::size_t from = 0) {
    for (std::size_t i = from; i < texts.size(); ++i) {
        if (texts[i] == text) return i;
    }
    return texts.size();
}

bool isRowOf(const std::string& text, std::int32_t record) {
    return text.rfind(dataListRowText(record, 0, {}).substr(0, 7), 0) == 0 && text.size() > 9 &&
           text.substr(7, 2) == "20";
}

// ---------------------------------------------------------------------------------------

TEST(PrintDialog, TopNodeIsCheckedOnlyWhenBothChildrenAre) {
    struct Case {
        bool curve, list, top;
    };
    for (const Case c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false},
                         Case{false, false, false}}) {
        PrintDialogModel dialog;
        ASSERT_TRUE(dialog.addTreeView(c.curve, c.list, "通道0:温度", "通道1"));
        const PrintTreeChannel& node = dialog.channels().front();
        EXPECT_EQ(node.top, (PrintTreeNode{"通道1", "通道0:温度", c.top}));
        EXPECT_EQ(node.curve, (PrintTreeNode{"T通道1", "曲线图", c.curve}));
        EXPECT_EQ(node.list, (PrintTreeNode{"L通道1", "数据列表", c.list}));
    }
}

TEST(PrintDialog, ChildChecksFollowTheParentAndTheParentFollowsBothChildren) {
    PrintDialogModel dialog;
    dialog.addTreeView(true, true, "通道0:温度", "通道1");
    dialog.addTreeView(true, true, "通道2:湿度", "通道2");

    ASSERT_TRUE(dialog.setChecked("T通道1", false));
    EXPECT_FALSE(dialog.channels()[0].top.checked);
    EXPECT_TRUE(dialog.channels()[0].list.checked);
    EXPECT_TRUE(dialog.channels()[1].top.checked);
    ASSERT_TRUE(dialog.setChecked("T通道1", true));
    EXPECT_TRUE(dialog.channels()[0].top.checked);

    dialog.setChecked("L通道1", false);
    dialog.setChecked("T通道1", false);
    dialog.setChecked("T通道1", true);
    EXPECT_FALSE(dialog.channels()[0].top.checked) << "the list is still unchecked";

    dialog.setChecked("通道2", false);
    EXPECT_FALSE(dialog.channels()[1].curve.checked);
    EXPECT_FALSE(dialog.channels()[1].list.checked);
    dialog.setChecked("通道2", true);
    EXPECT_TRUE(dialog.channels()[1].curve.checked && dialog.channels()[1].list.checked);

    EXPECT_FALSE(dialog.setChecked("通道9", true));
    EXPECT_FALSE(dialog.addTreeView(true, true, "again", "通道2"));
    EXPECT_EQ(dialog.channels().size(), 2u);
}

TEST(PrintDialog, GetValueAnswersForTheTopNodeOrEitherChild) {
    PrintDialogModel dialog;
    dialog.addTreeView(false, true, "通道0:温度", "通道1");
    for (const char* key : {"通道1", "T通道1", "L通道1"}) {
        bool curve = true, list = false;
        ASSERT_TRUE(dialog.getValue(key, curve, list)) << key;
        EXPECT_FALSE(curve);
        EXPECT_TRUE(list);
    }
    bool curve = true, list = true;
    EXPECT_FALSE(dialog.getValue("通道5", curve, list));
    EXPECT_TRUE(curve && list) << "an unknown key leaves the flags alone";
}

TEST(PrintDialog, ChoicesGoBackIntoTheDocumentsPrintFlags) {
    HistoryDocument doc = twoChannels();
    doc.channels[1].printList = false;
    PrintDialogModel dialog = printDialogFor(doc);
    ASSERT_EQ(dialog.channels().size(), 2u);
    EXPECT_EQ(dialog.channels()[0].top.text, "通道0:温度");
    EXPECT_EQ(dialog.channels()[1].top.text, "通道2:湿度");
    EXPECT_EQ(dialog.channels()[1].top.key, "通道2");
    EXPECT_FALSE(dialog.channels()[1].top.checked);
    EXPECT_EQ(dialog.printFont, (ReportFont{"宋体", 9, false}));

    dialog.setChecked("T通道1", false);
    dialog.setChecked("L通道2", true);
    applyPrintChoices(dialog, doc);
    EXPECT_FALSE(doc.channels[0].printCurve);
    EXPECT_TRUE(doc.channels[0].printList);
    EXPECT_TRUE(doc.channels[1].printCurve);
    EXPECT_TRUE(doc.channels[1].printList);
}

// ---------------------------------------------------------------------------------------

TEST(ReportLayout, HeaderPropertiesAndChannelFiguresReadInOrder) {
    const Printed p = print(twoChannels());
    const std::vector<std::string> t = p.painter.texts();
    const std::vector<std::string> head(t.begin(), t.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "[打印时间：2006-3-8 10:00:00]",
                        "硬件版本：2006-3-7",
                        "软件版本：V4.2",
                        "记录仪属性",
                        "用户名:Alice   标题:Cold room",
                        "启动时间:2006-3-7 9:00:00   ",
                        "停止时间:2006-3-10 9:00:00   ",
                        "数据组数:20   当前状态:正在记录   ",
                    }));

    const std::size_t block = indexOf(t, "通道0");
    ASSERT_LT(block + 20, t.size());
    EXPECT_EQ(t[block + 1], "类型:温度   单位:℃   ");
    EXPECT_EQ(t[block + 2], "报警上限:25   报警下限:5");
    EXPECT_EQ(t[block + 3], "最大值:29   最小值:10   平均值:19.5   ");
    EXPECT_EQ(t[block + 4], "量程:(100,0)");
    // The chart: values of the first ten grid rows, then the times under five columns.
    EXPECT_EQ(t[block + 5], "100.4");
    EXPECT_EQ(t[block + 6], "90.3");
    EXPECT_EQ(t[block + 14], "9.7");
    const std::vector<std::string> times(t.begin() + static_cast<long>(block) + 15,
                                         t.begin() + static_cast<long>(block) + 20);
    EXPECT_EQ(times,
              (std::vector<std::string>{"2006-3-7 9:00:00", "2006-3-7 9:30:00", "2006-3-7 10:10:00",
                                        "2006-3-7 10:50:00", "2006-3-7 11:30:00"}));

    const std::size_t second = indexOf(t, "通道2", block);
    const std::size_t list = indexOf(t, "数据列表", second);
    ASSERT_LT(list, t.size());
    EXPECT_EQ(t[second + 1], "类型:湿度   单位:%RH   ");
    EXPECT_EQ(t[list + 1], "  编号");
    EXPECT_EQ(t[list + 2], "          记录时间");
    EXPECT_EQ(t[list + 3], "0(℃)");
    EXPECT_EQ(t[list + 4], "2(%RH)");
    EXPECT_EQ(t[list + 5], "    1  2006-03-07 09:00:00  10.00  50.00 ");
    EXPECT_EQ(t[list + 24], "   20  2006-03-07 12:10:00  29.00  59.50 ");
    EXPECT_EQ(t.back(), "2");
}

TEST(ReportLayout, SummaryBlockFollowsThePropertiesWithEveryChannelsFigures) {
    ReportOptions options = fixedOptions();
    options.printSummary = true;
    const Printed p = print(twoChannels(), options);
    const std::vector<std::string> t = p.painter.texts();
    const std::size_t block = indexOf(t, "统计汇总   活化能:83.144 kJ/mol");
    ASSERT_EQ(block, 8u);  // right after the properties
    EXPECT_TRUE(p.painter.findText(t[block])->font.bold);
    // 10, 11, … 29 ℃ against 5..25: above from record 17 (11:40) to one interval after
    // the last (12:20); the humidity channel lies above its limits throughout.
    const std::vector<std::string> lines(t.begin() + static_cast<long>(block) + 1,
                                         t.begin() + static_cast<long>(block) + 9);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "通道0   单位:℃   记录数:20   平均动力学温度:21.24",
                         "最小值:10.00   最大值:29.00   平均值:19.50   报警下限:5.00   报警上限:25.00",
                         "超上限时间(秒):2400   低于下限时间(秒):0   超限次数:1",
                         "最长超限开始:2006-3-7 11:40:00   最长超限结束:2006-3-7 12:20:00   "
                         "最长超限时长(秒):2400",
                         "通道2   单位:%RH   记录数:20   平均动力学温度:-",
                         "最小值:50.00   最大值:59.50   平均值:54.75   报警下限:5.00   报警上限:25.00",
                         "超上限时间(秒):12000   低于下限时间(秒):0   超限次数:1",
                         "最长超限开始:2006-3-7 9:00:00   最长超限结束:2006-3-7 12:20:00   "
                         "最长超限时长(秒):12000",
                     }));
    EXPECT_TRUE(p.painter.findText(lines[0])->font.bold);  // each channel's first line
    EXPECT_FALSE(p.painter.findText(lines[1])->font.bold);
    EXPECT_EQ(t[block + 9], "通道0");  // the channel blocks follow

    // Unchecked in the print dialog: no block.
    PrintDialogModel dialog = printDialogFor(twoChannels());
    EXPECT_TRUE(dialog.summary.checked);
    EXPECT_TRUE(dialog.setChecked(kPrintSummaryKey, false));
    EXPECT_FALSE(dialog.summary.checked);
    options.printSummary = dialog.summary.checked;
    EXPECT_EQ(print(twoChannels(), options).painter.texts(), print(twoChannels()).painter.texts());
}

TEST(ReportLayout, StyledTextsUseTheBoldPrintFontAndNinePointTimes) {
    ReportOptions options = fixedOptions();
    options.font = {"仿宋", 11, false};
    const Printed p = print(twoChannels(), options);
    EXPECT_EQ(p.painter.findText("记录仪属性")->font, (ReportFont{"仿宋", 11, true}));
    EXPECT_EQ(p.painter.findText("通道0")->font, (ReportFont{"仿宋", 11, true}));
    EXPECT_EQ(p.painter.findText("数据列表")->font, (ReportFont{"仿宋", 11, true}));
    EXPECT_EQ(p.painter.findText("量程:(100,0)")->font, (ReportFont{"仿宋", 11, false}));
    EXPECT_EQ(p.painter.findText("2006-3-7 9:30:00")->font, (ReportFont{"仿宋", 9, false}));
    EXPECT_EQ(p.painter.findText("  编号")->font, (ReportFont{"仿宋", 11, false}));
}

TEST(ReportLayout, PagesBreakBeforeABlockThatWouldRunIntoTheFoot) {
    // 9-point lines are 18 units: the header and properties end at 162, the first block
    // (six lines, the chart and its time line: 426 units) at 588; the second would end
    // past the foot at 976 and moves to the top of page 2.
    const Printed p = print(twoChannels());
    EXPECT_EQ(p.pages, 2);
    const Drawn* first = p.painter.findText("通道0");
    const Drawn* second = p.painter.findText("通道2");
    EXPECT_EQ(first->page, 1);
    EXPECT_DOUBLE_EQ(first->at.y, 48 + 162 + 18);
    EXPECT_EQ(second->page, 2);
    EXPECT_DOUBLE_EQ(second->at.y, 48 + 18);
    // Each page ends with its number, centred at the foot.
    const Drawn* one = p.painter.findText("1");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->page, 1);
    EXPECT_DOUBLE_EQ(one->at.y, kFoot);
    EXPECT_DOUBLE_EQ(one->at.x, 48 + 360 - 3);
}

TEST(ReportLayout, NothingButThePageNumberIsDrawnBelowTheFootAndBlocksKeep350Units) {
    for (const bool summary : {false, true})
    for (const double points : {1.0, 4.0, 9.0, 14.0, 24.0, 40.0}) {
        std::vector<ChannelRecord> channels;
        for (std::int16_t c = 0; c < 8; ++c)
            channels.push_back(channelOf(c, "温度", "℃", series(400, 1, 0.25f)));
        ReportOptions options = fixedOptions();
        options.font.pointSize = points;
        options.printSummary = summary;
        const Printed p = print(documentOf(std::move(channels)), options);
        int newPages = 0;
        for (const Drawn& d : p.painter.drawn) {
            if (d.kind == Drawn::Kind::NewPage) ++newPages;
            if (d.kind == Drawn::Kind::Line) {
                EXPECT_LE(std::max(d.at.y, d.to.y), kFoot);
            }
            if (d.kind == Drawn::Kind::Text && d.at.y != kFoot) {
                EXPECT_LE(d.at.y + 2 * d.font.pointSize, kFoot + 1e-9)
                    << d.text << " at " << points << " points";
            }
            // A block begins (its empty line) at least 350 units above the foot, or at the top.
            // (A block's title is the channel alone; a summary line goes on after it.)
            if (d.kind == Drawn::Kind::Text && d.text.rfind("通道", 0) == 0 && d.font.bold &&
                d.text.find(' ') == std::string::npos) {
                const double blockTop = d.at.y - 2 * points;
                EXPECT_TRUE(blockTop == 48 || blockTop + 350 < kFoot) << points;
            }
        }
        EXPECT_EQ(p.pages, newPages + 1);
        EXPECT_EQ(p.painter.findText("数据列表")->page, p.painter.findText("  编号")->page)
            << "the list's title stays with its first column at " << points << " points";
    }
}

TEST(ReportLayout, ClearedCurveFlagsGoStraightToTheDataList) {
    HistoryDocument doc = twoChannels();
    for (ChannelRecord& r : doc.channels) r.printCurve = false;
    const Printed p = print(doc);
    const std::vector<std::string> t = p.painter.texts();
    EXPECT_EQ(p.pages, 1);
    EXPECT_EQ(t[7], "数据组数:20   当前状态:正在记录   ");
    EXPECT_EQ(t[8], "数据列表");
    for (const Drawn& d : p.painter.drawn) {
        EXPECT_NE(d.kind, Drawn::Kind::Polyline);
    }
}

TEST(ReportLayout, ClearedListFlagsPrintNoDataList) {
    HistoryDocument doc = twoChannels();
    for (ChannelRecord& r : doc.channels) r.printList = false;
    const std::vector<std::string> t = print(doc).painter.texts();
    EXPECT_EQ(indexOf(t, "数据列表"), t.size());
    EXPECT_EQ(indexOf(t, "  编号"), t.size());
}

TEST(ReportLayout, OnlyShownChannelsChosenForTheirCurveGetABlock) {
    HistoryDocument doc = twoChannels();
    doc.channels[0].visible = false;
    doc.channels[1].printList = false;
    const std::vector<std::string> t = print(doc).painter.texts();
    EXPECT_EQ(indexOf(t, "通道0"), t.size());
    EXPECT_LT(indexOf(t, "通道2"), t.size());
    // The hidden channel is still listed; the other has no column.
    EXPECT_LT(indexOf(t, "0(℃)"), t.size());
    EXPECT_EQ(indexOf(t, "2(%RH)"), t.size());
    EXPECT_LT(indexOf(t, "    1  2006-03-07 09:00:00  10.00 "), t.size());
}

TEST(ReportLayout, DataListHoldsExactlyTheRecordsInView) {
    HistoryDocument doc = twoChannels(300);
    doc.view.viewStart = 100;
    doc.view.viewEnd = 200;
    doc.view.viewTop = 1000;
    doc.view.viewBottom = 0;
    const std::vector<std::string> t = print(doc).painter.texts();
    std::vector<std::int32_t> records;
    for (const std::string& text : t) {
        for (std::int32_t r = 1; r <= 300; ++r) {
            if (isRowOf(text, r)) records.push_back(r);
        }
    }
    ASSERT_EQ(records.size(), 101u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i], static_cast<std::int32_t>(100 + i));
    }
    EXPECT_LT(indexOf(t, "  100  2006-03-08 01:30:00 109.00  99.50 "), t.size())
        << "record 100 is 99 intervals after 09:00 the day before";
}

TEST(ReportLayout, ALongDataListFlowsIntoThreeColumnsAPageThenOntoNewPages) {
    HistoryDocument doc = documentOf({channelOf(0, "温度", "℃", series(2000, 0, 0.01f))});
    doc.channels[0].printCurve = false;
    const Printed p = print(doc);

    // A row is 34 characters (204 units): columns at 0, 204 and 408; a fourth would end
    // past the usable width of 720.
    std::int32_t expected = 1;
    int headers = 0;
    int currentPage = 0;
    double columnTop = 0;
    std::vector<double> columnsOnPage;
    for (const Drawn& d : p.painter.drawn) {
        if (d.kind != Drawn::Kind::Text) continue;
        if (d.text == "  编号") {
            ++headers;
            if (d.page != currentPage) {
                currentPage = d.page;
                columnsOnPage.clear();
                columnTop = d.at.y;
                if (d.page > 1) {
                    EXPECT_DOUBLE_EQ(d.at.y, 48) << "page " << d.page;
                }
            }
            EXPECT_DOUBLE_EQ(d.at.y, columnTop) << "every column starts at the list's top";
            columnsOnPage.push_back(d.at.x);
            EXPECT_DOUBLE_EQ(d.at.x, 48 + 204.0 * static_cast<double>(columnsOnPage.size() - 1));
            EXPECT_LE(columnsOnPage.size(), 3u);
            continue;
        }
        if (isRowOf(d.text, expected)) {
            EXPECT_EQ(d.text,
                      dataListRowText(
                          expected, doc.channels[0].times[static_cast<std::size_t>(expected - 1)],
                          {doc.channels[0].values[static_cast<std::size_t>(expected - 1)]}));
            EXPECT_DOUBLE_EQ(d.at.x, columnsOnPage.back());
            EXPECT_LE(d.at.y + 18, kFoot);
            ++expected;
        }
    }
    EXPECT_EQ(expected, 2001);
    // First page: the list's header lies at 198, under the properties and the title, and
    // 42 rows follow it in each column; later pages hold three columns of 53 rows.
    EXPECT_EQ(p.pages, 1 + (2000 - 3 * 42 + 158) / 159);
    EXPECT_EQ(headers, 3 * p.pages);
    EXPECT_EQ(p.painter.texts().back(), std::to_string(p.pages));
}

TEST(ReportLayout, ChartDrawsGridAlarmLimitsAndTheChannelsCurveInsideThePlot) {
    HistoryDocument doc = twoChannels();
    doc.channels[1].printCurve = false;
    doc.channels[0].alarmHigh = 25;  // inside the range: drawn
    doc.channels[0].alarmLow = -50;  // below the range: not drawn
    const Printed p = print(doc);

    const Drawn* title = p.painter.findText("量程:(100,0)");
    const double top = title->at.y + 18;  // the chart starts under the last figure line
    const DeviceRect plot{48, top, 710, 300};
    const double frame = 8 * 96.0 / 300, grid = 96.0 / 300;
    int frames = 0, dotted = 0, alarms = 0, curves = 0;
    for (const Drawn& d : p.painter.drawn) {
        if (d.kind == Drawn::Kind::Line && d.pen.colour == rgb(255, 0, 0)) {
            ++alarms;
            EXPECT_EQ(d.pen.style, PenStyle::Dashed);
            // 25 lies at plot height 25 × 9.92 + 4 = 252 of 1000.
            EXPECT_NEAR(d.at.y, top + 300 * (1000 - 252.0) / 1000, 1e-9);
            // It runs through the height of the label "29.8": it starts a digit after it.
            EXPECT_DOUBLE_EQ(d.at.x, 48 + 3 + 4 * 6 + 6);
            EXPECT_DOUBLE_EQ(d.to.x, 48 + 710);
        } else if (d.kind == Drawn::Kind::Line && d.at.y >= top && d.at.y <= top + 300) {
            if (d.pen.style == PenStyle::Solid) {
                EXPECT_DOUBLE_EQ(d.pen.width, frame);
                ++frames;
            } else {
                EXPECT_DOUBLE_EQ(d.pen.width, grid);
                ++dotted;
            }
        } else if (d.kind == Drawn::Kind::Polyline) {
            ++curves;
            ASSERT_TRUE(d.clip.has_value());
            EXPECT_EQ(*d.clip, plot);
            EXPECT_EQ(d.pen.colour, defaultCurveColor(doc.channels[0].color, 1));
            EXPECT_DOUBLE_EQ(d.pen.width, 2 * 96.0 / 300);
            EXPECT_DOUBLE_EQ(d.points.front().x, 48);
            EXPECT_DOUBLE_EQ(d.points.back().x, 48 + 710);
            // Sample 1 (value 10) at plot height 103.2.
            EXPECT_NEAR(d.points.front().y, top + 300 * (1000 - 103.2) / 1000, 1e-9);
        }
    }
    EXPECT_EQ(frames, 4);   // top, bottom, left, right
    EXPECT_EQ(dotted, 13);  // nine rows, four columns
    EXPECT_EQ(alarms, 1);
    EXPECT_EQ(curves, 1);
    EXPECT_FALSE(p.painter.drawn.back().clip.has_value());
}

TEST(ReportLayout, ChartLabelsKeepClearOfEachOtherAndOfTheAlarmLines) {
    // Pages from wide to so narrow that five times cannot stand side by side; alarm
    // limits at every height of a value label and between them.
    for (const double pageWidth : {1072.0, 816.0, 560.0}) {
        for (float alarm = 0; alarm <= 100; alarm += 2.5f) {
            HistoryDocument doc =
                documentOf({channelOf(0, "温度", "℃", series(400, 0, 0.25f))});
            doc.channels[0].times.back() = makeDateTime(2006, 12, 28, 23, 59, 59);
            for (auto& t : doc.channels[0].times) t += 300;  // two-digit months and days
            doc.channels[0].alarmHigh = alarm;
            const Printed p = print(doc, fixedOptions(), {pageWidth, 1072, 96, false});
            const std::vector<Drawn>& d = p.painter.drawn;
            const auto title = std::find_if(d.begin(), d.end(), [](const Drawn& x) {
                return x.kind == Drawn::Kind::Text && x.text == "量程:(100,0)";
            });
            ASSERT_NE(title, d.end());
            const double bottom = title->at.y + 18 + 300;
            std::vector<const Drawn*> values, times, alarms;
            for (auto it = title + 1; it != d.end(); ++it) {
                if (it->kind == Drawn::Kind::Line && it->pen.colour == rgb(255, 0, 0))
                    alarms.push_back(&*it);
                if (it->kind != Drawn::Kind::Text) continue;
                if (it->at.y > bottom) break;  // the chart ends with its time labels
                (it->at.y == bottom ? times : values).push_back(&*it);
            }
            ASSERT_EQ(values.size(), 10u);
            ASSERT_GE(times.size(), 3u) << pageWidth;
            const auto right = [](const Drawn* x) {
                return x->at.x + 6.0 * static_cast<double>(characters(x->text));
            };
            for (std::size_t i = 1; i < times.size(); ++i)
                EXPECT_GE(times[i]->at.x, right(times[i - 1]) + 12) << pageWidth;
            for (const Drawn* line : alarms) {
                for (const Drawn* label : values) {
                    const double height = 2 * label->font.pointSize;
                    const bool acrossRows =
                        line->at.y >= label->at.y && line->at.y <= label->at.y + height;
                    const bool acrossColumns =
                        line->at.x < right(label) && line->to.x > label->at.x;
                    EXPECT_FALSE(acrossRows && acrossColumns)
                        << "alarm " << alarm << " runs through " << label->text;
                }
            }
        }
    }
}

TEST(ReportLayout, ZoomedChartLabelsTheWindowsValueRangeAndTimes) {
    HistoryDocument doc = documentOf({channelOf(0, "温度", "℃", series(300, 0, 0.25f))});
    // Plot space 252..500: values 25 to 50 of the range 0..100, records 101 to 201.
    doc.view = {.viewStart = 101,
                .viewEnd = 201,
                .viewTop = 500,
                .viewBottom = 252,
                .homeStart = 1,
                .homeTop = 1000,
                .homeEnd = 300,
                .homeBottom = 0};
    const std::vector<std::string> t = print(doc).painter.texts();
    const std::size_t at = indexOf(t, "量程:(100,0)");
    ASSERT_LT(at + 15, t.size());
    EXPECT_EQ(t[at + 1], "50");    // (500 - 4) / 9.92
    EXPECT_EQ(t[at + 2], "47.5");  // 475.2
    EXPECT_EQ(t[at + 10], "27.5");
    // Times of records 101, 121, 141, 161, 181 (ten minutes apart from 09:00).
    EXPECT_EQ(t[at + 11], generalDateText(kStart + 100 * kTenMinutes));
    EXPECT_EQ(t[at + 15], generalDateText(kStart + 180 * kTenMinutes));
    EXPECT_EQ(t[at - 1], "最大值:50   最小值:25   平均值:37.5   ") << "statistics of the view";
}

TEST(ReportLayout, LandscapeWidensTheUsableWidthAndRaisesTheFoot) {
    HistoryDocument doc = documentOf({channelOf(0, "温度", "℃", series(2000, 0, 0.01f))});
    doc.channels[0].printCurve = false;
    const Printed p = print(doc, fixedOptions(), {1072, 816, 96, true});
    std::vector<double> columns;
    for (const Drawn& d : p.painter.drawn) {
        if (d.kind == Drawn::Kind::Text && d.text == "  编号" && d.page == 1)
            columns.push_back(d.at.x);
        if (d.kind == Drawn::Kind::Text && d.at.y > 768) {
            ADD_FAILURE() << d.text << " below the foot";
        }
    }
    EXPECT_EQ(columns, (std::vector<double>{48, 252, 456, 660}));  // W = 976
    const Drawn* one = p.painter.findText("1");
    EXPECT_DOUBLE_EQ(one->at.y, 768);
    EXPECT_DOUBLE_EQ(one->at.x, 48 + 488 - 3);
}

TEST(ReportLayout, AnEmptyDocumentPrintsNothing) {
    HistoryDocument doc = twoChannels();
    doc.loaded = false;
    const Printed p = print(doc);
    EXPECT_EQ(p.pages, 0);
    EXPECT_TRUE(p.painter.drawn.empty());
    EXPECT_EQ(print(twoChannels(), fixedOptions(), {0, 0, 96, false}).pages, 0);
}

TEST(ReportLayout, DataListRowsRightAlignNumberAndValues) {
    const DateTime t = makeDateTime(2006, 3, 7, 9, 5, 7);
    EXPECT_EQ(dataListRowText(7, t, {23.5f, -1.234f}), "    7  2006-03-07 09:05:07  23.50  -1.23 ");
    EXPECT_EQ(dataListRowText(123456, t, {-12345.678f}), "123456  2006-03-07 09:05:07 -12345.68 ");
    EXPECT_EQ(dataListRowText(1, t, {}), "    1  2006-03-07 09:05:07 ");
}

}  // namespace
}  // namespace tarvo
