#pragma once
// dlgPwd ("短信密码"): the logger's old SMS password and the new one, eight digits each.
// A password shorter than eight digits is told and the dialog stays open.

#include <QDialog>

#include <optional>
#include <string>

class QPushButton;

namespace tarvo {
class Messenger;
}

namespace tarvo::gui {

class DigitLineEdit;

struct SmsPasswords {
    std::string oldPassword;
    std::string newPassword;
    bool operator==(const SmsPasswords&) const = default;
};

class PasswordDialog : public QDialog {
    Q_OBJECT

  public:
    // Refusals go to `messenger`, which outlives the dialog.
    explicit PasswordDialog(Messenger& messenger, QWidget* parent = nullptr);

    SmsPasswords passwords() const;

    DigitLineEdit* oldBox() const { return old_; }
    DigitLineEdit* newBox() const { return new_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: the two passwords, or nothing when cancelled.
    static std::optional<SmsPasswords> choose(Messenger& messenger, QWidget* parent);

  private:
    void tryAccept();

    Messenger& messenger_;
    DigitLineEdit* old_ = nullptr;
    DigitLineEdit* new_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
