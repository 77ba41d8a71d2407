#include "gui/history_window.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"
#include "gui/scene_painter.h"
#include "gui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "data/channel_list.h"
#include "data/data_grid.h"
#include "gui/chart_widget.h"
#include "gui/document_flows.h"
#include "gui/summary_panel.h"
#include "workstation/document_flows.h"
#include "workstation/workstation.h"

namespace tarvo::gui {

namespace {

constexpr const char* kCurveColourTitle = "颜色选择";
// 9600 × 7200 twips.
constexpr QSize kOpeningSize{9600 / kTwipsPerPixel, 7200 / kTwipsPerPixel};
// The row-header part of the grid's format sizes the number column to this text.
constexpr const char* kNumberColumnSample = "11111";

}  // namespace

// ---- the data grid --------------------------------------------------------------

DataGridModel::DataGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataGridModel::setDocument(const HistoryDocument* document) {
    beginResetModel();
    document_ = document;
    endResetModel();
}

int DataGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !document_ || !document_->loaded) return 0;
    return dataGridRows(*document_) - 1;
}

int DataGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !document_ || !document_->loaded) return 0;
    return dataGridColumns(*document_);
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!document_ || !index.isValid()) return {};
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(dataGridCell(*document_, index.row() + 1, index.column()));
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!document_ || role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return QString::fromStdString(dataGridCell(*document_, 0, section));
}

QString DataGridModel::copyText(const QModelIndex& from, const QModelIndex& to) const {
    if (!document_ || !from.isValid() || !to.isValid()) return {};
    return QString::fromStdString(
        dataGridCopyText(*document_, from.row() + 1, from.column(), to.row() + 1, to.column()));
}

// ---- the window -----------------------------------------------------------------

HistoryWindow::HistoryWindow(Workstation& workstation, int documentIndex, QWidget* parent)
    : QWidget(parent), workstation_(workstation) {
    const auto& windows = workstation.documents();
    if (documentIndex >= 0 && documentIndex < static_cast<int>(windows.size()))
        core_ = windows[static_cast<std::size_t>(documentIndex)].get();

    setObjectName(QString::fromLatin1(kKindTag));
    resize(kOpeningSize);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(twipsToPixels(120), 4, twipsToPixels(120), twipsToPixels(120));
    layout->setSpacing(0);

    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    tabs_->addTab(QStringLiteral("曲线图"));
    tabs_->addTab(QStringLiteral("数据列表"));
    tabs_->addTab(QStringLiteral("统计汇总"));
    tabs_->setExpanding(false);
    layout->addWidget(tabs_);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setChildrenCollapsible(false);
    pages_ = new QStackedWidget(splitter_);
    pages_->setFrameShape(QFrame::StyledPanel);

    chart_ = new ChartWidget([this] { return document(); }, workstation.messenger(), pages_);
    pages_->addWidget(chart_);

    grid_ = new QTableView(pages_);
    grid_->setObjectName(QStringLiteral("MSFlexGrid1"));
    gridModel_ = new DataGridModel(this);
    grid_->setModel(gridModel_);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->installEventFilter(this);
    pages_->addWidget(grid_);

    summary_ = new SummaryPanel(workstation.settingsStore(), pages_);
    pages_->addWidget(summary_);

    channelList_ = newChannelList(splitter_);
    buildChannelListColumns();

    splitter_->addWidget(pages_);
    splitter_->addWidget(channelList_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({330, 120});
    layout->addWidget(splitter_, 1);

    connect(tabs_, &QTabBar::currentChanged, this, &HistoryWindow::showTab);
    connect(chart_, &ChartWidget::redrawn, this, &HistoryWindow::refreshChannelList);
    // The summary follows the view as the statistics do (while it is hidden, showing its
    // tab brings it up to date).
    connect(chart_, &ChartWidget::redrawn, this, [this] {
        if (summary_->isVisible()) summary_->refresh(document());
    });
    connect(summary_, &SummaryPanel::energyChanged, this,
            [this] { summary_->refresh(document()); });
    connect(chart_, &ChartWidget::readOutChanged, this, &HistoryWindow::showReadOut);
    connect(chart_, &ChartWidget::filePropertiesRequested, this,
            &HistoryWindow::showFileProperties);
    connect(channelList_, &QTreeWidget::itemChanged, this, &HistoryWindow::channelItemChanged);
    connect(channelList_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { chooseCurveColour(); });

    documentReplaced();
}

// The pane lists this window's parameters: the window becomes the active child first,
// as the click into it makes it.
void HistoryWindow::showFileProperties() {
    if (!document()) return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
    }
    workstation_.setActiveChild({ChildKind::History, documentIndex()});
    workstation_.showFileProperties();
}

HistoryWindow::~HistoryWindow() {
    gridModel_->setDocument(nullptr);
}

QSize HistoryWindow::sizeHint() const {
    return kOpeningSize;
}

int HistoryWindow::documentIndex() const {
    if (!core_) return -1;
    const auto& windows = workstation_.documents();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].get() == core_) return static_cast<int>(i);
    }
    return -1;
}

HistoryDocument* HistoryWindow::document() const {
    const int index = documentIndex();
    return index < 0 ? nullptr : workstation_.document(index);
}

void HistoryWindow::documentReplaced() {
    HistoryDocument* doc = document();
    refreshCaption();
    gridModel_->setDocument(doc);
    if (doc && doc->loaded) {
        // The grid is filled once per document: its cells are read on demand from here on.
        doc->gridFilled = true;
        const QFontMetrics metrics = grid_->fontMetrics();
        const auto columnWidth = [&](const std::string& text) {
            return metrics.horizontalAdvance(QString::fromStdString(text)) + 16;
        };
        grid_->setColumnWidth(0, columnWidth(kNumberColumnSample));
        for (int c = 1; c < gridModel_->columnCount(); ++c)
            grid_->setColumnWidth(c, columnWidth(dataGridCell(*doc, 0, c)));
    }
    channelList_->clear();
    chart_->resetSurface();
}

void HistoryWindow::refreshCaption() {
    if (const HistoryDocument* doc = document())
        setWindowTitle(QString::fromStdString(doc->caption));
}

void HistoryWindow::buildChannelListColumns() {
    setChannelListColumns(channelList_, kChannelListColumns);
}

void HistoryWindow::refreshChannelList() {
    HistoryDocument* doc = document();
    if (!doc || !doc->loaded) return;
    const std::vector<ChannelListRow> rows = channelListRows(*doc);
    fillingList_ = true;
    ensureChannelListRows(channelList_, rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChannelListRow& row = rows[i];
        QTreeWidgetItem* item = channelList_->topLevelItem(static_cast<int>(i));
        const auto cells = row.cells();
        const QBrush colour(toQColor(row.colour));
        for (std::size_t c = 0; c < cells.size(); ++c) {
            item->setText(static_cast<int>(c), QString::fromStdString(*cells[c]));
            item->setForeground(static_cast<int>(c), colour);
        }
        item->setData(0, Qt::UserRole, QString::fromStdString(row.key));
        item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
    }
    fillingList_ = false;
}

void HistoryWindow::showReadOut(const std::vector<ReadOut>& readOut) {
    fillingList_ = true;
    const int count = std::min(channelList_->topLevelItemCount(), static_cast<int>(readOut.size()));
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = channelList_->topLevelItem(i);
        const ReadOut& r = readOut[static_cast<std::size_t>(i)];
        item->setText(2, QString::fromStdString(r.selectedValue));
        item->setText(4, QString::fromStdString(r.recordTime));
        item->setText(8, QString::fromStdString(r.index));
    }
    fillingList_ = false;
}

void HistoryWindow::channelItemChanged(QTreeWidgetItem* item, int column) {
    if (fillingList_ || column != 0) return;
    HistoryDocument* doc = document();
    const int row = channelList_->indexOfTopLevelItem(item);
    if (!doc || row < 0 || row >= static_cast<int>(doc->channels.size())) return;
    const bool visible = item->checkState(0) == Qt::Checked;
    ChannelRecord& record = doc->channels[static_cast<std::size_t>(row)];
    if (record.visible == visible) return;
    record.visible = visible;
    chart_->requestRedraw();
}

void HistoryWindow::chooseCurveColour() {
    HistoryDocument* doc = document();
    QTreeWidgetItem* item = channelList_->currentItem();
    if (!doc || !item) return;
    const int row = channelList_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(doc->channels.size())) return;
    Rgb current = doc->channels[static_cast<std::size_t>(row)].color;
    const QColor chosen = QColorDialog::getColor(toQColor(defaultCurveColor(current, row + 1)),
                                                 this, QString::fromUtf8(kCurveColourTitle));
    if (!chosen.isValid()) return;
    doc = document();  // the dialog was modal
    if (!doc || row >= static_cast<int>(doc->channels.size())) return;
    Rgb colour = rgbOf(chosen);
    // A colour of 0 means "none chosen" and would turn back into the default colour:
    // black is kept as the nearest colour that is not 0.
    if (colour == 0) colour = rgb(1, 1, 1);
    doc->channels[static_cast<std::size_t>(row)].color = colour;
    fillingList_ = true;
    for (int c = 0; c < channelList_->columnCount(); ++c) item->setForeground(c, toQColor(colour));
    fillingList_ = false;
    chart_->requestRedraw();
}

void HistoryWindow::copyGridSelection() {
    const QModelIndex current = grid_->currentIndex();
    QModelIndex from = current;
    QModelIndex to = current;
    const QItemSelection selection = grid_->selectionModel()->selection();
    if (!selection.isEmpty()) {
        int top = selection.front().top(), bottom = selection.front().bottom();
        int left = selection.front().left(), right = selection.front().right();
        for (const QItemSelectionRange& range : selection) {
            top = std::min(top, range.top());
            bottom = std::max(bottom, range.bottom());
            left = std::min(left, range.left());
            right = std::max(right, range.right());
        }
        from = gridModel_->index(top, left);
        to = gridModel_->index(bottom, right);
    }
    if (!from.isValid() || !to.isValid()) return;
    QApplication::clipboard()->setText(gridModel_->copyText(from, to));
}

void HistoryWindow::showTab(int index) {
    if (index == 2) summary_->refresh(document());
    pages_->setCurrentIndex(index == 1 || index == 2 ? index : 0);
}

double HistoryWindow::activationEnergy() const {
    return summary_->activationEnergy();
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyGridSelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool HistoryWindow::saveAs() {
    QtDocumentDialogs dialogs(this);
    const bool saved = saveHistoryWindowAs(workstation_, documentIndex(), dialogs);
    refreshCaption();
    return saved;
}

bool HistoryWindow::addToDataBase() {
    QtDocumentDialogs dialogs(this);
    return appendHistoryWindowToDatabase(workstation_, documentIndex(), dialogs);
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
    const int index = documentIndex();
    if (index < 0) {
        event->accept();
        return;
    }
    QtDocumentDialogs dialogs(this);
    if (!historyWindowMayClose(workstation_, index, dialogs)) {
        refreshCaption();
        event->ignore();
        return;
    }
    // The document goes: nothing here may read it any more.
    gridModel_->setDocument(nullptr);
    const int closing = documentIndex();
    core_ = nullptr;
    if (closing >= 0) workstation_.closeDocument(closing);
    event->accept();
}

}  // namespace tarvo::gui
