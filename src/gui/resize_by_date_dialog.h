#pragma once
// The precise zoom dialog (dlgResizeByDate): a time range between two pickers, "从"
// and "到", bounded by the recording's first and last time. Its rules are the core's
// (confirmPreciseZoom); the dialog holds the pickers.

#include <QDialog>

#include "core/date_time.h"
#include "data/chart_navigation.h"

class QDateTimeEdit;

namespace tarvo {
class Messenger;
}

namespace tarvo::gui {

QDateTime toQDateTime(DateTime t);
DateTime fromQDateTime(const QDateTime& t);

class ResizeByDateDialog : public QDialog {
    Q_OBJECT
  public:
    // `messenger` shows the refusal of a "to" before the "from".
    explicit ResizeByDateDialog(Messenger& messenger, QWidget* parent = nullptr);

    // Setting MinDate also sets the "from" picker, MaxDate the "to" picker.
    void setMinDate(DateTime t);
    void setMaxDate(DateTime t);
    void setSDate(DateTime t);
    void setEDate(DateTime t);
    // The dialog as the core opens it (bounds first, then the view's times).
    void setState(const PreciseZoomDialog& state);

    DateTime sDate() const { return state_.sDate; }
    DateTime eDate() const { return state_.eDate; }
    DateTime minDate() const { return state_.minDate; }
    DateTime maxDate() const { return state_.maxDate; }
    bool ok() const { return state_.ok; }
    const PreciseZoomDialog& state() const { return state_; }

    QDateTimeEdit* fromPicker() const { return from_; }
    QDateTimeEdit* toPicker() const { return to_; }

    // The OK button: refused (the dialog stays) when "to" is before "from".
    void confirm();
    // Cancel: the OK flag cleared.
    void cancel();

  private:
    Messenger& messenger_;
    PreciseZoomDialog state_;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
};

}  // namespace tarvo::gui
