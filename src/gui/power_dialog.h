#pragma once
// dlgPower ("设置功耗模式"): the power mode to send, normal or power saving.

#include <QDialog>

#include <cstdint>
#include <optional>

class QComboBox;
class QPushButton;

namespace tarvo::gui {

class PowerDialog : public QDialog {
    Q_OBJECT

  public:
    // Combo功耗模式 shows the mode `powerMode` reads as (the last four characters of
    // its text).
    explicit PowerDialog(std::int16_t powerMode, QWidget* parent = nullptr);

    // Mode as cmdOK takes it from the box: true for "正常模式", false otherwise.
    bool normalMode() const;

    QComboBox* modeBox() const { return mode_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: true for the normal mode, false for power saving, nothing
    // when cancelled.
    static std::optional<bool> choose(std::int16_t powerMode, QWidget* parent);

  private:
    QComboBox* mode_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
