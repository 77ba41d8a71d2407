#include "gui/login_dialog.h"

#include "gui/dialog_parts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "workstation/workstation.h"

namespace tarvo::gui {

LoginDialog::LoginDialog(Workstation& workstation, QWidget* parent)
    : QDialog(parent), workstation_(workstation) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("登录"));
    setModal(true);

    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("TextUser"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("TextPassword"));
    password_->setEchoMode(QLineEdit::Password);
    user_->setMinimumWidth(180);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    form->addRow(QStringLiteral("用户名"), user_);
    form->addRow(QStringLiteral("密码"), password_);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &LoginDialog::tryLogin);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    layOutSmallDialog(this, form, buttons);
}

void LoginDialog::tryLogin() {
    if (workstation_.login(user_->text().toStdString(), password_->text().toStdString())) {
        accept();
        return;
    }
    // Another try: the password box is ready for it.
    password_->selectAll();
    password_->setFocus();
}

void runLogin(Workstation& workstation, QWidget* parent) {
    LoginDialog dialog(workstation, parent);
    if (dialog.exec() != QDialog::Accepted) workstation.loginCancelled();
}

}  // namespace tarvo::gui
