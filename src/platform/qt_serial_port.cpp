#include "platform/qt_serial_port.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace tarvo {

QString serialDeviceName(const std::string& portName) {
    const QString name = QString::fromStdString(portName).trimmed();
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(name);
    if (!match.hasMatch()) return name;
    const int n = match.captured(1).toInt();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

namespace {

QSerialPort::Parity parityOf(char letter) {
    switch (letter) {
        case 'o': case 'O': return QSerialPort::OddParity;
        case 'e': case 'E': return QSerialPort::EvenParity;
        case 's': case 'S': return QSerialPort::SpaceParity;
        case 'm': case 'M': return QSerialPort::MarkParity;
        default: return QSerialPort::NoParity;
    }
}

}  // namespace

PortOpenResult QtSerialPort::open(const LineSettings& settings) {
    close();
    port_.setPortName(serialDeviceName(settings.port));
    // The driver's own queue is used whatever size the command asks for: a limit on
    // Qt's buffer would cut answers larger than it.
    port_.setReadBufferSize(0);
    PortOpenResult result;
    result.opened = port_.open(QIODevice::ReadWrite);
    if (!result.opened) return result;
    // Each step of the line set-up that fails counts once; the open goes on.
    if (!port_.setBaudRate(settings.baudRate)) ++result.failedSetupSteps;
    if (!port_.setParity(parityOf(settings.parity))) ++result.failedSetupSteps;
    if (!port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits))) ++result.failedSetupSteps;
    if (!port_.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)) {
        ++result.failedSetupSteps;
    }
    port_.clearError();
    return result;
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::purgeInput() {
    if (!port_.isOpen()) return false;
    return port_.clear(QSerialPort::Input);
}

std::int32_t QtSerialPort::bytesWaiting() {
    if (!port_.isOpen()) return 0;
    // Pull in what the driver holds without waiting, then forget line errors.
    port_.waitForReadyRead(0);
    port_.clearError();
    return static_cast<std::int32_t>(port_.bytesAvailable());
}

bool QtSerialPort::write(ByteView frame) {
    if (!port_.isOpen()) return false;
    const auto written = port_.write(reinterpret_cast<const char*>(frame.data()),
                                     static_cast<qint64>(frame.size()));
    if (written < 0) return false;
    port_.flush();
    return true;
}

bool QtSerialPort::read(std::size_t count, Bytes& out) {
    if (!port_.isOpen()) return false;
    const QByteArray data = port_.read(static_cast<qint64>(count));
    if (data.isEmpty() && count > 0) return false;
    out.insert(out.end(), data.begin(), data.end());
    return true;
}

void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}

bool QtSerialPort::present(const std::string& portName) {
    const QString device = serialDeviceName(portName);
#ifdef Q_OS_WIN
    // No path to look at: a port is there while it can be found among the ports.
    return !device.isEmpty();
#else
    return QFileInfo::exists(device);
#endif
}

}  // namespace tarvo
