#pragma once
// dlgConfig: the operator names the 100 device addresses. The list always shows
// the default names; the box edits the selected address's name in the manager's
// working copy, which only OK commits. Created once and shown again and again.

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarvo {
class Workstation;
}

namespace tarvo::gui {

class DeviceNamesDialog : public QDialog {
    Q_OBJECT

  public:
    explicit DeviceNamesDialog(Workstation& workstation, QWidget* parent = nullptr);

    // showDeviceNames: the manager takes a fresh copy, the dialog runs modally, and
    // when it closes (whatever the button) the selector is refilled.
    void run();

    QListWidget* list() const { return list_; }
    QLineEdit* nameBox() const { return name_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void activate();
    void entryClicked(int row);
    void leaveText();
    void finish(bool accepted);

    Workstation& workstation_;
    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool finished_ = false;
};

}  // namespace tarvo::gui
