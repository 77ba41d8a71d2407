#pragma once
// The save choice dialog (dlgSave): save as a file, or append the data to a database.

#include <QDialog>

#include "workstation/document_flows.h"

class QPushButton;
class QRadioButton;

namespace tarvo::gui {

class SaveChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SaveChoiceDialog(QWidget* parent = nullptr);

    // True after "确定", false after "取消" (and before either).
    bool confirmed() const { return confirmed_; }
    // The index of the first option selected; File when none is.
    SaveType saveType() const;

    QRadioButton* option(SaveType type) const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    bool confirmed_ = false;
    QRadioButton* file_ = nullptr;
    QRadioButton* database_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
