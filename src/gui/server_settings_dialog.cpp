#include "gui/server_settings_dialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

namespace tarvo::gui {

ServerSettingsDialog::ServerSettingsDialog(const ServerSettingsValues& values, QWidget* parent)
    : QDialog(parent), shown_(values) {
    setObjectName(QStringLiteral("frmSettingServer"));
    setWindowTitle(qs(kServerSettingsTitle));
    uri_ = new QLineEdit(qs(values.uri), this);
    uri_->setObjectName(QStringLiteral("TextServer"));
    uri_->setPlaceholderText(QStringLiteral("postgresql://用户@主机/数据库"));
    uri_->setMinimumWidth(twipsToPixels(5400));
    line_ = new QLineEdit(qs(values.line), this);
    line_->setObjectName(QStringLiteral("TextLine"));
    line_->setPlaceholderText(qs(values.defaultLine));

    auto* form = new QFormLayout;
    form->addRow(qs(kServerUriLabel), uri_);
    form->addRow(qs(kServerLineLabel), line_);
    const OkCancel buttons = okCancelButtons(this);
    connect(buttons.box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
}

ServerSettingsValues ServerSettingsDialog::values() const {
    ServerSettingsValues v = shown_;
    v.uri = uri_->text().toStdString();
    v.line = line_->text().toStdString();
    return v;
}

void runServerSettings(Workstation& workstation, QWidget* parent) {
    ServerSettingsDialog dialog(serverSettingsValues(workstation), parent);
    while (dialog.exec() == QDialog::Accepted) {
        if (acceptServerSettings(workstation, dialog.values())) return;
    }
}

}  // namespace tarvo::gui
