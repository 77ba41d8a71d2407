#include "gui/qt_report_painter.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QPrinter>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace tarvo {

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor qColour(Rgb colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QPointF qPoint(DevicePoint p) {
    return {p.x, p.y};
}

// The chosen font first; where it is not installed (宋体 on Linux), fonts that render
// Chinese with fixed-width digits, so the data list's columns stay aligned.
QStringList fontFamilies(const std::string& name) {
    QStringList families;
    if (!name.empty()) families << QString::fromStdString(name);
    families << QStringLiteral("SimSun") << QStringLiteral("NSimSun")
             << QStringLiteral("WenQuanYi Micro Hei Mono")
             << QStringLiteral("Noto Sans Mono CJK SC") << QStringLiteral("WenQuanYi Micro Hei");
    return families;
}

QStringList fallbackFamilies() {
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"),
            QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};
}

bool haveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

QtReportPainter::QtReportPainter(QPainter& painter, QPagedPaintDevice& device)
    : painter_(painter), device_(device) {
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

QFont reportQFont(const ReportFont& font) {
    QFont f;
    f.setFamilies(fontFamilies(font.name));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(font.pointSize > 0 ? font.pointSize : 9);
    f.setBold(font.bold);
    return f;
}

void QtReportPainter::setFont(const ReportFont& font) {
    const QFont f = reportQFont(font);
    if (f.family() != font_.family() || f.families() != font_.families()) {
        raw_ = QRawFont::fromFont(f);
        blank_.clear();
    }
    font_ = f;
    fallback_ = f;
    fallback_.setFamilies(fallbackFamilies());
    fallback_.setStyleHint(QFont::SansSerif);
    painter_.setFont(font_);
}

// Some fonts map a character to a glyph without outline (WenQuanYi Micro Hei does so for
// ℃); such characters are drawn in the fallback font instead of as a gap.
bool QtReportPainter::blankGlyph(char32_t character) {
    if (character <= 0x7F || !raw_.isValid()) return false;
    const auto known = blank_.find(character);
    if (known != blank_.end()) return known->second;
    bool blank = false;
    const QString text = QString::fromUcs4(&character, 1);
    if (!text.trimmed().isEmpty()) {
        const QList<quint32> glyphs = raw_.glyphIndexesForString(text);
        blank = glyphs.size() == 1 && glyphs.front() != 0 &&
                raw_.pathForGlyph(glyphs.front()).isEmpty();
    }
    blank_.emplace(character, blank);
    return blank;
}

std::vector<QtReportPainter::Run> QtReportPainter::runs(const QString& text) {
    std::vector<Run> out;
    for (const char32_t c : text.toUcs4()) {
        const bool fallback = blankGlyph(c);
        if (out.empty() || out.back().fallback != fallback) out.push_back({{}, fallback});
        out.back().text += QString::fromUcs4(&c, 1);
    }
    return out;
}

double QtReportPainter::textWidth(std::string_view text) {
    double width = 0;
    for (const Run& run : runs(qText(text))) {
        width +=
            QFontMetricsF(run.fallback ? fallback_ : font_, &device_).horizontalAdvance(run.text);
    }
    return width;
}

double QtReportPainter::lineHeight() {
    return QFontMetricsF(font_, &device_).lineSpacing();
}

void QtReportPainter::drawText(DevicePoint topLeft, std::string_view text) {
    const QPen pen = painter_.pen();
    painter_.setPen(QPen(Qt::black));
    const double baseline = topLeft.y + QFontMetricsF(font_, &device_).ascent();
    double x = topLeft.x;
    for (const Run& run : runs(qText(text))) {
        const QFont& font = run.fallback ? fallback_ : font_;
        painter_.setFont(font);
        painter_.drawText(QPointF(x, baseline), run.text);
        x += QFontMetricsF(font, &device_).horizontalAdvance(run.text);
    }
    painter_.setFont(font_);
    painter_.setPen(pen);
}

void QtReportPainter::setPen(const ReportPen& pen) {
    QPen p(qColour(pen.colour));
    p.setWidthF(pen.width);
    switch (pen.style) {
        case PenStyle::Solid:
            p.setStyle(Qt::SolidLine);
            break;
        case PenStyle::Dotted:
            p.setStyle(Qt::DotLine);
            break;
        case PenStyle::Dashed:
            p.setStyle(Qt::DashLine);
            break;
    }
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::RoundJoin);
    painter_.setPen(p);
}

void QtReportPainter::drawLine(DevicePoint from, DevicePoint to) {
    painter_.drawLine(qPoint(from), qPoint(to));
}

void QtReportPainter::drawPolyline(std::span<const DevicePoint> points) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const DevicePoint& p : points) polygon << qPoint(p);
    painter_.drawPolyline(polygon);
}

void QtReportPainter::setClip(std::optional<DeviceRect> rect) {
    if (rect) {
        painter_.setClipRect(QRectF(rect->left, rect->top, rect->width, rect->height));
    } else {
        painter_.setClipping(false);
    }
}

void QtReportPainter::newPage() {
    device_.newPage();
}

ReportPage reportPageOf(const QPagedPaintDevice& device) {
    ReportPage page;
    page.width = device.width();
    page.height = device.height();
    page.dotsPerInch = device.logicalDpiX();
    page.landscape = device.pageLayout().orientation() == QPageLayout::Landscape;
    return page;
}

int printReport(QPagedPaintDevice& device, const HistoryDocument& doc,
                const ReportOptions& options) {
    if (!doc.loaded || doc.channels.empty() || !haveGuiApplication()) return 0;
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    QtReportPainter surface(painter, device);
    const int pages = printReport(doc, options, reportPageOf(device), surface);
    return painter.end() ? pages : 0;
}

bool printReportToPdf(const HistoryDocument& doc, const ReportOptions& options,
                      const std::string& path, bool landscape) {
    if (!doc.loaded || doc.channels.empty() || !haveGuiApplication()) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(QString::fromStdString(doc.caption));
    printer.setCreator(QStringLiteral("Tarvo"));
    return printReport(printer, doc, options) > 0;
}

}  // namespace tarvo
