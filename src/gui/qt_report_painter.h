#pragma once
// The printed report on a Qt paint device: a printer chosen in the print dialog, or a PDF
// file. The layout is the core's (files/report_layout.h); this only draws it with QPainter.
// Fonts need a QGuiApplication (or QApplication) to exist; without one nothing is printed.

#include <optional>
#include <span>
#include <unordered_map>

#include <QFont>
#include <QRawFont>
#include <QString>
#include <string>
#include <string_view>

#include "data/history_document.h"
#include "files/report_layout.h"
#include "files/report_painter.h"

class QPainter;
class QPagedPaintDevice;

namespace tarvo {

class QtReportPainter final : public ReportPainter {
  public:
    // `painter` must be active on `device`.
    QtReportPainter(QPainter& painter, QPagedPaintDevice& device);

    void setFont(const ReportFont& font) override;
    double textWidth(std::string_view text) override;
    double lineHeight() override;
    void drawText(DevicePoint topLeft, std::string_view text) override;
    void setPen(const ReportPen& pen) override;
    void drawLine(DevicePoint from, DevicePoint to) override;
    void drawPolyline(std::span<const DevicePoint> points) override;
    void setClip(std::optional<DeviceRect> rect) override;
    void newPage() override;

  private:
    // A part of a text drawn in one font.
    struct Run {
        QString text;
        bool fallback = false;
    };
    std::vector<Run> runs(const QString& text);
    bool blankGlyph(char32_t character);

    QPainter& painter_;
    QPagedPaintDevice& device_;
    QFont font_;
    QFont fallback_;  // for characters the chosen font holds only as an empty glyph
    QRawFont raw_;
    std::unordered_map<char32_t, bool> blank_;
};

// The Qt font the report draws `font` with: the named family first, then fonts that
// render Chinese with fixed-width digits where that one is not installed.
QFont reportQFont(const ReportFont& font);

// The printable area of a printer or PDF writer in its device units, its resolution and
// orientation.
ReportPage reportPageOf(const QPagedPaintDevice& device);

// Prints the report of `doc` on a device that is not yet painted on (a QPrinter after the
// print dialog, a QPdfWriter). Returns the number of pages printed; 0 when the document
// is not loaded or has no channel, no QGuiApplication exists or the device cannot be
// painted on. Printer errors are not reported otherwise.
int printReport(QPagedPaintDevice& device, const HistoryDocument& doc,
                const ReportOptions& options);

// Prints the report into a PDF file (A4, through QPrinter's PDF output). Returns false
// when nothing could be printed (see printReport) or the file could not be written.
bool printReportToPdf(const HistoryDocument& doc, const ReportOptions& options,
                      const std::string& path, bool landscape = false);

}  // namespace tarvo
