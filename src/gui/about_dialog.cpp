#include "gui/about_dialog.h"

#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/command_icons.h"

namespace tarvo::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tarvo"));
    setModal(true);
    setMouseTracking(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(programIcon().pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* product = new QLabel(QStringLiteral("Tarvo"), this);
    QFont productFont = product->font();
    productFont.setPointSizeF(productFont.pointSizeF() * 1.8);
    productFont.setBold(true);
    product->setFont(productFont);

    auto* version = new QLabel(QStringLiteral("软件版本  V4.2"), this);
    auto* build = new QLabel(QStringLiteral("Build 7082802"), this);

    auto* description = new QPlainTextEdit(this);
    description->setReadOnly(true);
    description->setPlainText(
        QStringLiteral("说明：本软件用于本公司多通道数据记录仪的参数设置、历史数据上传与分析、"
                       "实时数据采集、数据保存与打印。一条串口线上最多可连接100台记录仪。"));
    description->setFixedHeight(84);

    auto* welcome = new QLabel(QStringLiteral("欢迎来访我们的主页"), this);
    link_ = new QLabel(homePage().toString(), this);
    link_->setCursor(Qt::PointingHandCursor);
    link_->setMouseTracking(true);
    link_->installEventFilter(this);

    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(product);
    heading->addWidget(version);
    heading->addWidget(build);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(picture);
    top->addLayout(heading, 1);

    auto* bottom = new QHBoxLayout;
    auto* web = new QVBoxLayout;
    web->setSpacing(2);
    web->addWidget(welcome);
    web->addWidget(link_);
    bottom->addLayout(web, 1);
    bottom->addWidget(ok_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(description);
    layout->addLayout(bottom);
    setFixedWidth(400);
    setLinkLit(false);
}

QUrl AboutDialog::homePage() {
    return QUrl(QStringLiteral("http://www.tarvo.example/"));
}

void AboutDialog::setLinkLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    QFont font = link_->font();
    font.setUnderline(lit);
    link_->setFont(font);
    link_->setStyleSheet(lit ? QStringLiteral("color: rgb(255, 0, 255);")
                             : QStringLiteral("color: rgb(0, 0, 255);"));
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == link_) {
        switch (event->type()) {
            case QEvent::Enter:
            case QEvent::MouseMove:
                setLinkLit(true);
                break;
            case QEvent::Leave:
                setLinkLit(false);
                break;
            case QEvent::MouseButtonRelease:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    QDesktopServices::openUrl(homePage());
                }
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Anywhere else in the dialog the link goes back to plain blue. The label passes its
// own mouse moves on to the dialog, so a move over the label keeps it lit.
void AboutDialog::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = link_->mapFrom(this, event->position().toPoint());
    setLinkLit(link_->rect().contains(at));
    QDialog::mouseMoveEvent(event);
}

}  // namespace tarvo::gui
