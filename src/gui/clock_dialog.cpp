#include "gui/clock_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QPushButton>

#include "workstation/maintenance_dialogs.h"

namespace tarvo::gui {

namespace {

// The picker's local date and time, to the second.
QDateTime pickerTime(DateTime t) {
    const CivilTime c = toCivil(t);
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
}

DateTime fromPicker(const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    return makeDateTime(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second());
}

}  // namespace

ClockDialog::ClockDialog(DateTime preset, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEqpTime"));
    setWindowTitle(qs(kClockDialogCaption));
    setModal(true);

    picker_ = new QDateTimeEdit(this);
    picker_->setObjectName(QStringLiteral("DT时间"));
    picker_->setDisplayFormat(qs(kClockPickerFormat));
    picker_->setCalendarPopup(true);
    picker_->setDateTime(pickerTime(preset));
    picker_->setMinimumWidth(220);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    layOutSmallDialog(this, picker_, buttons);
}

DateTime ClockDialog::picked() const {
    return fromPicker(picker_->dateTime());
}

std::optional<DateTime> ClockDialog::choose(DateTime preset, QWidget* parent) {
    ClockDialog dialog(preset, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.picked();
}

}  // namespace tarvo::gui
