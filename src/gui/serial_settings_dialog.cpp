#include "gui/serial_settings_dialog.h"

#include "gui/dialog_parts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace tarvo::gui {

namespace {

const QStringList kTimeouts = {"200", "300",  "400",  "500",  "600",   "700",  "800",
                               "900", "1000", "2000", "5000", "10000", "15000"};
const QStringList kParities = {"n", "o", "e", "s", "m"};
const QStringList kResends = {"1", "2", "3", "4", "5"};
const QStringList kVariants = {"XY-001", "XY-002"};

QComboBox* makeBox(QWidget* parent, const QStringList& entries, bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("Combo1"));
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(entries);
    box->setMinimumWidth(110);
    return box;
}

// A box's number, or `fallback` when the box holds no number that fits.
std::int16_t numberOf(const QComboBox* box, std::int16_t fallback) {
    bool ok = false;
    const int value = box->currentText().trimmed().toInt(&ok);
    if (!ok || value < 1 || value > std::numeric_limits<std::int16_t>::max()) return fallback;
    return static_cast<std::int16_t>(value);
}

}  // namespace

QStringList SerialSettingsDialog::portEntries(const QString& storedPort) {
    QStringList entries;
    for (int n = 1; n <= 9; ++n) entries << QStringLiteral("COM%1").arg(n);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString location = info.systemLocation();
        if (!location.isEmpty() && !entries.contains(location)) entries << location;
    }
    const QString stored = storedPort.trimmed();
    if (stored.startsWith(QLatin1Char('/')) && QFileInfo::exists(stored) &&
        !entries.contains(stored)) {
        entries << stored;
    }
    return entries;
}

void SerialSettingsDialog::refreshPorts(const QStringList& entries) {
    QComboBox* box = boxes_[0];
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
    // An open list is not pulled from under the operator's pointer.
    if (shown == entries || box->view()->isVisible()) return;
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    box->setCurrentText(text);
}

SerialSettingsDialog::SerialSettingsDialog(const ProgramSettings& settings, QWidget* parent)
    : QDialog(parent), previous_(serialDialogValues(settings)) {
    setObjectName(QStringLiteral("frmSettingSerial"));
    setWindowTitle(QStringLiteral("串口设置"));
    setModal(true);

    auto* heading = new QLabel(QStringLiteral("您确定将串口各参数设置为以下值吗？"), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    heading->setFont(headingFont);

    const QString storedPort = QString::fromStdString(previous_.comPort);
    boxes_[0] = makeBox(this, portEntries(storedPort), true);
    portTimer_ = new QTimer(this);
    portTimer_->setInterval(1000);
    connect(portTimer_, &QTimer::timeout, this,
            [this, storedPort] { refreshPorts(portEntries(storedPort)); });
    portTimer_->start();
    boxes_[1] = makeBox(this, kTimeouts, true);
    boxes_[2] = makeBox(this, kParities, true);
    boxes_[3] = makeBox(this, kResends, true);
    boxes_[4] = makeBox(this, kVariants, false);
    auto* digits = new QIntValidator(1, std::numeric_limits<std::int16_t>::max(), this);
    boxes_[1]->setValidator(digits);
    boxes_[3]->setValidator(digits);

    boxes_[0]->setCurrentText(QString::fromStdString(previous_.comPort));
    boxes_[1]->setCurrentText(QString::number(previous_.overTime));
    boxes_[2]->setCurrentText(QString::fromStdString(previous_.checkMode));
    boxes_[3]->setCurrentText(QString::number(previous_.resendTime));
    boxes_[4]->setCurrentIndex(previous_.conferStyle == 1 ? 0 : 1);
    QStringList speeds;
    for (int speed : kLineSpeeds) speeds << QString::number(speed);
    baud_ = makeBox(this, speeds, false);
    // A stored speed the line does not offer stays as it is until another is chosen.
    if (!isLineSpeed(previous_.baudRate)) baud_->addItem(QString::number(previous_.baudRate));
    baud_->setCurrentText(QString::number(previous_.baudRate));
    strict_ = new QCheckBox(QStringLiteral("严格按时序接收"), this);
    strict_->setChecked(previous_.strictTiming);

    // Three rows of captioned boxes, units after the boxes that have one.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    const auto caption = [this](const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    const auto unit = [this](const char* text) {
        return new QLabel(QString::fromUtf8(text), this);
    };
    grid->addWidget(caption("串口"), 0, 0);
    grid->addWidget(boxes_[0], 0, 1);
    grid->addWidget(caption("超时时间"), 0, 3);
    grid->addWidget(boxes_[1], 0, 4);
    grid->addWidget(unit("ms"), 0, 5);
    grid->addWidget(caption("校验方式"), 1, 0);
    grid->addWidget(boxes_[2], 1, 1);
    grid->addWidget(caption("重发次数"), 1, 3);
    grid->addWidget(boxes_[3], 1, 4);
    grid->addWidget(unit("次"), 1, 5);
    grid->addWidget(caption("协议类型"), 2, 0);
    grid->addWidget(boxes_[4], 2, 1);
    grid->addWidget(caption("波特率"), 2, 3);
    grid->addWidget(baud_, 2, 4);
    grid->addWidget(unit("bps"), 2, 5);
    grid->addWidget(strict_, 3, 1, 1, 4);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnMinimumWidth(5, 16);

    const OkCancel okCancel = okCancelButtons(this);
    auto* buttons = okCancel.box;
    ok_ = okCancel.ok;
    cancel_ = okCancel.cancel;
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(16);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

SerialDialogValues SerialSettingsDialog::values() const {
    SerialDialogValues v;
    v.comPort = boxes_[0]->currentText().trimmed().toStdString();
    if (v.comPort.empty()) v.comPort = previous_.comPort;
    v.overTime = numberOf(boxes_[1], previous_.overTime);
    v.checkMode = boxes_[2]->currentText().trimmed().toStdString();
    if (v.checkMode.empty()) v.checkMode = previous_.checkMode;
    v.resendTime = numberOf(boxes_[3], previous_.resendTime);
    v.conferStyle = static_cast<std::int16_t>(boxes_[4]->currentIndex() + 1);
    v.baudRate = baud_->currentText().toInt();
    v.strictTiming = strict_->isChecked();
    return v;
}

void runSerialSettings(Workstation& workstation, QWidget* parent) {
    SerialSettingsDialog dialog(workstation.settings(), parent);
    if (dialog.exec() == QDialog::Accepted) workstation.serialSettingsAccepted(dialog.values());
}

}  // namespace tarvo::gui
