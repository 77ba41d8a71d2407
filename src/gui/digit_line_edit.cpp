#include "gui/digit_line_edit.h"

#include <QKeyEvent>

#include <algorithm>

namespace tarvo::gui {

DigitLineEdit::DigitLineEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &DigitLineEdit::checkText);
}

void DigitLineEdit::keyPressEvent(QKeyEvent* event) {
    box_.keyPress(text().toStdString());
    caret_ = cursorPosition();
    QLineEdit::keyPressEvent(event);
}

void DigitLineEdit::checkText(const QString& changed) {
    if (restoring_) return;
    const std::string kept = box_.textChanged(changed.toStdString());
    if (kept == changed.toStdString()) {
        caret_ = cursorPosition();
        return;
    }
    // Put the text back with the caret where it was before the refused change (before
    // the key, or after the last change taken).
    const QString previous = QString::fromStdString(kept);
    restoring_ = true;
    setText(previous);
    restoring_ = false;
    setCursorPosition(std::min(caret_, static_cast<int>(previous.size())));
}

}  // namespace tarvo::gui
