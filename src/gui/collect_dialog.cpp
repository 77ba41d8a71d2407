#include "gui/collect_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "files/file_names.h"
#include "gui/dialog_parts.h"

namespace tarvo::gui {

CollectDialog::CollectDialog(const CollectOptions& initial, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgCollect"));
    setWindowTitle(QStringLiteral("全部上传"));

    folder_ = new QLineEdit(QString::fromStdString(pathText(initial.outDir)), this);
    folder_->setObjectName(QStringLiteral("Text保存文件夹"));
    auto* browse = new QPushButton(QStringLiteral("浏览..."), this);
    browse->setObjectName(QStringLiteral("Command1"));
    connect(browse, &QPushButton::clicked, this, &CollectDialog::browse);
    connect(folder_, &QLineEdit::textChanged, this, &CollectDialog::update);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("保存文件夹:"), this));
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("保存格式:"), this));
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        formats_[i] = new QCheckBox(QString::fromLatin1(kFormats[i]), this);
        formats_[i]->setChecked(std::find(initial.formats.begin(), initial.formats.end(),
                                          kFormats[i]) != initial.formats.end());
        connect(formats_[i], &QCheckBox::toggled, this, &CollectDialog::update);
        formatRow->addWidget(formats_[i]);
    }
    formatRow->addStretch(1);

    const OkCancel buttons = okCancelButtons(this);
    ok_ = buttons.ok;
    connect(buttons.box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addLayout(formatRow);
    layout->addWidget(buttons.box);
    update();
}

std::optional<CollectOptions> CollectDialog::choice() const {
    CollectOptions options;
    options.outDir = pathFromText(folder_->text().trimmed().toStdString());
    options.formats.clear();
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (formats_[i]->isChecked()) options.formats.emplace_back(kFormats[i]);
    }
    if (options.outDir.empty() || options.formats.empty()) return std::nullopt;
    return options;
}

void CollectDialog::update() { ok_->setEnabled(choice().has_value()); }

void CollectDialog::browse() {
    const QString chosen = QFileDialog::getExistingDirectory(this, windowTitle(), folder_->text(),
                                                             QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(chosen));
}

std::optional<CollectOptions> CollectDialog::choose(const CollectOptions& initial,
                                                    QWidget* parent) {
    CollectDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace tarvo::gui
