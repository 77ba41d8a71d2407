#include "gui/live_window.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <string>

#include "data/channel_list.h"
#include "data/channel_summary.h"
#include "data/chart_model.h"
#include "data/live_document.h"
#include "gui/colours.h"
#include "gui/scene_painter.h"
#include "gui/twips.h"

namespace tarvo::gui {

namespace {

constexpr const char* kCurveColourTitle = "颜色选择";

// 9600 × 7200 twips, as a history window opens.
constexpr QSize kOpeningSize{9600 / kTwipsPerPixel, 7200 / kTwipsPerPixel};
// The plot lies 120 twips from the top and the right; on the left it leaves room for
// the two height labels printed beside it.
constexpr int kPlotInset = 120 / kTwipsPerPixel;
// The bottom label stands 240 twips above the plot's bottom edge.
constexpr int kBottomLabelLift = 240 / kTwipsPerPixel;
constexpr int kLabelGap = 4;

// The columns of the list that the redraw fills; the cursor read-out owns the others.
constexpr int kSelectedValueColumn = 2;
constexpr int kRecordTimeColumn = 4;
constexpr int kIndexColumn = 8;

QRectF qrect(const DeviceRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// A horizontal two-point dash is drawn crisp; curves are smoothed.
bool horizontalDash(const ChartPolyline& line) {
    return line.points.size() == 2 && line.points[0].y == line.points[1].y;
}

}  // namespace

// The panel holding the plot surface (PicDrawLine) and, left of it, the height labels.
class LivePlotPanel : public QWidget {
  public:
    explicit LivePlotPanel(LiveWindow* window) : QWidget(window), window_(window) {
        setObjectName(QStringLiteral("PicDrawLine"));
        setMouseTracking(true);
        setMinimumSize(160, 90);
    }

    QRect plotRect() const {
        const int left = fontMetrics().horizontalAdvance(QStringLiteral("10000")) + 2 * kLabelGap;
        return {left, kPlotInset, std::max(width() - left - kPlotInset, 1),
                std::max(height() - 2 * kPlotInset, 1)};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        window_->paintPlot(painter);
    }
    void resizeEvent(QResizeEvent*) override { window_->requestRedraw(); }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (plotRect().contains(event->position().toPoint())) window_->readOutAt(event->position());
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && plotRect().contains(event->position().toPoint()))
            window_->chooseBackground();
    }

  private:
    LiveWindow* window_;
};

LiveWindow::LiveWindow(LiveDocument& document, QWidget* parent)
    : QWidget(parent), document_(document) {
    setObjectName(qs(kLiveWindowTag));
    setWindowTitle(qs(kLiveCaption));
    resize(kOpeningSize);

    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(0);
    connect(&redrawTimer_, &QTimer::timeout, this, &LiveWindow::redrawNow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPlotInset, 0, kPlotInset, kPlotInset);
    layout->setSpacing(0);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setChildrenCollapsible(false);
    plot_ = new LivePlotPanel(this);
    splitter_->addWidget(plot_);

    channelList_ = newChannelList(splitter_);
    buildChannelListColumns();
    splitter_->addWidget(channelList_);
    excursions_ = new QLabel(splitter_);
    excursions_->setObjectName(QStringLiteral("LabelExcursions"));
    excursions_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    excursions_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    splitter_->addWidget(excursions_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 0);
    splitter_->setSizes({320, 140, 60});
    layout->addWidget(splitter_, 1);

    connect(channelList_, &QTreeWidget::itemChanged, this, &LiveWindow::channelItemChanged);
    connect(channelList_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { chooseCurveColour(); });

    requestRedraw();
}

LiveWindow::~LiveWindow() = default;

QSize LiveWindow::sizeHint() const {
    return kOpeningSize;
}

QWidget* LiveWindow::plotPanel() const {
    return plot_;
}

QRect LiveWindow::plotRect() const {
    return plot_->plotRect();
}

std::optional<LiveSample> LiveWindow::appendSample(ByteView answer, DateTime now) {
    auto sample = document_.restoreRealData(answer, now);
    if (sample) requestRedraw();
    return sample;
}

void LiveWindow::documentReset() {
    fillingList_ = true;
    channelList_->clear();
    fillingList_ = false;
    cursorIndex_.reset();
    buildChannelListColumns();
    requestRedraw();
}

void LiveWindow::requestRedraw() {
    redrawTimer_.start();
}

void LiveWindow::redrawNow() {
    redrawTimer_.stop();
    const QRect plot = plotRect();
    auto scene = liveChartScene(
        document_,
        DeviceRect{static_cast<double>(plot.left()), static_cast<double>(plot.top()),
                   static_cast<double>(plot.width()), static_cast<double>(plot.height())});
    scene_ = scene ? std::make_unique<LiveChartScene>(std::move(*scene)) : nullptr;
    refreshChannelList();
    refreshExcursionFigures();
    plot_->update();
    emit redrawn();
}

void LiveWindow::setBackground(const QColor& colour) {
    background_ = colour;
    plot_->update();
}

void LiveWindow::paintPlot(QPainter& painter) {
    const QRect plot = plotRect();
    const QRectF area = scene_ ? qrect(scene_->plot) : QRectF(plot);
    painter.fillRect(area, background_);
    if (scene_) {
        painter.save();
        painter.setClipRect(area);
        for (const ChartPolyline& line : scene_->lines) {
            painter.setRenderHint(QPainter::Antialiasing, !horizontalDash(line));
            paintChartPolyline(painter, line, toQColor(line.colour));
        }
        painter.restore();
    }
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(area.adjusted(-1, -1, 0, 0));
    if (!scene_) return;

    // The plot's top and bottom heights, right-aligned against its left edge.
    const QFontMetricsF metrics(painter.font());
    painter.setPen(toQColor(kChartTextColour));
    const auto label = [&](const std::string& text, double top) {
        const QString t = QString::fromStdString(text);
        const double x = area.left() - kLabelGap - metrics.horizontalAdvance(t);
        painter.drawText(QPointF(x, top + metrics.ascent()), t);
    };
    label(scene_->topLabel, area.top());
    label(scene_->bottomLabel, area.bottom() - kBottomLabelLift);

    // The cursor line inverts what lies under it, so it shows on any background.
    if (cursorIndex_) {
        const DevicePoint at =
            scene_->scale.toDevice(scene_->plot, PlotPoint{static_cast<double>(*cursorIndex_), 0});
        painter.setClipRect(area);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.setPen(Qt::white);
        painter.drawLine(QPointF(at.x, area.top()), QPointF(at.x, area.bottom()));
    }
}

void LiveWindow::readOutAt(QPointF panelPoint) {
    if (redrawTimer_.isActive()) redrawNow();
    if (!scene_) return;
    const PlotPoint at =
        scene_->scale.toPlot(scene_->plot, DevicePoint{panelPoint.x(), panelPoint.y()});
    const auto cells = liveCursorReadout(document_, at.x);
    if (cells.empty()) return;
    std::optional<std::int32_t> cursor;
    fillingList_ = true;
    const int count = std::min(channelList_->topLevelItemCount(), static_cast<int>(cells.size()));
    for (int i = 0; i < count; ++i) {
        const auto& cell = cells[static_cast<std::size_t>(i)];
        if (!cell) continue;
        if (!cursor) cursor = cell->index;
        QTreeWidgetItem* item = channelList_->topLevelItem(i);
        item->setText(kSelectedValueColumn, QString::fromStdString(cell->selectedValue));
        item->setText(kRecordTimeColumn, QString::fromStdString(cell->recordTime));
        item->setText(kIndexColumn, QString::fromStdString(cell->indexText));
    }
    fillingList_ = false;
    // A wider text than the column was made for (another font) widens it.
    const QAbstractItemView* view = channelList_;
    if (channelList_->columnWidth(kRecordTimeColumn) < view->sizeHintForColumn(kRecordTimeColumn))
        channelList_->resizeColumnToContents(kRecordTimeColumn);
    if (cursor) {
        cursorIndex_ = cursor;
        plot_->update();
    }
}

void LiveWindow::refreshExcursionFigures() {
    QStringList lines;
    if (document_.loaded) {
        for (const ChannelRecord& r : document_.channels)
            lines << QString::fromStdString(excursionLine(summarizeChannel(r, 1, r.sampleCount())));
    }
    excursions_->setText(lines.join(QLatin1Char('\n')));
}

void LiveWindow::buildChannelListColumns() {
    setChannelListColumns(channelList_, kLiveChannelListColumns);
    // "记录时间" holds a general date with two-digit month, day and hour.
    const QFontMetrics metrics(channelList_->font());
    const int needed = metrics.horizontalAdvance(QStringLiteral("2000-12-28 23:59:59")) +
                       2 * metrics.averageCharWidth();
    if (channelList_->columnWidth(kRecordTimeColumn) < needed)
        channelList_->setColumnWidth(kRecordTimeColumn, needed);
}

void LiveWindow::refreshChannelList() {
    const std::vector<ChannelListRow> rows = liveChannelListRows(document_);
    fillingList_ = true;
    ensureChannelListRows(channelList_, rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChannelListRow& row = rows[i];
        QTreeWidgetItem* item = channelList_->topLevelItem(static_cast<int>(i));
        // The read-out's cells (选定值, 记录时间, 编号) keep what the cursor put there.
        const std::array<std::pair<int, const std::string*>, 6> cells = {{{0, &row.channelText},
                                                                          {1, &row.typeText},
                                                                          {3, &row.unitText},
                                                                          {5, &row.maxText},
                                                                          {6, &row.minText},
                                                                          {7, &row.meanText}}};
        for (const auto& [column, text] : cells)
            item->setText(column, QString::fromStdString(*text));
        const QBrush colour(toQColor(row.colour));
        for (int c = 0; c < channelList_->columnCount(); ++c) item->setForeground(c, colour);
        item->setData(0, Qt::UserRole, QString::fromStdString(row.key));
        item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
    }
    fillingList_ = false;
}

void LiveWindow::channelItemChanged(QTreeWidgetItem* item, int column) {
    if (fillingList_ || column != 0) return;
    const int row = channelList_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(document_.channels.size())) return;
    const bool visible = item->checkState(0) == Qt::Checked;
    ChannelRecord& record = document_.channels[static_cast<std::size_t>(row)];
    if (record.visible == visible) return;
    record.visible = visible;
    requestRedraw();
}

void LiveWindow::chooseCurveColour() {
    QTreeWidgetItem* item = channelList_->currentItem();
    if (!item) return;
    const int row = channelList_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(document_.channels.size())) return;
    Rgb current = document_.channels[static_cast<std::size_t>(row)].color;
    const QColor chosen = QColorDialog::getColor(toQColor(defaultCurveColor(current, row + 1)),
                                                 this, QString::fromUtf8(kCurveColourTitle));
    // The dialog was modal: the owner may have rebuilt the channels meanwhile.
    if (!chosen.isValid() || row >= static_cast<int>(document_.channels.size())) return;
    Rgb colour = rgbOf(chosen);
    // A colour of 0 means "none chosen" and would turn back into the default colour:
    // black is kept as the nearest colour that is not 0.
    if (colour == 0) colour = rgb(1, 1, 1);
    document_.channels[static_cast<std::size_t>(row)].color = colour;
    requestRedraw();
}

void LiveWindow::chooseBackground() {
    const QColor chosen = QColorDialog::getColor(background_, this, qs(kBackgroundColourTitle));
    if (chosen.isValid()) setBackground(chosen);
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    // Never destroyed: the window (or its MDI frame) is only hidden.
    event->ignore();
    if (closeGuard_ && !closeGuard_()) return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->hide();
    } else {
        hide();
    }
    emit closedByOperator();
}

}  // namespace tarvo::gui
