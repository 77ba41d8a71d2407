#include "gui/password_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "core/messenger.h"
#include "gui/digit_line_edit.h"
#include "workstation/maintenance_dialogs.h"

namespace tarvo::gui {

namespace {

}  // namespace

PasswordDialog::PasswordDialog(Messenger& messenger, QWidget* parent)
    : QDialog(parent), messenger_(messenger) {
    setObjectName(QStringLiteral("dlgPwd"));
    setWindowTitle(qs(kPasswordDialogCaption));
    setModal(true);

    old_ = new DigitLineEdit(this);
    old_->setObjectName(QStringLiteral("Text1"));
    new_ = new DigitLineEdit(this);
    new_->setObjectName(QStringLiteral("Text2"));
    for (DigitLineEdit* box : {old_, new_}) {
        box->setMaxLength(kPasswordBoxMaxLength);
        box->setMinimumWidth(140);
    }

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    form->addRow(qs(kOldPasswordLabel), old_);
    form->addRow(qs(kNewPasswordLabel), new_);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &PasswordDialog::tryAccept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    layOutSmallDialog(this, form, buttons);
}

SmsPasswords PasswordDialog::passwords() const {
    return {old_->text().toStdString(), new_->text().toStdString()};
}

void PasswordDialog::tryAccept() {
    const SmsPasswords p = passwords();
    if (const auto refusal = passwordDialogRefusal(p.oldPassword, p.newPassword)) {
        messenger_.show(*refusal);
        // The short box is ready for another try.
        DigitLineEdit* box = refusal->text == kOldPasswordTooShort ? old_ : new_;
        box->setFocus();
        box->selectAll();
        return;
    }
    accept();
}

std::optional<SmsPasswords> PasswordDialog::choose(Messenger& messenger, QWidget* parent) {
    PasswordDialog dialog(messenger, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.passwords();
}

}  // namespace tarvo::gui
