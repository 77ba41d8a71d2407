#pragma once
// dlgReal ("实时采样间隔设置"): the period of the live requests, automatic saving and
// the folder of the daily files. The rules are the core's LiveSettingsDialog; this
// builds its widgets and hands it the operator's actions.

#include <QDialog>

#include <functional>
#include <optional>

#include "core/messenger.h"
#include "core/settings.h"
#include "workstation/live_settings_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace tarvo {
class Workstation;
}

namespace tarvo::gui {

// What OK does with the operator's choices (the workstation's acceptLiveSettings: the
// settings are taken and saved): nothing, or the message to show while the dialog
// stays open.
using LiveSettingsAccept = std::function<std::optional<Message>(tarvo::LiveSettingsDialog&)>;

class LiveSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // Loaded from `settings`; OK hands the choices to `accept`, and a refusal goes to
    // `messenger` (which outlives the dialog).
    LiveSettingsDialog(const ProgramSettings& settings, LiveSettingsAccept accept,
                       Messenger& messenger, QWidget* parent = nullptr);

    // What Command1's folder browser returned: a path, or nothing when cancelled
    // (which empties Label2).
    void folderChosen(const std::optional<std::string>& path);

    QTimeEdit* intervalPicker() const { return picker_; }
    QCheckBox* autoSaveBox() const { return autoSave_; }
    QLabel* folderLabel() const { return folder_; }
    QPushButton* chooseButton() const { return choose_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // "实时数据设置(&R)": the dialog, modally, over the workstation's settings. True when
    // it closed with OK (the workstation took and saved the choices).
    static bool choose(Workstation& workstation, QWidget* parent);

  private:
    void browse();
    void tryAccept();

    tarvo::LiveSettingsDialog logic_;
    LiveSettingsAccept accept_;
    Messenger& messenger_;

    QTimeEdit* picker_ = nullptr;
    QCheckBox* autoSave_ = nullptr;
    QLabel* folder_ = nullptr;
    QPushButton* choose_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
