#pragma once
// The program's questions and messages as message boxes.

#include <QPointer>
#include <QWidget>

#include "core/messenger.h"

namespace tarvo::gui {

class MessageBoxMessenger : public Messenger {
public:
    // Boxes are owned by `parent` (the main window once it exists).
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer show(const Message& message) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace tarvo::gui
