#pragma once
// Small hand-made uploads: the answers a logger sends and the parameters it reports.

#include <cstdint>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo::testing {

// A paged answer: 3C A1 A2, four bytes, the page number, the data, then the check
// byte (sum of bytes 5 .. last - 1).
inline Bytes pageAnswer(std::uint8_t page, const std::vector<std::uint8_t>& data) {
    Bytes frame = {0x3C, 0xA1, 0xA2, 0x00, 0x00, 0x00, 0x00, page};
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::size_t i = 5; i < frame.size(); ++i) sum += frame[i];
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

// The one answer of a logger of device type 0: data from byte 7, closed by 66.
inline Bytes singleAnswer(const std::vector<std::uint8_t>& data) {
    Bytes frame = {0x3C, 0xA1, 0xA2, 0x00, 0x00, 0x00, 0x00};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(0x66);
    return frame;
}

inline const DateTime kStart = makeDateTime(2006, 3, 7, 9, 5, 7);
inline const DateTime kTenMinutes = makeDuration(0, 10, 0);
inline const DateTime kFarFuture = makeDateTime(2100, 1, 1);

// A paged logger recording channel 0 as plain bytes (one byte per record), a
// temperature in ℃ over 0..255, every ten minutes from kStart.
inline LoggerParameters plainByteLogger() {
    LoggerParameters p;
    p.deviceBytes = {1, 2, 3, 1};
    p.startedChannels = 0x01;
    p.channelDataLength[0] = 129;
    p.recordWidth = 1;
    p.channelType[0] = 1;
    p.channelUnit[0] = 1;
    p.rangeLow[0] = 0;
    p.rangeHigh[0] = 255;
    p.alarmLow[0] = 10;
    p.alarmHigh[0] = 30;
    p.firmwareYear = 2006;
    p.firmwareMonth = 3;
    p.firmwareDay = 1;
    p.interval = kTenMinutes;
    p.loggerStartTime = kStart;
    p.expectedStopTime = kStart + 100;
    p.workStatus = 1;
    p.echoedAddress = 5;
    p.userName = "用户";
    p.title = "冷库";
    p.effectiveCapacity = 1001;
    p.totalSpace = 1001;
    return p;
}

}  // namespace tarvo::testing
