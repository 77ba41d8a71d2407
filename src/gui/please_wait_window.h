#pragma once
// frmWaitting ("请稍候..."): shown without blocking while a restart is written and read
// back, kept above all other windows. The owner shows and closes it; closing only
// hides it, so one window serves every restart.

#include <QWidget>

class QLabel;

namespace tarvo::gui {

class PleaseWaitWindow : public QWidget {
    Q_OBJECT

  public:
    explicit PleaseWaitWindow(QWidget* parent = nullptr);

    // Shows the window over its owner and brings it to the front; returns at once.
    void popUp();

    QLabel* textLabel() const { return text_; }

  private:
    QLabel* text_ = nullptr;
};

}  // namespace tarvo::gui
