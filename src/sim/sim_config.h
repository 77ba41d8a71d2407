#pragma once
// Configuration of the simulated logger, read from JSON.
//
// Every key is optional; a missing key keeps the default shown. Times are texts
// "YYYY-MM-DD HH:MM:SS", durations "HH:MM:SS", the firmware date "YYYY-MM-DD".
//
// {
//   "protocols": [1, 2],            // variants answered: 1 = "XY-001", 2 = "XY-002"
//   "address": 1,                   // device address 1..100
//   "deviceBytes": [0, 0, 0, 1],    // the fourth is the device type; 0 uploads in one
//                                   // answer, any other value in pages with a checksum
//   "firmwareDate": "2006-05-18",   // year 2000..2255
//   "firmwareYearQuirk": false,     // old firmware: connect year sent 6 low, flagged by 1..5
//   "modelCode": 8,
//   "storageCapacity": 32768,       // 0..65535
//   "effectiveCapacity": 28672,     // bytes of sample memory, 0..65535
//   "modelPassword": "T08",         // three characters
//   "userName": "", "title": "",    // at most 8 UTF-16 code units each
//   "uploadWord1": 0, "uploadWord2": 0,
//   "pageSize": 512,                // data bytes per history page (uploadWord3), 1..65535
//   "writeWord": 0,
//   "interval": "00:10:00",         // 1 s .. 23:59:59
//   "startMode": 1,                 // 0 stopped, 1 now, 2 delayed, 3 timed, 4 by hand
//   "startDelay": "00:00:00",
//   "startTime": null,              // e.g. "2024-01-01 00:00:00": when the recording
//                                   // began (the connect time the logger reports);
//                                   // null: recordCount intervals before the logger
//                                   // is created, so that the last record is fresh
//   "timedStartTime": "1899-12-30 00:00:00", "timedStopTime": ..., "lastStopTime": ...,
//   "stopReason": 3,
//   "stopMode": 1,                  // bits: 1 memory full, 2 by count, 4 timed
//   "stopCount": 0, "powerMode": 0, // power mode 0 normal, 128 saving
//   "workStatus": 1,                // 1 recording, 2 stopped
//   "recordCount": 0,               // records taken since the start
//   "recordAddress": null,          // default: 0x0C00 + the write position in bytes
//   "overflowCount": null,          // default: times the memory has wrapped
//   "growRecords": true,            // while recording, one more record per interval
//   "clockOffsetSeconds": 0,        // logger clock minus PC clock
//   "smsPassword": "00000000",
//   "phoneNumbers": ["", "", ""],
//   "baudRate": 9600,               // line speed the pseudo-terminal server paces at
//   "latencyMs": 20,                // from the end of a command to the first answer byte
//   "trickleByteMs": 50,            // time per byte of a "trickle" answer
//   "seed": 1,                      // drives the fault rates and the garbage bytes
//   "channels": [                   // up to 8; "channel" defaults to the position
//     { "channel": 0, "type": 0, "unit": 0, "dataLength": 2,
//       "rangeLow": 0, "rangeHigh": 100,  // must fit the logger's range encoding
//       "curve": 0, "started": false, "record": false,
//       "alarm": false, "alarmLow": 0, "alarmHigh": 0,
//       "samples": [],              // recorded values, record 0 first, e.g. [21.5, 21.7];
//                                   // records past the end (and every record after a
//                                   // restart) come from the generator, else the live base
//       "generator": null,          // e.g. { "base": 22, "dailyAmplitude": 5,
//                                   //        "noise": 0.4, "seed": 7 }:
//                                   // base + amplitude at 14:00 (a daily cosine) + noise
//       "live": { "base": 0, "drift": 0 } }  // live value wanders within ±drift
//   ],
//   "faults": []                    // applied to answers, e.g.
//     [{ "kind": "noAnswer",        // noAnswer, badChecksum, truncated, trickle, garbage
//        "command": "any",          // any, connect, secondBlock, history, live, write,
//                                   // stop, power, reset, clock, smsNumbers, smsPassword
//        "skip": 0,                 // matching answers let through first,
//        "next": 2,                 // then this many answers get the fault,
//        "rate": 0.1 }]             // then each one with this probability.
//                                   // Every entry counts every answer of its command;
//                                   // when several fire, the first listed wins.
// }

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo {

struct SimSampleGenerator {
    double base = 0;
    double dailyAmplitude = 0;
    double noise = 0;
    std::uint64_t seed = 0;
    bool operator==(const SimSampleGenerator&) const = default;
};

struct SimLiveValue {
    double base = 0;
    double drift = 0;
    bool operator==(const SimLiveValue&) const = default;
};

struct SimChannel {
    std::int16_t type = 0;
    std::int16_t unit = 0;
    std::int16_t dataLength = 2;
    std::int32_t rangeLow = 0;
    std::int32_t rangeHigh = 100;
    std::int16_t curve = 0;
    bool started = false;
    bool recorded = false;
    bool alarm = false;
    std::int16_t alarmLow = 0;
    std::int16_t alarmHigh = 0;
    std::vector<double> samples;
    std::optional<SimSampleGenerator> generator;
    SimLiveValue live;
    bool operator==(const SimChannel&) const = default;
};

enum class SimFaultKind { NoAnswer, BadChecksum, Truncated, Trickle, Garbage };

// Families of commands a fault can be limited to.
enum class SimCommand {
    Any,
    Connect,
    SecondBlock,
    History,
    Live,
    Write,
    Stop,
    Power,
    Reset,
    Clock,
    SmsNumbers,
    SmsPassword,
};

struct SimFault {
    SimFaultKind kind = SimFaultKind::NoAnswer;
    SimCommand command = SimCommand::Any;
    int skip = 0;
    int next = 0;
    double rate = 0;
    bool operator==(const SimFault&) const = default;
};

struct SimDate {
    int year = 2006;
    int month = 1;
    int day = 1;
    bool operator==(const SimDate&) const = default;
};

struct SimConfig {
    bool answersXY001 = true;
    bool answersXY002 = true;
    int address = 1;
    std::array<std::int16_t, 4> deviceBytes{0, 0, 0, 1};
    SimDate firmwareDate{2006, 5, 18};
    bool firmwareYearQuirk = false;
    std::int16_t modelCode = 8;
    std::int32_t storageCapacity = 32768;
    std::int32_t effectiveCapacity = 28672;
    std::string modelPassword = "T08";
    std::string userName;
    std::string title;
    std::int16_t uploadWord1 = 0;
    std::int16_t uploadWord2 = 0;
    int pageSize = 512;
    std::int16_t writeWord = 0;
    int intervalSeconds = 600;
    std::int16_t startMode = kStartImmediately;
    int startDelaySeconds = 0;
    std::optional<CivilTime> startTime;
    CivilTime timedStartTime{};
    CivilTime timedStopTime{};
    CivilTime lastStopTime{};
    std::int16_t stopReason = 3;
    std::int16_t stopMode = kStopMemoryFull;
    std::int16_t stopCount = 0;
    std::int16_t powerMode = kPowerNormal;
    std::int16_t workStatus = kWorkRecording;
    std::int32_t recordCount = 0;
    std::optional<std::int32_t> recordAddress;
    std::optional<std::int16_t> overflowCount;
    bool growRecords = true;
    std::int64_t clockOffsetSeconds = 0;
    std::string smsPassword = "00000000";
    std::array<std::string, 3> phoneNumbers;
    int baudRate = 9600;
    int latencyMs = 20;
    int trickleByteMs = 50;
    std::uint64_t seed = 1;
    std::array<SimChannel, kChannelCount> channels{};
    std::vector<SimFault> faults;

    bool operator==(const SimConfig&) const = default;

    std::int16_t deviceType() const { return deviceBytes[3]; }
    std::int16_t startedMask() const;
    std::int16_t recordMask() const;
    std::int16_t alarmMask() const;
    // Bytes per record: the sample widths of the started channels.
    int recordWidth() const;
};

// Parses a configuration. On failure returns nothing and says why in `error`
// (the JSON position for a syntax error, the key and the rule for a bad value).
std::optional<SimConfig> parseSimConfig(std::string_view json, std::string& error);
std::optional<SimConfig> loadSimConfigFile(const std::string& path, std::string& error);
// The configuration as JSON that parseSimConfig reads back to an equal value.
std::string simConfigToJson(const SimConfig& config);

// A realistic logger for the demo: four channels (temperature, humidity, pressure,
// voltage), a week of ten-minute records with daily cycles and noise, alarm limits
// that some samples cross, drifting live values, paged upload.
SimConfig demoConfig();
// The demo line: the demo logger at address 1, a freezer room logger at 2 and a
// stopped laboratory logger at 7 (each with its own channels, titles and history).
std::vector<SimConfig> demoLine();
// The reason a line cannot hold these loggers (two at one address), if any.
std::optional<std::string> duplicateAddress(const std::vector<SimConfig>& configs);

}  // namespace tarvo
