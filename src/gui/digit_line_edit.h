#pragma once
// A text box that takes only the digits 0 to 9 (the SMS number and password boxes):
// the text before every key press is remembered, and a change that brings in any
// other character puts the remembered text back (the rule is the core's DigitOnlyBox).
// A change without a key press, such as a paste, falls back to the text before it.

#include <QLineEdit>

#include "workstation/maintenance_dialogs.h"

namespace tarvo::gui {

class DigitLineEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit DigitLineEdit(QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void checkText(const QString& text);

    DigitOnlyBox box_;
    int caret_ = 0;
    bool restoring_ = false;
};

}  // namespace tarvo::gui
