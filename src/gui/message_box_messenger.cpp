#include "gui/message_box_messenger.h"

#include <QMessageBox>

#include "workstation/workstation.h"

namespace tarvo::gui {

namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

}  // namespace

Answer MessageBoxMessenger::show(const Message& m) {
    // Message texts separate their lines with CR, as the loggers' program always has.
    QString text = QString::fromStdString(m.text);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString title =
        QString::fromStdString(m.title.empty() ? std::string(kProgramTitle) : m.title);
    QMessageBox box(iconOf(m.icon), title, text, buttonsOf(m.buttons), parent_);
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return Answer::Ok;
    }
}

}  // namespace tarvo::gui
