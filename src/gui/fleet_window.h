#pragma once
// "记录仪总览": every logger the fleet knows of, one row each, with a progress strip
// and a cancel button while a scan or a collect runs. A double-click on a row asks
// for that logger to be selected and connected.

#include <QWidget>

#include <vector>

#include "workstation/fleet.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tarvo::gui {

class FleetWindow : public QWidget {
    Q_OBJECT

  public:
    explicit FleetWindow(QWidget* parent = nullptr);

    void showRows(const std::vector<FleetRow>& rows);
    // While `running`, the strip shows `fraction` and the text what is under way.
    void showProgress(bool running, double fraction, const QString& text);

    QTableWidget* table() const { return table_; }
    QProgressBar* progressStrip() const { return strip_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* progressText() const { return text_; }

  signals:
    void loggerActivated(int address);
    void cancelClicked();

  private:
    QTableWidget* table_;
    QProgressBar* strip_;
    QLabel* text_;
    QPushButton* cancel_;
    std::vector<int> addresses_;
};

}  // namespace tarvo::gui
