#pragma once
// A small logger for the simulator's tests: three started channels of different
// encodings, a handful of explicit samples, pages of 16 bytes, no growth.

#include <cstdint>

#include "core/bytes.h"
#include "core/codecs.h"
#include "core/date_time.h"
#include "sim/sim_config.h"

namespace tarvo::testing {

inline DateTime testNow() {
    return makeDateTime(2024, 3, 5, 10, 0, 0);
}

inline SimConfig smallConfig() {
    SimConfig c;
    c.address = 1;
    c.deviceBytes = {1, 2, 3, 7};
    c.firmwareDate = {2006, 5, 18};
    c.modelCode = 9;
    c.storageCapacity = 4096;
    c.effectiveCapacity = 700;  // 100 records of 7 bytes
    c.modelPassword = "K7";
    c.userName = "Na";
    c.title = "冷库";
    c.uploadWord1 = 1;
    c.uploadWord2 = 2;
    c.pageSize = 16;
    c.writeWord = 5;
    c.intervalSeconds = 90;
    c.startMode = kStartImmediately;
    c.startTime = CivilTime{2024, 3, 5, 9, 0, 0};
    c.timedStartTime = {2024, 4, 1, 8, 30, 0};
    c.timedStopTime = {2024, 4, 2, 17, 45, 10};
    c.lastStopTime = {2024, 2, 28, 23, 59, 58};
    c.stopReason = 9;
    c.stopMode = kStopMemoryFull | kStopByCount;
    c.stopCount = 300;
    c.powerMode = kPowerSaving;
    c.workStatus = kWorkRecording;
    c.growRecords = false;
    c.clockOffsetSeconds = -75;
    c.smsPassword = "12345678";

    SimChannel& t = c.channels[0];
    t.type = 1;
    t.unit = 1;
    t.dataLength = kLengthDecimalWord;
    t.rangeLow = -40;
    t.rangeHigh = 85;
    t.curve = 2;
    t.started = t.recorded = t.alarm = true;
    t.alarmLow = -300;
    t.alarmHigh = 30;
    t.samples = {21.5, 22.1, -3.4, 30.0, 84.9};

    SimChannel& p = c.channels[2];
    p.type = 5;
    p.unit = 20;
    p.dataLength = kLengthSingle;
    p.rangeLow = 0;
    p.rangeHigh = 1000;
    p.started = true;
    p.samples = {101.25, 99.5, 100.0, 0.125, 999.0};
    p.live = {101.2, 0.5};

    SimChannel& s = c.channels[5];
    s.type = 12;
    s.dataLength = kLengthSignedByte;
    s.rangeLow = -127;
    s.rangeHigh = 127;
    s.started = s.recorded = true;
    s.samples = {-5, 0, 7, 127, -127};
    s.live = {3, 0};

    c.recordCount = 5;
    return c;
}

}  // namespace tarvo::testing
