#include "gui/chart_widget.h"
#include "gui/qt_text.h"
#include "gui/scene_painter.h"

#include <QBitmap>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "core/messenger.h"
#include "core/parallel.h"
#include "gui/resize_by_date_dialog.h"

namespace tarvo::gui {

namespace {

// Opacity of an excursion band over the background (of 255).
constexpr int kBandAlpha = 56;

// The panel's layout in pixels (15 twips each). The plot sits 240 twips from the left
// and 450 from the top; the mode buttons stand right-aligned 120 twips from the right
// edge at the top. Under the plot: a line for the time labels, the scroll bar (240
// twips below the plot, as wide as the plot) and the row of the three switches, whose
// left edges lie 1950, 3500 and 5000 twips from the panel's right edge.
constexpr int kPlotLeft = 16;
constexpr int kPlotTop = 30;
constexpr int kPlotRightMargin = 16;
constexpr int kTimeLabelBand = 16;
constexpr int kGap = 4;
constexpr int kSwitchRowHeight = 22;
constexpr int kButtonInset = 8;
constexpr std::array<int, 3> kSwitchLeftFromRight = {1950 / 15, 3500 / 15, 5000 / 15};

QRectF qrect(const DeviceRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// The magnifier pointers: a lens with a handle, its glass filled while a button is down.
QCursor magnifierCursor(bool pressed) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF lens(3, 3, 16, 16);
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(lens);
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(pressed ? QColor(0, 0, 0, 90) : QColor(255, 255, 255, 60));
    p.drawEllipse(lens);
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(7, 11), QPointF(15, 11));
    if (!pressed) p.drawLine(QPointF(11, 7), QPointF(11, 15));
    p.end();
    return QCursor(pixmap, 11, 11);
}

QCursor cursorFor(MousePointer pointer) {
    switch (pointer) {
        case MousePointer::OpenHand:
            return Qt::OpenHandCursor;
        case MousePointer::GrabbingHand:
            return Qt::ClosedHandCursor;
        case MousePointer::Magnifier:
            return magnifierCursor(false);
        case MousePointer::MagnifierPressed:
            return magnifierCursor(true);
        case MousePointer::Cross:
            break;
    }
    return Qt::CrossCursor;
}

MouseButton buttonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        default:
            return MouseButton::Other;
    }
}

}  // namespace

namespace {

// The plot's background, the bands and the lines, in the scene's order, through `p`;
// where `canvas` is given (an image p paints on, its pixel (0, 0) at the device point
// `origin`), thin curves that need no antialiasing are written into it directly.
void paintPlotBody(QPainter& p, QImage* canvas, QPoint origin, const ChartScene& scene,
                   std::span<const ChartBand> bands, std::span<const CurveLayout> layouts) {
    const QRectF plot = qrect(scene.plot);
    p.fillRect(plot, toQColor(scene.background));
    for (const ChartBand& band : bands) {
        QColor light = toQColor(band.colour);
        light.setAlpha(kBandAlpha);
        p.fillRect(qrect(band.rect), light);
    }
    for (std::size_t i = 0; i < scene.lines.size(); ++i) {
        const ChartPolyline& line = scene.lines[i];
        const QColor colour = toQColor(line.colour);
        if (!canvas || !rasterChartCurve(*canvas, origin, line, colour, layouts[i]))
            paintChartCurve(p, line, colour);
    }
}

}  // namespace

void paintChartScene(QPainter& painter, const ChartScene& scene, const QFont& labelFont,
                     std::span<const ChartBand> bands, QImage* plotImage) {
    const QRectF plot = qrect(scene.plot);
    painter.save();
    painter.setClipRect(plot);
    // On a plain device (no scaling, no high-density pixels) the plot is made in an
    // image of its own, where the thin curves that need no antialiasing are written
    // pixel by pixel, and drawn in one piece; elsewhere (a printer, a scaled painter)
    // everything goes through QPainter.
    const QPaintDevice* device = painter.device();
    const bool plain = device && device->devicePixelRatio() == 1 &&
                       painter.worldTransform().type() == QTransform::TxNone;
    QImage localImage;
    QImage& image = plotImage ? *plotImage : localImage;
    const QRect area = plot.toAlignedRect();
    if (plain && !area.isEmpty()) {
        if (image.size() != area.size() || image.format() != QImage::Format_ARGB32_Premultiplied)
            image = curveCanvas(area.size());
        // The two halves of the picture are made side by side, each by a painter of its
        // own on its columns of the image, everything in the scene's order; what crosses
        // the middle is cut there.
        std::vector<CurveLayout> layouts(scene.lines.size());
        forEachInParallel(layouts.size(),
                          [&](std::size_t i) { layouts[i] = curveLayout(scene.lines[i]); });
        // The pixels are reached here, once: bits() may detach the image.
        uchar* const bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        const int middle = area.width() / 2;
        forEachInParallel(2, [&](std::size_t half) {
            const int left = half == 0 ? 0 : middle;
            const int width = half == 0 ? middle : area.width() - middle;
            if (width == 0) return;
            QImage part(bits + left * qsizetype(sizeof(QRgb)), width, area.height(), stride,
                        QImage::Format_ARGB32_Premultiplied);
            const QPoint origin = area.topLeft() + QPoint(left, 0);
            QPainter p(&part);
            p.translate(-origin);
            p.setClipRect(plot);
            paintPlotBody(p, &part, origin, scene, bands, layouts);
        });
        painter.drawImage(area.topLeft(), image);
    } else {
        paintPlotBody(painter, nullptr, {}, scene, bands, {});
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QFont font = painter.font();
    painter.setFont(labelFont);
    const double labelAscent = QFontMetricsF(labelFont).ascent();
    for (const ChartText& label : scene.labels) {
        painter.setPen(toQColor(label.colour));
        painter.drawText(QPointF(label.topLeft.x, label.topLeft.y + labelAscent),
                         QString::fromStdString(label.text));
    }
    painter.setFont(font);
    painter.setClipping(false);
    const QFontMetricsF metrics(font);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));
    for (const ChartText& label : scene.timeLabels) {
        const QString text = QString::fromStdString(label.text);
        const double width = metrics.horizontalAdvance(text);
        const double left =
            std::max(scene.plot.left, std::min(label.topLeft.x, plot.right() - width));
        painter.setPen(toQColor(label.colour));
        painter.drawText(QPointF(left, label.topLeft.y + 1 + metrics.ascent()), text);
    }
    painter.restore();
}

// The plot surface (PicDrawLine): transparent over the panel, which paints it; it
// takes the mouse, the pointer and the tool tip.
class PlotSurface : public QWidget {
  public:
    explicit PlotSurface(ChartWidget* chart) : QWidget(chart), chart_(chart) {
        setObjectName(QStringLiteral("PicDrawLine"));
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
    }

  protected:
    void mousePressEvent(QMouseEvent* e) override { chart_->plotMousePress(e); }
    void mouseMoveEvent(QMouseEvent* e) override { chart_->plotMouseMove(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { chart_->plotMouseRelease(e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) chart_->plotDoubleClick();
    }

  private:
    ChartWidget* chart_;
};

ChartWidget::ChartWidget(std::function<HistoryDocument*()> document, Messenger& messenger,
                         QWidget* parent)
    : QWidget(parent), document_(std::move(document)), messenger_(messenger) {
    setObjectName(QStringLiteral("Picture1"));
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(0);
    connect(&redrawTimer_, &QTimer::timeout, this, &ChartWidget::redrawNow);

    plot_ = new PlotSurface(this);

    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setObjectName(QStringLiteral("FlatScrollBar1"));
    connect(scrollBar_, &QScrollBar::valueChanged, this, &ChartWidget::scrolled);

    const std::array<QString, 3> names = {QStringLiteral("XPCheckBox1"),
                                          QStringLiteral("XPCheckBox2"),
                                          QStringLiteral("XPCheckBox3")};
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        switches_[i] = new QCheckBox(this);
        switches_[i]->setObjectName(names[i]);
        connect(switches_[i], &QCheckBox::toggled, this, &ChartWidget::switchToggled);
    }
    switchToggled();  // captions of the unchecked state

    modeButtons_ = new QButtonGroup(this);
    modeButtons_->setExclusive(false);
    for (int i = 0; i < static_cast<int>(kModeButtonCaptions.size()); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("XpButton1_%1").arg(i));
        button->setText(qs(kModeButtonCaptions[static_cast<std::size_t>(i)]));
        button->setCheckable(i != kPreciseZoomButton);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        modeButtons_->addButton(button, i);
    }
    connect(modeButtons_, &QButtonGroup::idClicked, this, &ChartWidget::modeButtonClicked);

    auto* fileProperties = new QToolButton(this);
    fileProperties->setObjectName(QStringLiteral("cmdFileProperties"));
    fileProperties->setText(QStringLiteral("显示文件属性"));
    fileProperties->setToolButtonStyle(Qt::ToolButtonTextOnly);
    fileProperties_ = fileProperties;
    connect(fileProperties_, &QAbstractButton::clicked, this,
            &ChartWidget::filePropertiesRequested);

    labelFont_ = font();
    if (labelFont_.pointSizeF() > 0)
        labelFont_.setPointSizeF(std::max(labelFont_.pointSizeF() * 0.85, 7.0));
    setMinimumSize(200, 140);
    syncModeButtons();
    layoutChildren();
}

ChartWidget::~ChartWidget() = default;

QSize ChartWidget::sizeHint() const {
    return {610, 300};
}

QAbstractButton* ChartWidget::modeButton(int index) const {
    return modeButtons_->button(index);
}

QRect ChartWidget::plotRect() const {
    const int bottomMargin =
        kTimeLabelBand + scrollBar_->sizeHint().height() + kGap + kSwitchRowHeight + kGap;
    return {kPlotLeft, kPlotTop, std::max(width() - kPlotLeft - kPlotRightMargin, 1),
            std::max(height() - kPlotTop - bottomMargin, 1)};
}

void ChartWidget::layoutChildren() {
    const QRect plot = plotRect();
    plot_->setGeometry(plot);
    const int barHeight = scrollBar_->sizeHint().height();
    const int barTop = plot.bottom() + 1 + kTimeLabelBand;
    scrollBar_->setGeometry(plot.left(), barTop, plot.width(), barHeight);
    const int switchTop = barTop + barHeight + kGap;
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        const int left = std::max(width() - kSwitchLeftFromRight[i], kPlotLeft);
        switches_[i]->setGeometry(left, switchTop, switches_[i]->sizeHint().width(),
                                  kSwitchRowHeight);
    }
    // The file-properties button stands at the top left, the mode buttons at the right.
    const QSize propertiesSize = fileProperties_->sizeHint();
    fileProperties_->setGeometry(kPlotLeft, kPlotTop - propertiesSize.height() - 3,
                                 propertiesSize.width(), propertiesSize.height());
    int right = width() - kButtonInset;
    const auto buttons = modeButtons_->buttons();
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        const QSize size = (*it)->sizeHint();
        right -= size.width();
        (*it)->setGeometry(right, kPlotTop - size.height() - 3, size.width(), size.height());
        right -= 2;
    }
}

ChartGeometry ChartWidget::geometry() const {
    const QRect plot = plotRect();
    ChartGeometry g;
    g.plot = {static_cast<double>(plot.left()), static_cast<double>(plot.top()),
              static_cast<double>(plot.width()), static_cast<double>(plot.height())};
    g.twipsPerUnit = kTwipsPerPixel;
    g.textHeight = QFontMetricsF(labelFont_).height();
    return g;
}

PlotPoint ChartWidget::toPlot(QPointF at) const {
    return surface_.scale.toPlot(geometry().plot, {at.x(), at.y()});
}

void ChartWidget::requestRedraw() {
    redrawPending_ = true;
    redrawTimer_.start();
}

void ChartWidget::redrawNow() {
    redrawPending_ = false;
    redrawTimer_.stop();
    HistoryDocument* doc = document_();
    if (!doc) {
        scene_.reset();
        update();
        return;
    }
    if (auto scene = redrawChart(*doc, geometry(), options_)) {
        scene_ = std::move(*scene);
        bands_.clear();
        if (doc->view.mouseMode == static_cast<std::int32_t>(MouseMode::AlarmPart))
            bands_ = excursionBands(*doc, *scene_, options_.scale);
        surface_.take(*scene_);
        settingScrollBar_ = true;
        scrollBar_->setRange(scene_->scrollBar.minimum, scene_->scrollBar.maximum);
        scrollBar_->setValue(scene_->scrollBar.value);
        scrollBar_->setPageStep(std::max(static_cast<int>(scene_->scale.width), 1));
        scrollBar_->setSingleStep(std::max(static_cast<int>(scene_->scale.width / 20), 1));
        settingScrollBar_ = false;
    }
    syncModeButtons();
    update();
    if (doc->loaded) emit redrawn();
}

void ChartWidget::resetSurface() {
    surface_ = ChartSurface{};
    scene_.reset();
    plot_->setToolTip({});
    applyPointer();
    requestRedraw();
}

void ChartWidget::setBackground(Rgb colour) {
    options_.background = colour;
    requestRedraw();
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!scene_) {
        const QRect plot = plotRect();
        painter.fillRect(plot, toQColor(options_.background));
        painter.setPen(QColor(128, 128, 128));
        painter.drawRect(plot.adjusted(-1, -1, 0, 0));
        return;
    }
    paintChartScene(painter, *scene_, labelFont_, bands_, &plotImage_);
    // The cursor line and the rubber band invert what lies under them, so they show on
    // any background.
    painter.setClipRect(qrect(scene_->plot));
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    for (const ChartPolyline& line : overlayLines(surface_, scene_->plot))
        paintChartPolyline(painter, line, Qt::white);
}

void ChartWidget::resizeEvent(QResizeEvent*) {
    layoutChildren();
    requestRedraw();
}

void ChartWidget::apply(const NavigationOutcome& outcome) {
    if (!outcome.readOut.empty()) emit readOutChanged(outcome.readOut);
    if (outcome.openPreciseZoom) runPreciseZoom();
    if (outcome.redraw) requestRedraw();
    applyPointer();
    plot_->setToolTip(QString::fromStdString(surface_.toolTip));
    update(plotRect().adjusted(-1, -1, 1, 1));
}

void ChartWidget::plotMousePress(QMouseEvent* event) {
    HistoryDocument* doc = document_();
    if (!doc || !scene_) return;
    if (redrawPending_) redrawNow();
    const QPointF at = plot_->mapTo(this, event->position().toPoint());
    apply(mouseDown(*doc, surface_, buttonOf(event->button()), toPlot(at)));
}

void ChartWidget::plotMouseMove(QMouseEvent* event) {
    HistoryDocument* doc = document_();
    if (!doc || !scene_) return;
    // Dragging measures the mouse against the scale of the last redraw: it must be the
    // redraw of the view as it now is.
    if (redrawPending_) redrawNow();
    const QPointF at = plot_->mapTo(this, event->position().toPoint());
    apply(mouseMove(*doc, surface_, event->buttons().testFlag(Qt::LeftButton), toPlot(at)));
}

void ChartWidget::plotMouseRelease(QMouseEvent* event) {
    HistoryDocument* doc = document_();
    if (!doc || !scene_) return;
    if (redrawPending_) redrawNow();
    const QPointF at = plot_->mapTo(this, event->position().toPoint());
    apply(mouseUp(*doc, surface_, buttonOf(event->button()), toPlot(at)));
}

void ChartWidget::plotDoubleClick() {
    const QColor chosen =
        QColorDialog::getColor(toQColor(options_.background), this, qs(kBackgroundColourTitle));
    if (chosen.isValid()) setBackground(rgbOf(chosen));
}

void ChartWidget::modeButtonClicked(int index) {
    HistoryDocument* doc = document_();
    const std::int32_t before = doc ? doc->view.mouseMode : 0;
    if (doc) apply(pressModeButton(*doc, surface_, index));
    syncModeButtons();
    // The bands come and go with the "显示报警部分" mode.
    constexpr auto alarmPart = static_cast<std::int32_t>(MouseMode::AlarmPart);
    doc = document_();
    if (doc && (before == alarmPart) != (doc->view.mouseMode == alarmPart)) requestRedraw();
}

void ChartWidget::syncModeButtons() {
    const HistoryDocument* doc = document_();
    const int mode = doc ? doc->view.mouseMode : 0;
    for (QAbstractButton* button : modeButtons_->buttons()) {
        const int id = modeButtons_->id(button);
        button->setChecked(button->isCheckable() && id == mode);
    }
}

void ChartWidget::applyPointer() {
    plot_->setCursor(cursorFor(surface_.pointer));
}

void ChartWidget::runPreciseZoom() {
    HistoryDocument* doc = document_();
    if (!doc) return;
    const auto opening = preciseZoomDialog(*doc);
    if (!opening) return;
    ResizeByDateDialog dialog(messenger_, this);
    dialog.setState(*opening);
    dialog.exec();
    doc = document_();  // the dialog was modal; the document may have gone meanwhile
    if (doc) apply(applyPreciseZoom(*doc, dialog.state()));
}

void ChartWidget::scrolled(int value) {
    if (settingScrollBar_) return;
    HistoryDocument* doc = document_();
    if (!doc) return;
    apply(scrollTo(*doc, surface_, value));
}

void ChartWidget::switchToggled() {
    options_.scale = switches_[0]->isChecked() ? ScaleMode::Extreme : ScaleMode::Range;
    options_.showAxes = switches_[1]->isChecked();
    options_.trend = switches_[2]->isChecked() ? TrendMode::Rough : TrendMode::Detailed;
    switches_[0]->setText(qs(scaleSwitchCaption(options_.scale)));
    switches_[1]->setText(qs(axesSwitchCaption(options_.showAxes)));
    switches_[2]->setText(qs(trendSwitchCaption(options_.trend)));
    for (QCheckBox* box : switches_) box->resize(box->sizeHint().width(), kSwitchRowHeight);
    requestRedraw();
}

}  // namespace tarvo::gui
