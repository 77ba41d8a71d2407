#include "gui/resize_by_date_dialog.h"
#include "gui/qt_text.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "core/messenger.h"

namespace tarvo::gui {

namespace {

// The pickers show the program's general date form.
constexpr const char* kPickerFormat = "yyyy-M-d H:mm:ss";

}  // namespace

QDateTime toQDateTime(DateTime t) {
    const CivilTime c = toCivil(t);
    return QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second));
}

DateTime fromQDateTime(const QDateTime& t) {
    const QDate d = t.date();
    const QTime time = t.time();
    return makeDateTime(d.year(), d.month(), d.day(), time.hour(), time.minute(), time.second());
}

ResizeByDateDialog::ResizeByDateDialog(Messenger& messenger, QWidget* parent)
    : QDialog(parent), messenger_(messenger) {
    setObjectName(QStringLiteral("dlgResizeByDate"));
    setWindowTitle(qs(kPreciseZoomTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qs(kPreciseZoomPrompt), this));

    auto* form = new QFormLayout;
    from_ = new QDateTimeEdit(this);
    to_ = new QDateTimeEdit(this);
    for (QDateTimeEdit* picker : {from_, to_}) {
        picker->setDisplayFormat(QString::fromLatin1(kPickerFormat));
        picker->setCalendarPopup(true);
        picker->setMinimumWidth(180);
    }
    form->addRow(qs(kPreciseZoomFromLabel), from_);
    form->addRow(qs(kPreciseZoomToLabel), to_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    QPushButton* cancelButton =
        buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, &ResizeByDateDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &ResizeByDateDialog::cancel);
}

void ResizeByDateDialog::setMinDate(DateTime t) {
    state_.minDate = t;
    setSDate(t);
}

void ResizeByDateDialog::setMaxDate(DateTime t) {
    state_.maxDate = t;
    setEDate(t);
}

void ResizeByDateDialog::setSDate(DateTime t) {
    state_.sDate = t;
    from_->setDateTime(toQDateTime(t));
}

void ResizeByDateDialog::setEDate(DateTime t) {
    state_.eDate = t;
    to_->setDateTime(toQDateTime(t));
}

void ResizeByDateDialog::setState(const PreciseZoomDialog& state) {
    setMinDate(state.minDate);
    setMaxDate(state.maxDate);
    setSDate(state.sDate);
    setEDate(state.eDate);
    state_.ok = state.ok;
}

void ResizeByDateDialog::confirm() {
    if (const auto refusal = confirmPreciseZoom(state_, fromQDateTime(from_->dateTime()),
                                                fromQDateTime(to_->dateTime()))) {
        messenger_.show(*refusal);
        return;
    }
    accept();
}

void ResizeByDateDialog::cancel() {
    cancelPreciseZoom(state_);
    reject();
}

}  // namespace tarvo::gui
