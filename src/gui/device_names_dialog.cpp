#include "gui/device_names_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "workstation/workstation.h"

namespace tarvo::gui {

DeviceNamesDialog::DeviceNamesDialog(Workstation& workstation, QWidget* parent)
    : QDialog(parent), workstation_(workstation) {
    setObjectName(QStringLiteral("dlgConfig"));
    setWindowTitle(QString::fromUtf8(kDeviceNamesTitle.data(),
                                     static_cast<qsizetype>(kDeviceNamesTitle.size())));
    setModal(true);

    auto* listCaption = new QLabel(QStringLiteral("列表"), this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    for (const auto& entry : DeviceNameManager::listEntries()) {
        list_->addItem(QString::fromStdString(entry));
    }
    list_->setMinimumSize(160, 300);

    auto* nameCaption = new QLabel(QStringLiteral("自定义名称"), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("Text1"));
    name_->setMinimumWidth(180);
    nameCaption->setBuddy(name_);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    ok_ = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("OKButton"));
    ok_->setDefault(true);
    cancel_ = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("CancelButton"));

    auto* left = new QVBoxLayout;
    left->addWidget(listCaption);
    left->addWidget(list_, 1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(nameCaption);
    middle->addWidget(name_);
    middle->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    layout->addLayout(left);
    layout->addLayout(middle);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());

    connect(list_, &QListWidget::currentRowChanged, this, &DeviceNamesDialog::entryClicked);
    connect(name_, &QLineEdit::editingFinished, this, &DeviceNamesDialog::leaveText);
    connect(ok_, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { finish(false); });
    // The close box and Escape count as Cancel.
    connect(this, &QDialog::rejected, this, [this] { finish(false); });
}

void DeviceNamesDialog::run() {
    exec();
}

void DeviceNamesDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activate();
}

// Each time the dialog comes up: a fresh working copy, and the box shows the
// selected address's name.
void DeviceNamesDialog::activate() {
    finished_ = false;
    workstation_.openDeviceNames();
    DeviceNameManager* manager = workstation_.deviceNameManager();
    if (!manager) return;
    {
        const QSignalBlocker block(list_);
        list_->setCurrentRow(manager->selectedAddress() - 1);
    }
    name_->setText(QString::fromStdString(manager->text()));
}

void DeviceNamesDialog::entryClicked(int row) {
    DeviceNameManager* manager = workstation_.deviceNameManager();
    if (!manager || row < 0) return;
    manager->setText(name_->text().toStdString());
    manager->clickEntry(row + 1);
    name_->setText(QString::fromStdString(manager->text()));
}

void DeviceNamesDialog::leaveText() {
    DeviceNameManager* manager = workstation_.deviceNameManager();
    if (!manager) return;
    manager->setText(name_->text().toStdString());
    manager->leaveText();
}

void DeviceNamesDialog::finish(bool accepted) {
    if (finished_) return;
    finished_ = true;
    if (DeviceNameManager* manager = workstation_.deviceNameManager()) {
        manager->setText(name_->text().toStdString());
    }
    // Closing refills the selector, whichever button closed the dialog.
    workstation_.closeDeviceNames(accepted);
    if (accepted) {
        accept();
    } else if (isVisible()) {
        reject();
    }
}

}  // namespace tarvo::gui
