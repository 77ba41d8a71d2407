#pragma once
// frmEqpTime ("设置记录仪时钟"): the time to set the logger's clock to.

#include <QDialog>

#include <optional>

#include "core/date_time.h"

class QDateTimeEdit;
class QPushButton;

namespace tarvo::gui {

class ClockDialog : public QDialog {
    Q_OBJECT

  public:
    // DT时间 shows `preset` (the logger clock last read or set).
    explicit ClockDialog(DateTime preset, QWidget* parent = nullptr);

    // The picked time, to the second.
    DateTime picked() const;

    QDateTimeEdit* picker() const { return picker_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: the picked time, or nothing when cancelled.
    static std::optional<DateTime> choose(DateTime preset, QWidget* parent);

  private:
    QDateTimeEdit* picker_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
