#pragma once
// Pieces the program's dialogs and windows share.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <span>
#include <type_traits>

#include "data/channel_list.h"
#include "gui/qt_text.h"
#include "gui/twips.h"

namespace tarvo::gui {

struct OkCancel {
    QDialogButtonBox* box;
    QPushButton* ok;
    QPushButton* cancel;
};

// "确定" (the default button, cmdOK) accepts the dialog, "取消" (cmdCancel) rejects it.
inline OkCancel okCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    return {buttons, ok, cancel};
}

// A small dialog's body: `content` (a widget or a layout) above its `buttons`, in the
// program's margins, the dialog fixed at the size it needs.
template <typename Content>
void layOutSmallDialog(QDialog* dialog, Content* content, QWidget* buttons) {
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(14);
    if constexpr (std::is_base_of_v<QLayout, Content>) {
        layout->addLayout(content);
    } else {
        layout->addWidget(content);
    }
    layout->addWidget(buttons);
    dialog->setFixedSize(dialog->sizeHint());
}

// The channel list's headers and their widths in twips.
inline void setChannelListColumns(QTreeWidget* list, std::span<const ChannelListColumn> columns) {
    QStringList headers;
    for (const ChannelListColumn& column : columns) headers << qs(column.header);
    list->setHeaderLabels(headers);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), twipsToPixels(columns[i].widthTwips));
}

// The channel list under a window's chart (object name ListViewParam): one row per
// channel, one selected at a time, rows selected whole; a double-click on a row's label
// changes the curve's colour, as its tool tip says.
inline QTreeWidget* newChannelList(QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("ListViewParam"));
    list->setToolTip(QStringLiteral("双击标签修改曲线颜色"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// Makes the channel list hold `count` checkable rows for its caller to fill; the rows are
// made anew only when their count changed.
inline void ensureChannelListRows(QTreeWidget* list, std::size_t count) {
    if (list->topLevelItemCount() == static_cast<int>(count)) return;
    list->clear();
    for (std::size_t i = 0; i < count; ++i) {
        auto* item = new QTreeWidgetItem(list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    }
}

}  // namespace tarvo::gui
