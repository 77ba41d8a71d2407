#pragma once
// dlgReal ("实时采样间隔设置"): the period of the live requests, automatic saving and
// the folder of the daily files. The rules are the core's LiveSettingsDialog; this
// builds its widgets and hands it the operator's actions.

#include <QDialog>

#include <optional>

#include "core/settings.h"
#include "workstation/live_settings_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace tarvo {
class Messenger;
}

namespace tarvo::gui {

class LiveSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // Loaded from `settings`. On OK the settings are changed in a copy and saved to
    // `store` with `names`; a refusal goes to `messenger`. All outlive the dialog.
    LiveSettingsDialog(const ProgramSettings& settings, SettingsStore& store,
                       const DisplayNames& names, Messenger& messenger, QWidget* parent = nullptr);

    // The settings as OK left them (after an accepted dialog: RealInterval, AutoSave
    // and FilePath as chosen, and already saved).
    const ProgramSettings& settings() const { return settings_; }

    // What Command1's folder browser returned: a path, or nothing when cancelled
    // (which empties Label2).
    void folderChosen(const std::optional<std::string>& path);

    QTimeEdit* intervalPicker() const { return picker_; }
    QCheckBox* autoSaveBox() const { return autoSave_; }
    QLabel* folderLabel() const { return folder_; }
    QPushButton* chooseButton() const { return choose_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: the settings with the operator's choices (already saved to
    // `store`), or nothing when cancelled.
    static std::optional<ProgramSettings> choose(const ProgramSettings& settings,
                                                 SettingsStore& store, const DisplayNames& names,
                                                 Messenger& messenger, QWidget* parent);

  private:
    void browse();
    void tryAccept();

    tarvo::LiveSettingsDialog logic_;
    ProgramSettings settings_;
    SettingsStore& store_;
    const DisplayNames& names_;
    Messenger& messenger_;

    QTimeEdit* picker_ = nullptr;
    QCheckBox* autoSave_ = nullptr;
    QLabel* folder_ = nullptr;
    QPushButton* choose_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
