#pragma once
// frmLogin: the operator's name and password, checked against the built-in
// accounts by the workstation. A wrong pair is told and the dialog stays open.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarvo {
class Workstation;
}

namespace tarvo::gui {

class LoginDialog : public QDialog {
    Q_OBJECT

  public:
    explicit LoginDialog(Workstation& workstation, QWidget* parent = nullptr);

    QLineEdit* userBox() const { return user_; }
    QLineEdit* passwordBox() const { return password_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    void tryLogin();

    Workstation& workstation_;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// The command "登录(&L)": the dialog, modally; a cancelled dialog keeps the previous
// login. Either way the pane, the status bar and the commands follow.
void runLogin(Workstation& workstation, QWidget* parent);

}  // namespace tarvo::gui
