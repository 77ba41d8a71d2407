#pragma once
// The printed report of a history document, laid out without a printer: the print
// choices of the options dialog (dlgPrint), and the pages of the report drawn through a
// ReportPainter.
//
// The report: a page header (print time, hardware and software version, a rule), the
// recording's properties, the summary of every channel over the view (limits,
// excursions, mean kinetic temperature) when chosen, one block per shown channel chosen for its curve (figures and a
// small curve chart of the window's current view) and a data list of the records in view,
// flowed in columns, every page numbered at its foot.
//
// Page coordinates: the printable area runs from -48 to 768 across and -48 to 1024 down
// in portrait (-48..1024 across and -48..768 down in landscape); the 48 units are the
// left and top margin, so the report starts at 0, 0. One unit is about a screen pixel
// (1/96 inch on a letter-sized page). Fonts are in points, measured by the painter.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "data/channel_summary.h"
#include "data/chart_model.h"
#include "data/history_document.h"
#include "files/report_painter.h"

namespace tarvo {

// Texts of the print options dialog and the dialogs it leads to.
inline constexpr std::string_view kPrintDialogCaption = "打印选项";
inline constexpr std::string_view kPrintDialogPrompt = "打印以下数据吗？";
inline constexpr std::string_view kPrintDialogExplanation = "  选择相应选项，则打印相应的部分。";
inline constexpr std::string_view kPrintCurveNodeText = "曲线图";
inline constexpr std::string_view kPrintListNodeText = "数据列表";
// The tree's own node for the summary block, after the channels; checked at first.
inline constexpr std::string_view kPrintSummaryNodeText = "统计汇总";
inline constexpr std::string_view kPrintSummaryKey = "统计汇总";
inline constexpr std::string_view kPrintFontButton = "设置打印字体";
inline constexpr std::string_view kPrintFontDialogTitle = "选择打印字体";
inline constexpr std::string_view kPrinterDialogTitle = "选择打印机";
inline constexpr std::string_view kPrintOkButton = "确定";
inline constexpr std::string_view kPrintCancelButton = "取消";

// The software version line of the page header: the About box's version label.
inline constexpr std::string_view kSoftwareVersionLabel = "软件版本：V4.2";

// The print font when the options dialog opens.
ReportFont defaultPrintFont();  // 宋体, 9 points

// One node of the options dialog's tree.
struct PrintTreeNode {
    std::string key;
    std::string text;
    bool checked = false;
    bool operator==(const PrintTreeNode&) const = default;
};

// A channel's top node and its two children: "曲线图" (key "T" + key) and "数据列表"
// (key "L" + key).
struct PrintTreeChannel {
    PrintTreeNode top;
    PrintTreeNode curve;
    PrintTreeNode list;
    bool operator==(const PrintTreeChannel&) const = default;
};

// The print options dialog as logic: the check tree, the print font and how it closed.
class PrintDialogModel {
  public:
    ReportFont printFont = defaultPrintFont();
    bool confirmed = false;  // closed with "确定"
    // The summary block after the properties: a node of its own, without children.
    PrintTreeNode summary{std::string(kPrintSummaryKey), std::string(kPrintSummaryNodeText), true};

    // Adds a channel: the top node (checked when both flags are) and its two children.
    // A key already in the tree adds nothing and returns false.
    bool addTreeView(bool printCurve, bool printList, std::string_view text, std::string_view key);
    // The flags of the channel owning the node `key` (a top node or either child). Returns
    // false, leaving the flags alone, for an unknown key.
    bool getValue(std::string_view key, bool& printCurve, bool& printList) const;
    // The operator checks or unchecks a node: a top node passes its state to both
    // children; a child checks its parent exactly when both children are checked; the
    // summary node is on its own. Returns false for an unknown key.
    bool setChecked(std::string_view key, bool checked);

    const std::vector<PrintTreeChannel>& channels() const { return channels_; }

  private:
    PrintTreeChannel* find(std::string_view key);
    const PrintTreeChannel* find(std::string_view key) const;

    std::vector<PrintTreeChannel> channels_;
};

// The tree key of the channel at list position `position` (1-based): "通道" + position.
std::string printTreeKey(int position);
// The options dialog filled from a document: one node per channel, "通道" + the channel
// code + ":" + the trimmed type text, checked as the channel's print flags.
PrintDialogModel printDialogFor(const HistoryDocument& doc);
// Takes the dialog's choices back into the document's print flags (kept in the document
// and saved with it).
void applyPrintChoices(const PrintDialogModel& dialog, HistoryDocument& doc);

// The page the report is laid out on: the printable area in device units, the device's
// resolution and the printer's orientation.
struct ReportPage {
    double width = 0;
    double height = 0;
    double dotsPerInch = 600;
    bool landscape = false;
};

struct ReportOptions {
    ReportFont font = defaultPrintFont();  // the print font chosen in the options dialog
    ChartOptions chart;                    // the window's scale and trend switches
    std::optional<DateTime> printTime;     // the header's print time; the PC clock if unset
    std::string softwareVersionLabel = std::string(kSoftwareVersionLabel);
    // The summary block of every channel over the window's view, after the properties.
    bool printSummary = true;
    double activationEnergy = kDefaultActivationEnergy;  // kJ/mol
};

// Page units: margin, the extent of the printable area and the chart block.
inline constexpr double kReportMargin = 48;
inline constexpr double kReportShortSide = 816;  // -48..768
inline constexpr double kReportLongSide = 1072;  // -48..1024
inline constexpr double kReportChartHeight = 300;
inline constexpr double kReportChartRightGap = 10;
// A channel block starts on a new page when less than this is left above the foot.
inline constexpr double kReportBlockMinimum = 350;
// The chart's time labels are printed in this size, or smaller down to the minimum
// where they would otherwise run into each other.
inline constexpr double kReportTimeLabelPoints = 9;
inline constexpr double kReportTimeLabelMinimumPoints = 6;
// Pen widths are given in pixels of a printer of this resolution.
inline constexpr double kReportPenDotsPerInch = 300;

// Lays the report of a loaded document out page by page through `painter` (which starts
// on the first page; newPage begins each further one). Returns the number of pages; 0,
// drawing nothing, when the document is not loaded or has no channel.
int printReport(const HistoryDocument& doc, const ReportOptions& options, const ReportPage& page,
                ReportPainter& painter);

// Text of one data list row: the record number right-aligned in five characters and two
// blanks, the record time "yyyy-MM-dd HH:mm:ss" and a blank, then each value "#0.00"
// right-aligned in six characters and a blank.
std::string dataListRowText(std::int32_t record, DateTime time, const std::vector<float>& values);

}  // namespace tarvo
