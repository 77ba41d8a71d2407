#include "gui/save_choice_dialog.h"
#include "gui/qt_text.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvo::gui {

namespace {

}  // namespace

SaveChoiceDialog::SaveChoiceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgSave"));
    setWindowTitle(qs(kSaveChoiceTitle));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qs(kSaveChoicePrompt), this));
    file_ = new QRadioButton(qs(kSaveChoiceFile), this);
    database_ = new QRadioButton(qs(kSaveChoiceDatabase), this);
    auto* group = new QButtonGroup(this);
    group->addButton(file_, static_cast<int>(SaveType::File));
    group->addButton(database_, static_cast<int>(SaveType::Database));
    file_->setChecked(true);
    layout->addWidget(file_);
    layout->addWidget(database_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ok_ = new QPushButton(qs(kSaveChoiceOk), this);
    cancel_ = new QPushButton(qs(kSaveChoiceCancel), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    ok_->setDefault(true);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, [this] {
        confirmed_ = true;
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        confirmed_ = false;
        reject();
    });
}

SaveType SaveChoiceDialog::saveType() const {
    if (file_->isChecked()) return SaveType::File;
    if (database_->isChecked()) return SaveType::Database;
    return SaveType::File;
}

QRadioButton* SaveChoiceDialog::option(SaveType type) const {
    return type == SaveType::Database ? database_ : file_;
}

}  // namespace tarvo::gui
