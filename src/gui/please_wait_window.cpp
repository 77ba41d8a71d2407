#include "gui/please_wait_window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvo::gui {

namespace {

// The line carries a trailing blank.
constexpr const char* kPleaseWaitCaption = "请稍候...";
constexpr const char* kPleaseWaitText = "正在重启记录中，请稍候。。。。。。 ";

}  // namespace

PleaseWaitWindow::PleaseWaitWindow(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmWaitting"));
    setWindowTitle(QString::fromUtf8(kPleaseWaitCaption));
    setWindowModality(Qt::NonModal);
    // It is a notice: the operator's keys stay with the window they were typing in.
    setAttribute(Qt::WA_ShowWithoutActivating);

    text_ = new QLabel(QString::fromUtf8(kPleaseWaitText), this);
    text_->setObjectName(QStringLiteral("Label1"));
    text_->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->addWidget(text_);
    setFixedSize(sizeHint());
}

void PleaseWaitWindow::popUp() {
    if (QWidget* owner = parentWidget()) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - rect().center());
    }
    show();
    raise();
}

}  // namespace tarvo::gui
