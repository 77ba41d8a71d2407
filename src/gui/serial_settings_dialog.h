#pragma once
// frmSettingSerial: the serial line's settings in five boxes. The boxes are taken
// as they stand; numbers that are not numbers keep the setting they had.

#include <QDialog>

#include <array>

#include "core/settings.h"
#include "workstation/workstation.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace tarvo::gui {

class SerialSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // The boxes show `settings`.
    explicit SerialSettingsDialog(const ProgramSettings& settings, QWidget* parent = nullptr);

    // What the boxes say (Combo1(0) … Combo1(4)).
    SerialDialogValues values() const;

    // The entries the port box offers: COM1 … COM9, then the ports the system lists,
    // then `storedPort` when it is a device path that is there now (a pseudo-terminal
    // or a link to one, which the system does not list).
    static QStringList portEntries(const QString& storedPort = {});
    // The port box offers `entries` from now on; what it says stays as it is. The
    // dialog calls it every second with the ports there are, so ports come and go
    // while it is open.
    void refreshPorts(const QStringList& entries);

    QComboBox* box(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }
    // The line speed and "严格按时序接收".
    QComboBox* baudBox() const { return baud_; }
    QCheckBox* strictTimingBox() const { return strict_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QTimer* portTimer() const { return portTimer_; }

  private:
    SerialDialogValues previous_;
    std::array<QComboBox*, 5> boxes_{};
    QComboBox* baud_ = nullptr;
    QCheckBox* strict_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* portTimer_ = nullptr;
};

// The command "串口设置(&M)": the dialog, modally; on OK the settings are stored
// and the selected logger is connected with the chosen protocol variant.
void runSerialSettings(Workstation& workstation, QWidget* parent);

}  // namespace tarvo::gui
