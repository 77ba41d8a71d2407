#include "gui/live_settings_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/qt_text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "workstation/workstation.h"

namespace tarvo::gui {

namespace {

QTime timeOfDay(int seconds) {
    return QTime(0, 0).addSecs(seconds);
}

}  // namespace

LiveSettingsDialog::LiveSettingsDialog(const ProgramSettings& settings, LiveSettingsAccept accept,
                                       Messenger& messenger, QWidget* parent)
    : QDialog(parent), logic_(settings), accept_(std::move(accept)), messenger_(messenger) {
    setObjectName(QStringLiteral("dlgReal"));
    setWindowTitle(qs(kLiveDialogCaption));
    setModal(true);

    picker_ = new QTimeEdit(this);
    picker_->setObjectName(QStringLiteral("DT采样时间"));
    picker_->setDisplayFormat(qs(kLiveIntervalFormat));
    picker_->setMinimumTime(timeOfDay(kMinLiveIntervalSeconds));
    picker_->setMaximumTime(timeOfDay(kMaxLiveIntervalSeconds));
    picker_->setTime(timeOfDay(logic_.intervalSeconds()));
    picker_->setMinimumWidth(110);

    QStringList lines;
    for (std::string_view line : kLiveDialogExplanation) lines << qs(line);
    auto* explanation = new QLabel(lines.join(QLatin1Char('\n')), this);
    explanation->setObjectName(QStringLiteral("Label1"));
    explanation->setTextFormat(Qt::PlainText);

    autoSave_ = new QCheckBox(qs(kAutoSaveCaption), this);
    autoSave_->setObjectName(QStringLiteral("Check1"));
    autoSave_->setChecked(logic_.autoSave());

    auto* folderCaption = new QLabel(qs(kSaveFolderCaption), this);
    folder_ = new QLabel(this);
    folder_->setObjectName(QStringLiteral("Label2"));
    folder_->setFrameShape(QFrame::StyledPanel);
    folder_->setFrameShadow(QFrame::Sunken);
    folder_->setTextFormat(Qt::PlainText);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder_->setMinimumWidth(240);
    folder_->setText(QString::fromStdString(logic_.folder()));
    choose_ = new QPushButton(qs(kChooseFolderCaption), this);
    choose_->setObjectName(QStringLiteral("Command1"));
    choose_->setAutoDefault(false);
    connect(choose_, &QPushButton::clicked, this, &LiveSettingsDialog::browse);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->addWidget(picker_, 0, 0, Qt::AlignTop);
    grid->addWidget(explanation, 0, 1, 1, 2);
    grid->addWidget(autoSave_, 1, 0, 1, 3);
    grid->addWidget(folderCaption, 2, 0);
    grid->addWidget(folder_, 2, 1);
    grid->addWidget(choose_, 2, 2);
    grid->setColumnStretch(1, 1);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(ok_, &QPushButton::clicked, this, &LiveSettingsDialog::tryAccept);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        logic_.cancel();
        reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(16);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void LiveSettingsDialog::folderChosen(const std::optional<std::string>& path) {
    logic_.folderChosen(path);
    folder_->setText(QString::fromStdString(logic_.folder()));
}

void LiveSettingsDialog::browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, qs(kFolderBrowserTitle), folder_->text(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        folderChosen(std::nullopt);
    } else {
        folderChosen(QDir::toNativeSeparators(chosen).toStdString());
    }
}

void LiveSettingsDialog::tryAccept() {
    const QTime t = picker_->time();
    logic_.setInterval(t.hour(), t.minute(), t.second());
    logic_.setAutoSave(autoSave_->isChecked());
    if (const auto refusal = accept_ ? accept_(logic_) : std::nullopt) {
        messenger_.show(*refusal);
        return;
    }
    accept();
}

bool LiveSettingsDialog::choose(Workstation& workstation, QWidget* parent) {
    LiveSettingsDialog dialog(
        workstation.settings(),
        [&workstation](tarvo::LiveSettingsDialog& choices) {
            return workstation.acceptLiveSettings(choices);
        },
        workstation.messenger(), parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tarvo::gui
