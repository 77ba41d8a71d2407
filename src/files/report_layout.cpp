#include "files/report_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/codecs.h"
#include "core/logger_parameters.h"
#include "core/text_format.h"

namespace tarvo {

namespace {

constexpr std::string_view kCurveKeyPrefix = "T";
constexpr std::string_view kListKeyPrefix = "L";
constexpr std::string_view kBlanks = "   ";
// The chart's grid: eleven rows 30 units apart, five columns.
constexpr int kGridRows = 10;
constexpr double kGridRowHeight = kReportChartHeight / kGridRows;
constexpr int kGridColumns = 5;
// The grid's value labels sit just inside the frame.
constexpr double kLabelInset = 3;
// Pen widths in printer pixels.
constexpr double kFramePen = 8;
constexpr double kGridPen = 1;
constexpr double kCurvePen = 2;
constexpr double kRulePen = 2;
constexpr double kAlarmPen = 2;
constexpr Rgb kBlack = rgb(0, 0, 0);
constexpr Rgb kAlarmColour = rgb(255, 0, 0);

std::string trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Right-aligns a text in `width` characters; a longer text stays whole.
std::string rightAligned(std::string_view text, std::size_t width) {
    const std::size_t count = characterCount(text);
    std::string out(count < width ? width - count : 0, ' ');
    out += text;
    return out;
}

// A value rounded to one decimal (halves to even) as plain number text.
std::string oneDecimalText(double value) {
    double rounded = roundHalfEven(value, 1);
    if (!std::isfinite(rounded)) rounded = value;
    return singleText(static_cast<float>(rounded));
}

// The parts of a data list row; the header aligns with where each part starts.
struct RowParts {
    std::string number;
    std::string time;
    std::vector<std::string> values;

    std::string text() const {
        std::string row = number + time;
        for (const std::string& v : values) row += v;
        return row;
    }
};

RowParts rowParts(std::int32_t record, DateTime time, const std::vector<float>& values) {
    RowParts parts;
    parts.number = rightAligned(std::to_string(record), 5) + "  ";
    parts.time = isoDateTimeText(time) + " ";
    for (const float v : values) {
        parts.values.push_back(rightAligned(formatNumber(v, NumberFormat::Fixed2), 6) + " ");
    }
    return parts;
}

// The view the window shows: a fresh view takes the home view, and it starts at sample 1
// at the earliest.
ChartView settledView(const ChartView& view) {
    HistoryDocument viewOnly;
    viewOnly.view = view;
    applyHomeViewWhenEmpty(viewOnly);
    viewOnly.view.viewStart = std::max<std::int32_t>(viewOnly.view.viewStart, 1);
    return viewOnly.view;
}

class ReportWriter {
  public:
    ReportWriter(const HistoryDocument& doc, const ReportOptions& options, const ReportPage& page,
                 ReportPainter& painter)
        : doc_(doc), options_(options), painter_(painter) {
        scaleWidth_ = page.landscape ? kReportLongSide : kReportShortSide;
        scaleHeight_ = page.landscape ? kReportShortSide : kReportLongSide;
        sx_ = page.width / scaleWidth_;
        sy_ = page.height / scaleHeight_;
        usableWidth_ = scaleWidth_ - 2 * kReportMargin;
        bottom_ = -kReportMargin + scaleHeight_ - kReportMargin;
        devicePerPenPixel_ = page.dotsPerInch > 0 ? page.dotsPerInch / kReportPenDotsPerInch : 1.0;
        view_ = settledView(doc.view);
    }

    int run() {
        setFont(options_.font.pointSize, false);
        printHeader();
        printProperties();
        if (options_.printSummary) printSummary();
        int position = 0;
        for (const ChannelRecord& record : doc_.channels) {
            ++position;
            if (record.visible && record.printCurve) printChannelBlock(record, position);
        }
        printDataList();
        finishPage(true);
        return pageNumber_;
    }

  private:
    // Page units to device units of the printable area.
    double deviceX(double x) const { return (x + kReportMargin) * sx_; }
    double deviceY(double y) const { return (y + kReportMargin) * sy_; }
    DevicePoint device(double x, double y) const { return {deviceX(x), deviceY(y)}; }
    double penWidth(double printerPixels) const { return printerPixels * devicePerPenPixel_; }

    void setFont(double pointSize, bool bold) {
        ReportFont font = options_.font;
        font.pointSize = pointSize;
        font.bold = bold;
        painter_.setFont(font);
    }
    // One line of the current font in page units (never 0, so the flow always advances).
    double lineUnits() const {
        const double height = painter_.lineHeight() / sy_;
        return std::isfinite(height) && height > 0.01 ? height : 0.01;
    }
    double textUnits(std::string_view text) const {
        const double width = painter_.textWidth(text) / sx_;
        return std::isfinite(width) && width > 0 ? width : 0;
    }

    // Prints a line at the current position and moves to the next line.
    void print(std::string_view text) {
        painter_.drawText(device(x_, y_), text);
        y_ += lineUnits();
    }
    void printBold(std::string_view text) {
        setFont(options_.font.pointSize, true);
        print(text);
        setFont(options_.font.pointSize, false);
    }
    void emptyLine() { y_ += lineUnits(); }

    void line(double x1, double y1, double x2, double y2, Rgb colour, double printerPixels,
              PenStyle style) {
        painter_.setPen({colour, penWidth(printerPixels), style});
        painter_.drawLine(device(x1, y1), device(x2, y2));
    }

    // The page number at the foot, then the next page unless this was the last.
    void finishPage(bool last) {
        setFont(options_.font.pointSize, false);
        const std::string number = std::to_string(pageNumber_);
        const double centre = scaleWidth_ / 2 - kReportMargin;
        painter_.drawText(device(centre - textUnits(number) / 2, bottom_), number);
        if (last) return;
        painter_.newPage();
        ++pageNumber_;
        x_ = 0;
        y_ = 0;
    }

    const ChannelRecord& first() const { return doc_.channels.front(); }

    void printHeader() {
        x_ = 0;
        y_ = 0;
        const DateTime now = options_.printTime ? *options_.printTime : currentDateTime();
        print("[打印时间：" + generalDateText(now) + "]");
        print("硬件版本：" + generalDateText(first().versionDate));
        print(options_.softwareVersionLabel);
        line(0, y_, usableWidth_, y_, kBlack, kRulePen, PenStyle::Solid);
        emptyLine();
    }

    void printProperties() {
        const ChannelRecord& r = first();
        std::int16_t status = r.workStatus;
        printBold("记录仪属性");
        print("用户名:" + trimSpaces(r.userName) + std::string(kBlanks) +
              "标题:" + trimSpaces(r.title));
        print("启动时间:" + generalDateText(r.startTime) + std::string(kBlanks));
        print("停止时间:" + generalDateText(r.stopTime) + std::string(kBlanks));
        print("数据组数:" + std::to_string(doc_.sampleCount()) + std::string(kBlanks) +
              "当前状态:" + workStatusText(status) + std::string(kBlanks));
    }

    // The figures of every channel over the view, four lines a channel, each line a group
    // of the summary's columns as "label:value"; a channel's lines stay on one page.
    void printSummary() {
        static constexpr std::array<std::array<int, 5>, 4> kLines{{
            {0, 1, 2, 14, -1},
            {3, 4, 5, 6, 7},
            {8, 9, 10, -1, -1},
            {11, 12, 13, -1, -1},
        }};
        const double lines = lineUnits();
        const std::vector<ChannelSummary> summaries =
            summarizeView(doc_, options_.activationEnergy);
        if (y_ > 0 && y_ + static_cast<double>(3 + kLines.size()) * lines > bottom_) finishPage(false);
        x_ = 0;
        emptyLine();
        printBold(std::string(kPrintSummaryNodeText) + "   " + std::string(kActivationEnergyLabel) + ":" +
                  activationEnergyText(options_.activationEnergy) + " kJ/mol");
        for (const ChannelSummary& s : summaries) {
            if (y_ + static_cast<double>(kLines.size()) * lines > bottom_) finishPage(false);
            const std::vector<std::string> cells = summaryCells(s);
            for (const auto& columns : kLines) {
                std::string text;
                for (const int c : columns) {
                    if (c < 0) continue;
                    const auto at = static_cast<std::size_t>(c);
                    if (!text.empty()) text += kBlanks;
                    text += c == 0 ? cells[at] : std::string(kSummaryColumns[at]) + ":" + cells[at];
                }
                // The channel's first line stands out, as a channel block's title does.
                if (&columns == &kLines.front()) {
                    printBold(text);
                } else {
                    print(text);
                }
            }
        }
    }

    void printChannelBlock(const ChannelRecord& record, int position) {
        // A one-channel document on the window's view: the chart's own arithmetic then
        // draws just this channel's curve, and its statistics describe the view.
        HistoryDocument single;
        single.loaded = true;
        single.view = doc_.view;
        single.channels.push_back(record);
        ChannelRecord& r = single.channels.front();
        Rgb colour = record.color;
        r.color = defaultCurveColor(colour, position);
        r.visible = true;
        applyHomeViewWhenEmpty(single);
        single.view.viewStart = std::max<std::int32_t>(single.view.viewStart, 1);
        recomputeStatistics(single);

        // The block: an empty line, five lines of figures, the chart and its time labels.
        const double lines = lineUnits();
        setFont(kReportTimeLabelPoints, false);
        const double timeLine = lineUnits();
        setFont(options_.font.pointSize, false);
        const double needed = 6 * lines + kReportChartHeight + timeLine;
        // The minimum keeps the layout's page breaks; a taller block (large fonts) must
        // not run into the page number.
        if (y_ > 0 && y_ + std::max(kReportBlockMinimum, needed) >= bottom_) finishPage(false);

        x_ = 0;
        emptyLine();
        printBold("通道" + std::to_string(r.channel));
        const std::string blanks(kBlanks);
        print("类型:" + trimSpaces(r.typeText) + blanks + "单位:" + trimSpaces(r.unitText) +
              blanks);
        print("报警上限:" + singleText(r.alarmHigh) + blanks +
              "报警下限:" + singleText(r.alarmLow));
        print("最大值:" + singleText(r.maxValue) + blanks + "最小值:" + singleText(r.minValue) +
              blanks + "平均值:" + singleText(r.meanValue) + blanks);
        print("量程:(" + std::to_string(r.rangeHigh) + "," + std::to_string(r.rangeLow) + ")");
        printChart(single);
        y_ += timeLine;
    }

    // The chart of the only channel of `single`, its top edge at the current height.
    void printChart(HistoryDocument& single) {
        const double top = y_;
        const double width = usableWidth_ - kReportChartRightGap;
        ChartGeometry geometry;
        geometry.plot = {deviceX(0), deviceY(top), width * sx_, kReportChartHeight * sy_};
        // A page unit counts as a screen pixel for the chart's pixel arithmetic (steps).
        geometry.twipsPerUnit = sx_ > 0 ? kTwipsPerPixel / sx_ : kTwipsPerPixel;
        ChartOptions chartOptions = options_.chart;
        chartOptions.showAxes = false;
        const std::optional<ChartScene> scene = redrawChart(single, geometry, chartOptions);

        const ChannelRecord& r = single.channels.front();
        const ChartView& v = single.view;
        const ChannelScale map = channelScale(r, chartOptions.scale, v);

        for (int k = 0; k <= kGridRows; ++k) {
            const double y = top + kGridRowHeight * k;
            const bool edge = k == 0 || k == kGridRows;
            line(0, y, width, y, kBlack, edge ? kFramePen : kGridPen,
                 edge ? PenStyle::Solid : PenStyle::Dotted);
        }
        for (int k = 0; k <= kGridColumns; ++k) {
            const double x = width * k / kGridColumns;
            const bool edge = k == 0 || k == kGridColumns;
            line(x, top, x, top + kReportChartHeight, kBlack, edge ? kFramePen : kGridPen,
                 edge ? PenStyle::Solid : PenStyle::Dotted);
        }

        // The values of the first ten grid rows, top down, each under its grid line.
        const double span = static_cast<double>(v.viewTop) - v.viewBottom;
        struct ValueLabel {
            std::string text;
            double left, top, right, bottom;
        };
        std::vector<ValueLabel> valueLabels;
        const double labelHeight = lineUnits();
        for (int k = 0; k < kGridRows; ++k) {
            const double y = v.viewTop - span * k / kGridRows;
            std::string text = oneDecimalText(map.valueAt(y));
            const double labelTop = top + kGridRowHeight * k + kLabelInset;
            const double right = kLabelInset + textUnits(text);
            valueLabels.push_back({std::move(text), kLabelInset, labelTop, right,
                                   labelTop + labelHeight});
        }

        // An alarm line leaves out the stretch behind a value label it would run through.
        const double lineGap = textUnits("0");
        for (const float alarm : {r.alarmHigh, r.alarmLow}) {
            const double y = map.y(alarm);
            if (!(y >= std::min<double>(v.viewBottom, v.viewTop) &&
                  y <= std::max<double>(v.viewBottom, v.viewTop))) {
                continue;
            }
            const double at = top + (v.viewTop - y) / span * kReportChartHeight;
            double from = 0;
            for (const ValueLabel& label : valueLabels) {
                if (at < label.top || at > label.bottom) continue;
                if (label.left - lineGap > from)
                    line(from, at, label.left - lineGap, at, kAlarmColour, kAlarmPen,
                         PenStyle::Dashed);
                from = std::max(from, label.right + lineGap);
            }
            if (from < width) line(from, at, width, at, kAlarmColour, kAlarmPen, PenStyle::Dashed);
        }

        if (scene) {
            painter_.setClip(geometry.plot);
            for (const ChartPolyline& curve : scene->lines) {
                painter_.setPen({curve.colour, penWidth(kCurvePen), PenStyle::Solid});
                painter_.drawPolyline(curve.points);
            }
            painter_.setClip(std::nullopt);
        }

        for (const ValueLabel& label : valueLabels)
            painter_.drawText(device(label.left, label.top), label.text);

        printTimeLabels(r, v, top + kReportChartHeight, width);
        setFont(options_.font.pointSize, false);
        y_ = top + kReportChartHeight;
    }

    // Times of the samples under the first five grid columns, at `y`. The labels keep
    // two digits' width between each other: when the widest does not fit its column so,
    // the size goes down (to no less than kReportTimeLabelMinimumPoints), and when even
    // that is too wide only every other label is printed.
    void printTimeLabels(const ChannelRecord& r, const ChartView& v, double y, double width) {
        std::vector<std::pair<int, std::string>> labels;
        const std::int64_t n = r.sampleCount();
        const double viewWidth = static_cast<double>(v.viewEnd) - v.viewStart;
        for (int k = 0; k < kGridColumns; ++k) {
            const double index = std::floor(v.viewStart + viewWidth * k / kGridColumns);
            if (!(index >= 1 && index <= static_cast<double>(n))) continue;
            const auto at = static_cast<std::size_t>(index) - 1;
            if (at >= r.times.size()) continue;
            labels.emplace_back(k, generalDateText(r.times[at]));
        }
        const double column = width / kGridColumns;
        const auto widest = [&] {
            double w = 0;
            for (const auto& label : labels) w = std::max(w, textUnits(label.second));
            return w + textUnits("00");
        };
        double points = kReportTimeLabelPoints;
        setFont(points, false);
        while (widest() > column && points > kReportTimeLabelMinimumPoints) {
            points = std::max(points - 0.5, kReportTimeLabelMinimumPoints);
            setFont(points, false);
        }
        const int step = widest() > column ? 2 : 1;
        for (const auto& [k, text] : labels) {
            if (k % step != 0) continue;
            // The last one ends at the plot's right edge at the latest.
            const double x = std::max(0.0, std::min(column * k, width - textUnits(text)));
            painter_.drawText(device(x, y), text);
        }
    }

    void printDataList() {
        std::vector<const ChannelRecord*> listed;
        for (const ChannelRecord& r : doc_.channels) {
            if (r.printList) listed.push_back(&r);
        }
        if (listed.empty()) return;
        // The title does not stay alone at a page's foot: it goes with the header and a row.
        const double lines = lineUnits();
        if (y_ > 0 && y_ + 5 * lines > bottom_) finishPage(false);
        x_ = 0;
        emptyLine();
        printBold("数据列表");
        emptyLine();

        const std::vector<DateTime>& times = first().times;
        const std::int64_t last =
            std::min<std::int64_t>(view_.viewEnd, static_cast<std::int64_t>(times.size()));
        double listTop = y_;
        double columnWidth = 0;
        bool columnOpen = false;
        std::vector<float> values;
        for (std::int64_t i = view_.viewStart; i <= last; ++i) {
            const auto at = static_cast<std::size_t>(i - 1);
            values.clear();
            for (const ChannelRecord* r : listed) {
                if (at < r->values.size()) values.push_back(r->values[at]);
            }
            const RowParts parts = rowParts(static_cast<std::int32_t>(i), times[at], values);
            const std::string text = parts.text();

            if (columnOpen && y_ + lines > bottom_) {
                // The next column to the right when a whole row still fits, else a new page.
                const double next = x_ + columnWidth;
                if (next + columnWidth <= usableWidth_) {
                    x_ = next;
                } else {
                    finishPage(false);
                    listTop = 0;
                }
                columnOpen = false;
            }
            if (!columnOpen) {
                // A column needs room for its header and one row.
                if (listTop > 0 && listTop + 2 * lines > bottom_) {
                    finishPage(false);
                    listTop = 0;
                }
                printListHeader(parts, listed, listTop);
                y_ = listTop + lines;
                columnWidth = 0;
                columnOpen = true;
            }
            print(text);
            columnWidth = std::max(columnWidth, textUnits(text));
        }
    }

    void printListHeader(const RowParts& parts, const std::vector<const ChannelRecord*>& listed,
                         double top) {
        painter_.drawText(device(x_, top), "  编号");
        std::string prefix = parts.number;
        painter_.drawText(device(x_ + textUnits(prefix), top), "          记录时间");
        prefix += parts.time;
        for (std::size_t c = 0; c < parts.values.size() && c < listed.size(); ++c) {
            const ChannelRecord& r = *listed[c];
            painter_.drawText(device(x_ + textUnits(prefix), top),
                              std::to_string(r.channel) + "(" + trimSpaces(r.unitText) + ")");
            prefix += parts.values[c];
        }
    }

    const HistoryDocument& doc_;
    const ReportOptions& options_;
    ReportPainter& painter_;
    double scaleWidth_ = kReportShortSide;
    double scaleHeight_ = kReportLongSide;
    double sx_ = 1;
    double sy_ = 1;
    double usableWidth_ = 0;  // W
    double bottom_ = 0;       // B
    double devicePerPenPixel_ = 1;
    ChartView view_;
    double x_ = 0;
    double y_ = 0;
    int pageNumber_ = 1;
};

}  // namespace

ReportFont defaultPrintFont() {
    return {"宋体", 9, false};
}

bool PrintDialogModel::addTreeView(bool printCurve, bool printList, std::string_view text,
                                   std::string_view key) {
    const std::string curveKey = std::string(kCurveKeyPrefix) + std::string(key);
    const std::string listKey = std::string(kListKeyPrefix) + std::string(key);
    if (find(key) != nullptr || find(curveKey) != nullptr || find(listKey) != nullptr) {
        return false;
    }
    PrintTreeChannel node;
    node.top = {std::string(key), std::string(text), printCurve && printList};
    node.curve = {curveKey, std::string(kPrintCurveNodeText), printCurve};
    node.list = {listKey, std::string(kPrintListNodeText), printList};
    channels_.push_back(std::move(node));
    return true;
}

bool PrintDialogModel::getValue(std::string_view key, bool& printCurve, bool& printList) const {
    const PrintTreeChannel* node = find(key);
    if (node == nullptr) return false;
    printCurve = node->curve.checked;
    printList = node->list.checked;
    return true;
}

bool PrintDialogModel::setChecked(std::string_view key, bool checked) {
    if (key == summary.key) {
        summary.checked = checked;
        return true;
    }
    PrintTreeChannel* node = find(key);
    if (node == nullptr) return false;
    if (node->top.key == key) {
        node->top.checked = node->curve.checked = node->list.checked = checked;
    } else {
        (node->curve.key == key ? node->curve : node->list).checked = checked;
        node->top.checked = node->curve.checked && node->list.checked;
    }
    return true;
}

PrintTreeChannel* PrintDialogModel::find(std::string_view key) {
    return const_cast<PrintTreeChannel*>(std::as_const(*this).find(key));
}

const PrintTreeChannel* PrintDialogModel::find(std::string_view key) const {
    for (const PrintTreeChannel& node : channels_) {
        if (node.top.key == key || node.curve.key == key || node.list.key == key) return &node;
    }
    return nullptr;
}

std::string printTreeKey(int position) {
    return "通道" + std::to_string(position);
}

PrintDialogModel printDialogFor(const HistoryDocument& doc) {
    PrintDialogModel dialog;
    int position = 0;
    for (const ChannelRecord& r : doc.channels) {
        ++position;
        dialog.addTreeView(r.printCurve, r.printList,
                           "通道" + std::to_string(r.channel) + ":" + trimSpaces(r.typeText),
                           printTreeKey(position));
    }
    return dialog;
}

void applyPrintChoices(const PrintDialogModel& dialog, HistoryDocument& doc) {
    int position = 0;
    for (ChannelRecord& r : doc.channels) {
        ++position;
        dialog.getValue(printTreeKey(position), r.printCurve, r.printList);
    }
}

int printReport(const HistoryDocument& doc, const ReportOptions& options, const ReportPage& page,
                ReportPainter& painter) {
    if (!doc.loaded || doc.channels.empty()) return 0;
    if (!(std::isfinite(page.width) && std::isfinite(page.height) && page.width > 0 &&
          page.height > 0)) {
        return 0;
    }
    return ReportWriter(doc, options, page, painter).run();
}

std::string dataListRowText(std::int32_t record, DateTime time, const std::vector<float>& values) {
    return rowParts(record, time, values).text();
}

}  // namespace tarvo
