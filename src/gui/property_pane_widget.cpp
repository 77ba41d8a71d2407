#include "gui/property_pane_widget.h"
#include "gui/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

#include "gui/colours.h"
#include "gui/twips.h"
#include "workstation/property_editing.h"

namespace tarvo::gui {

namespace {

// The pane's own caption bar: a blue strip with the title in white.
class TitleStrip : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(0x4d, 0x7c, 0xba));
        g.setColorAt(1, QColor(0x2e, 0x5a, 0x96));
        p.fillRect(rect(), g);
        p.setPen(QColor(0x24, 0x46, 0x76));
        p.drawLine(0, height() - 1, width(), height() - 1);
    }
};

// The strip's small white glyphs.
QIcon glyph(bool closeCross) {
    QIcon icon;
    for (const int size : {12, 16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 12.0, size / 12.0);
        QPen pen(Qt::white, 1.4);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        if (closeCross) {
            p.drawLine(QPointF(3, 3), QPointF(9, 9));
            p.drawLine(QPointF(9, 3), QPointF(3, 9));
        } else {
            // A sheet with a folded corner and two lines: the file's properties.
            QPainterPath sheet;
            sheet.moveTo(2.5, 1.5);
            sheet.lineTo(7, 1.5);
            sheet.lineTo(9.5, 4);
            sheet.lineTo(9.5, 10.5);
            sheet.lineTo(2.5, 10.5);
            sheet.closeSubpath();
            p.setPen(QPen(Qt::white, 1.0));
            p.drawPath(sheet);
            p.drawLine(QPointF(4.2, 6), QPointF(7.8, 6));
            p.drawLine(QPointF(4.2, 8.2), QPointF(7.8, 8.2));
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QToolButton* stripButton(QWidget* parent, const QIcon& icon, const QString& tooltip) {
    auto* button = new QToolButton(parent);
    button->setIcon(icon);
    button->setIconSize(QSize(12, 12));
    button->setAutoRaise(true);
    button->setToolTip(tooltip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; padding: 3px; border-radius: 2px; }"
                       "QToolButton:hover { background: rgba(255, 255, 255, 60); }"
                       "QToolButton:pressed { background: rgba(0, 0, 0, 50); }"));
    return button;
}

// Rows a little taller than the text, so that the list reads easily.
class RowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(size.height() + 4);
        return size;
    }
};

}  // namespace

PropertyPaneWidget::PropertyPaneWidget(QWidget* parent) : QWidget(parent) {
    titleStrip_ = new TitleStrip(this);
    title_ = new QLabel(qs(kLoggerPaneTitle), titleStrip_);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setStyleSheet(QStringLiteral("color: white;"));
    fileButton_ = stripButton(titleStrip_, glyph(false), qs(kFilePaneTitle));
    hideButton_ = stripButton(titleStrip_, glyph(true), qs(kHidePaneTooltip));
    auto* strip = new QHBoxLayout(titleStrip_);
    strip->setContentsMargins(8, 2, 3, 2);
    strip->setSpacing(1);
    strip->addWidget(title_, 1);
    strip->addWidget(fileButton_);
    strip->addWidget(hideButton_);

    tabs_ = new QTabBar(this);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(true);
    tabs_->setFocusPolicy(Qt::TabFocus);
    tabs_->setUsesScrollButtons(true);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(2);
    list_->setHeaderLabels({qs(kNameColumn), qs(kValueColumn)});
    list_->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    list_->setRootIsDecorated(false);
    list_->setItemDelegate(new RowDelegate(list_));
    list_->setAlternatingRowColors(true);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->header()->setSectionsMovable(false);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, twipsToPixels(kNameColumnTwips));
    list_->setColumnWidth(1, twipsToPixels(kValueColumnTwips));

    commandWindow_ = new QPlainTextEdit(this);
    commandWindow_->setReadOnly(true);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    commandWindow_->setFont(mono);
    commandWindow_->hide();

    hint_ = new QLabel(qs(kPaneHint), this);
    QPalette hintPalette = hint_->palette();
    hintPalette.setColor(QPalette::WindowText, QColor(0x55, 0x5b, 0x63));
    hint_->setPalette(hintPalette);

    writeButton_ = new QPushButton(qs(kWriteButtonCaption), this);
    writeButton_->setEnabled(false);

    connect(hideButton_, &QToolButton::clicked, this, &PropertyPaneWidget::hideClicked);
    connect(fileButton_, &QToolButton::clicked, this, &PropertyPaneWidget::filePropertiesClicked);
    connect(writeButton_, &QPushButton::clicked, this, &PropertyPaneWidget::writeClicked);
    // A click on any tab is a tab click, the selected one too; the keyboard's
    // change of tab counts as one as well.
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int index) {
        if (!updating_ && index >= 0 && index == tabs_->currentIndex()) emit tabClicked(index + 1);
    });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (!updating_ && index >= 0) emit tabClicked(index + 1);
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!item) return;
        emit rowDoubleClicked(item->data(0, Qt::UserRole).toString());
        emit rowDoubleClickedAt(list_->indexOfTopLevelItem(item));
    });
}

QSize PropertyPaneWidget::sizeHint() const {
    const int columns = twipsToPixels(kNameColumnTwips) + twipsToPixels(kValueColumnTwips);
    // Room for the value column's longest texts (a bold date and time) beside a
    // scroll bar, and for four tabs.
    return {columns + list_->verticalScrollBar()->sizeHint().width() + 2 * list_->frameWidth() + 60,
            480};
}

QRect PropertyPaneWidget::valueCellRect(int row) const {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return {};
    list_->scrollToItem(item);
    const QRect line = list_->visualItemRect(item);
    const int left = list_->columnViewportPosition(1);
    return {left, line.top(), std::max(list_->columnWidth(1), 40), line.height()};
}

QWidget* PropertyPaneWidget::editorHost() const {
    return list_->viewport();
}

void PropertyPaneWidget::showPane(const PropertyPane& pane) {
    updating_ = true;
    const auto& captions = pane.tabs();
    bool sameTabs = tabs_->count() == static_cast<int>(captions.size());
    for (int i = 0; sameTabs && i < tabs_->count(); ++i) {
        sameTabs = tabs_->tabText(i) == QString::fromStdString(captions[static_cast<size_t>(i)]);
    }
    if (!sameTabs) {
        while (tabs_->count() > 0) tabs_->removeTab(0);
        for (const auto& caption : captions) tabs_->addTab(QString::fromStdString(caption));
    }
    tabs_->setCurrentIndex(static_cast<int>(pane.selectedTab()) - 1);
    updating_ = false;

    title_->setText(QString::fromStdString(pane.title()));
    fillRows(pane.rows());
    commandWindow_->setPlainText(QString::fromStdString(pane.commandText()));
    commandWindow_->setVisible(pane.commandWindowVisible());
    if (pane.commandWindowVisible()) commandWindow_->raise();
}

void PropertyPaneWidget::showCommandText(const std::string& text) {
    commandWindow_->setPlainText(QString::fromStdString(text));
}

void PropertyPaneWidget::setWriteEnabled(bool enabled) {
    writeButton_->setEnabled(enabled);
}

void PropertyPaneWidget::fillRows(const std::vector<PropertyRow>& rows) {
    // A refill keeps the operator's place in the list.
    const int scroll = list_->verticalScrollBar()->value();
    const QString currentKey =
        list_->currentItem() ? list_->currentItem()->data(0, Qt::UserRole).toString() : QString();

    const QSignalBlocker block(list_);
    list_->clear();
    const QColor readOnly = toQColor(kReadOnlyColour);
    QTreeWidgetItem* current = nullptr;
    QList<QTreeWidgetItem*> items;
    for (const PropertyRow& row : rows) {
        auto* item = new QTreeWidgetItem(
            QStringList{QString::fromStdString(row.label), QString::fromStdString(row.value)});
        const QString key = QString::fromStdString(row.key);
        item->setData(0, Qt::UserRole, key);
        item->setTextAlignment(1, Qt::AlignCenter);
        if (row.readOnly) {
            item->setForeground(0, readOnly);
            item->setForeground(1, readOnly);
        }
        if (row.valueColour) item->setForeground(1, toQColor(*row.valueColour));
        // An alarm limit of a channel whose alarm is off is dimmed as a whole row.
        if (row.valueColour == kAlarmDimmedColour)
            item->setForeground(0, toQColor(kAlarmDimmedColour));
        if (row.bold) {
            QFont bold = list_->font();
            bold.setBold(true);
            item->setFont(0, bold);
            item->setFont(1, bold);
        }
        if (!currentKey.isEmpty() && key == currentKey) current = item;
        items.append(item);
    }
    list_->addTopLevelItems(items);
    if (current) list_->setCurrentItem(current);
    list_->verticalScrollBar()->setValue(scroll);
}

void PropertyPaneWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

// The pane's own layout: the strip, tabs and list take the whole width; the list
// ends 840 twips above the bottom, with the hint and the write button below it.
void PropertyPaneWidget::layOut() {
    const int w = width();
    const int h = height();
    const int titleHeight = titleStrip_->sizeHint().height();
    const int tabsHeight = tabs_->sizeHint().height();
    if (w > twipsToPixels(500)) {
        titleStrip_->setGeometry(0, 0, w, titleHeight);
        tabs_->setGeometry(0, titleHeight, w, tabsHeight);
        list_->resize(w, list_->height());
        commandWindow_->resize(w, commandWindow_->height());
    }
    if (h > twipsToPixels(960)) {
        const int top = std::max(twipsToPixels(480), titleHeight + tabsHeight);
        const int listHeight = std::max(0, h - top - twipsToPixels(840));
        list_->setGeometry(0, top, list_->width(), listHeight);
        commandWindow_->setGeometry(list_->geometry());
        const QSize button = writeButton_->sizeHint();
        const int buttonHeight = std::min(button.height(), twipsToPixels(495) - 4);
        const int buttonTop = h - twipsToPixels(495);
        const int hintHeight = hint_->sizeHint().height();
        const int hintTop = std::min(h - twipsToPixels(735), buttonTop - hintHeight);
        hint_->setGeometry(6, hintTop, std::max(0, w - 12), hintHeight);
        const int buttonWidth = std::max(button.width(), 80);
        writeButton_->setGeometry(std::max(0, w - buttonWidth - 6), buttonTop, buttonWidth,
                                  buttonHeight);
    }
}

}  // namespace tarvo::gui
