#pragma once
// The serial line as the transaction engine sees it. Opened anew for every
// transmission and closed when the exchange ends; reads only take bytes already waiting.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"

namespace tarvo {

struct LineSettings {
    std::string port;       // a device path as it is, or COMn
    int baudRate = 9600;
    char parity = 'n';      // n, o, e, s, m
    int dataBits = 8;
    int stopBits = 1;
    int inputQueue = 1024;  // queue sizes the command asks for
    int outputQueue = 512;
};

struct PortOpenResult {
    bool opened = false;
    int failedSetupSteps = 0;  // line set-up steps that failed on an opened device
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Closes a port that is open, then opens and configures the device.
    virtual PortOpenResult open(const LineSettings& settings) = 0;
    virtual bool isOpen() const = 0;
    // Drops input that has arrived but was not read.
    virtual bool purgeInput() = 0;
    // Clears the line's error state and returns the number of bytes waiting.
    virtual std::int32_t bytesWaiting() = 0;
    virtual bool write(ByteView frame) = 0;
    // Appends `count` waiting bytes to `out`.
    virtual bool read(std::size_t count, Bytes& out) = 0;
    virtual void close() = 0;
    // Whether the device `portName` stands for is there now. A USB adapter that was
    // unplugged is not: its path is gone until it is plugged back.
    virtual bool present(const std::string& /*portName*/) { return true; }
};

}  // namespace tarvo
