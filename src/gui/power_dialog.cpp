#include "gui/power_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include "workstation/maintenance_dialogs.h"

namespace tarvo::gui {

namespace {

}  // namespace

PowerDialog::PowerDialog(std::int16_t powerMode, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgPower"));
    setWindowTitle(qs(kPowerDialogCaption));
    setModal(true);

    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("Combo功耗模式"));
    mode_->addItem(qs(kPowerNormalItem));
    mode_->addItem(qs(kPowerSavingItem));
    // The preset is "正常模式" or "省电模式"; the saving item carries a trailing blank.
    const QString preset = qs(powerDialogPreset(powerMode));
    mode_->setCurrentIndex(preset == qs(kPowerNormalItem) ? 0 : 1);
    mode_->setMinimumWidth(220);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    layOutSmallDialog(this, mode_, buttons);
}

bool PowerDialog::normalMode() const {
    return powerDialogMode(mode_->currentText().toStdString());
}

std::optional<bool> PowerDialog::choose(std::int16_t powerMode, QWidget* parent) {
    PowerDialog dialog(powerMode, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.normalMode();
}

}  // namespace tarvo::gui
