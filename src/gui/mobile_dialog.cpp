#include "gui/mobile_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "gui/digit_line_edit.h"
#include "workstation/maintenance_dialogs.h"

namespace tarvo::gui {

namespace {

}  // namespace

MobileDialog::MobileDialog(const std::array<std::string, 3>& numbers, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgMobile"));
    setWindowTitle(qs(kMobileDialogCaption));
    setModal(true);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        auto* box = new DigitLineEdit(this);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        box->setMaxLength(kMobileBoxMaxLength);
        box->setText(QString::fromStdString(numbers[i]));
        box->setMinimumWidth(160);
        form->addRow(qs(kMobileBoxLabels[i]), box);
        boxes_[i] = box;
    }

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    layOutSmallDialog(this, form, buttons);
}

std::array<std::string, 3> MobileDialog::boxTexts() const {
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < boxes_.size(); ++i) texts[i] = boxes_[i]->text().toStdString();
    return texts;
}

std::array<std::string, 3> MobileDialog::numbers() const {
    return mobileDialogNumbers(boxTexts());
}

std::optional<std::array<std::string, 3>> MobileDialog::choose(
    const std::array<std::string, 3>& numbers, QWidget* parent) {
    MobileDialog dialog(numbers, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.numbers();
}

}  // namespace tarvo::gui
