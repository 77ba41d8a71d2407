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

private:
    QSerialPort port_;
};

}  // namespace tarvo
