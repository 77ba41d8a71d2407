#include "gui/property_editor_widget.h"
#include "gui/qt_text.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/date_time.h"

namespace tarvo::gui {

namespace {

QDateTime toQDateTime(DateTime t) {
    const CivilTime c = toCivil(t);
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
}

DateTime fromQDateTime(const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    return makeDateTime(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second());
}

// A duration on day 0 as a clock time; longer ones stop at the day's last second.
QTime toQTime(DateTime duration) {
    const long long seconds = std::clamp<long long>(totalSeconds(duration), 0, 86399);
    return QTime(static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                 static_cast<int>(seconds % 60));
}

// The pickers' format in Qt's words: a three-letter year is the full year.
QString qtFormat(const std::string& format) {
    QString f = qs(format);
    if (!f.contains(QStringLiteral("yyyy"))) f.replace(QStringLiteral("yyy"), QStringLiteral("yyyy"));
    return f;
}

}  // namespace

PropertyEditorWidget::PropertyEditorWidget(PropertyEditor editor, const QRect& cell,
                                           QWidget* parent)
    : QWidget(parent), editor_(std::move(editor)) {
    setObjectName(qs(editor_.control));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    switch (editor_.kind) {
        case EditorKind::TextBox:
        case EditorKind::NumberBox:
            buildLineEdit(cell);
            break;
        case EditorKind::DropDown:
            buildComboBox(cell);
            break;
        case EditorKind::DateTimePicker:
        case EditorKind::TimePicker:
            buildPicker(cell);
            break;
        case EditorKind::CheckTree:
            buildCheckTree(cell);
            break;
        case EditorKind::None:
            break;
    }
    if (control_) {
        layout->addWidget(control_);
        control_->installEventFilter(this);
        setFocusProxy(control_);
    }
}

void PropertyEditorWidget::buildLineEdit(const QRect& cell) {
    line_ = new QLineEdit(qs(editor_.text), this);
    if (editor_.maxLength > 0) line_->setMaxLength(editor_.maxLength);
    lastGoodText_ = line_->text();
    if (editor_.kind == EditorKind::NumberBox) {
        // Every change passes the number box's typing rule.
        connect(line_, &QLineEdit::textEdited, this, [this](const QString& typed) {
            const QString good = qs(numberBoxText(editor_, typed.toStdString(),
                                                  lastGoodText_.toStdString()));
            if (good != typed) {
                const int cursor = std::min(line_->cursorPosition(), static_cast<int>(good.size()));
                line_->setText(good);
                line_->setCursorPosition(cursor);
            }
            lastGoodText_ = good;
        });
    }
    line_->selectAll();
    control_ = line_;
    setGeometry(cell);
}

void PropertyEditorWidget::buildComboBox(const QRect& cell) {
    combo_ = new QComboBox(this);
    for (const std::string& item : editor_.items) combo_->addItem(qs(item));
    combo_->setCurrentIndex(editor_.selected);
    control_ = combo_;
    setGeometry(cell.x(), cell.y(), cell.width(), std::max(cell.height(), combo_->sizeHint().height()));
}

void PropertyEditorWidget::buildPicker(const QRect& cell) {
    if (editor_.kind == EditorKind::TimePicker) {
        auto* time = new QTimeEdit(this);
        time->setTimeRange(toQTime(editor_.minimum), toQTime(editor_.maximum));
        time->setTime(toQTime(editor_.time));
        picker_ = time;
    } else {
        picker_ = new QDateTimeEdit(this);
        picker_->setDateTimeRange(toQDateTime(editor_.minimum), toQDateTime(editor_.maximum));
        picker_->setDateTime(toQDateTime(editor_.time));
    }
    picker_->setDisplayFormat(qtFormat(editor_.format));
    control_ = picker_;
    setGeometry(cell.x(), cell.y(), cell.width(),
                std::max(cell.height(), picker_->sizeHint().height()));
}

void PropertyEditorWidget::buildCheckTree(const QRect& cell) {
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setColumnCount(1);
    for (const CheckNode& node : editor_.nodes) {
        auto* item = new QTreeWidgetItem(QStringList{qs(node.text)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(0, node.checked ? Qt::Checked : Qt::Unchecked);
        tree_->addTopLevelItem(item);
    }
    connect(tree_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int) { treeItemChanged(item); });
    control_ = tree_;
    // Tall enough for every node, hanging down from the row.
    const int rowHeight = std::max(tree_->sizeHintForRow(0), cell.height());
    const int height =
        rowHeight * std::max<int>(1, static_cast<int>(editor_.nodes.size())) + 2 * tree_->frameWidth() + 2;
    setGeometry(cell.x(), cell.y(), cell.width(), height);
}

// A single-choice tree keeps one check mark: the one just set.
void PropertyEditorWidget::treeItemChanged(QTreeWidgetItem* item) {
    if (updatingTree_ || !editor_.singleChoice || item->checkState(0) != Qt::Checked) return;
    const int index = tree_->indexOfTopLevelItem(item);
    if (index < 0) return;
    PropertyEditor now = state();
    checkTreeNode(now, index);
    updatingTree_ = true;
    for (int i = 0; i < tree_->topLevelItemCount() && i < static_cast<int>(now.nodes.size()); ++i) {
        tree_->topLevelItem(i)->setCheckState(
            0, now.nodes[static_cast<std::size_t>(i)].checked ? Qt::Checked : Qt::Unchecked);
    }
    updatingTree_ = false;
}

PropertyEditor PropertyEditorWidget::state() const {
    PropertyEditor e = editor_;
    if (line_) e.text = line_->text().toStdString();
    if (combo_) {
        e.selected = combo_->currentIndex();
        if (e.selected >= 0 && e.selected < static_cast<int>(e.items.size()))
            e.text = e.items[static_cast<std::size_t>(e.selected)];
    }
    if (picker_) {
        if (e.kind == EditorKind::TimePicker) {
            const QTime t = picker_->time();
            e.time = makeDuration(t.hour(), t.minute(), t.second());
        } else {
            e.time = fromQDateTime(picker_->dateTime());
        }
    }
    if (tree_) {
        for (int i = 0; i < tree_->topLevelItemCount() && i < static_cast<int>(e.nodes.size()); ++i)
            e.nodes[static_cast<std::size_t>(i)].checked =
                tree_->topLevelItem(i)->checkState(0) == Qt::Checked;
    }
    return e;
}

void PropertyEditorWidget::commit() {
    if (finished_) return;
    finished_ = true;
    if (picker_) picker_->interpretText();
    hide();
    emit committed(state());
}

void PropertyEditorWidget::cancel() {
    if (finished_) return;
    finished_ = true;
    hide();
    emit cancelled();
}

bool PropertyEditorWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_ && !finished_) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                cancel();
                return true;
            }
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            // Enter in an open drop-down picks the entry; the list stays.
            if (enter && !(combo_ && combo_->view()->isVisible())) {
                commit();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // The drop-down's own list takes the focus while it is open.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) commit();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tarvo::gui
