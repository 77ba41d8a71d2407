#pragma once
// The serial line through QSerialPort.

#include <QSerialPort>
#include <QString>

#include "link/serial_port.h"

namespace tarvo {

// The device a port name stands for: a path is used as it is; COMn is the
// platform's n-th port (COMn on Windows, /dev/ttyS<n-1> elsewhere).
QString serialDeviceName(const std::string& portName);

class QtSerialPort : public SerialPort {
public:
    PortOpenResult open(const LineSettings& settings) override;
    bool isOpen() const override;
    bool purgeInput() override;
    std::int32_t bytesWaiting() override;
    bool write(ByteView frame) override;
    bool read(std::size_t count, Bytes& out) override;
    void close() override;
    // The device path exists (an unplugged USB adapter's path is gone; a link to a
    // pseudo-terminal counts only while its target is there).
    bool present(const std::string& portName) override;

private:
    QSerialPort port_;
};

}  // namespace tarvo
