#include "cli/json_output.h"

#include <charconv>
#include <cstdlib>

namespace tarvo::cli {

double floatForJson(float value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, value);
    if (ec != std::errc()) return value;
    *end = '\0';
    return std::strtod(buf, nullptr);
}

nlohmann::ordered_json parametersJson(const LoggerParameters& p) {
    nlohmann::ordered_json j;
    j["modelCode"] = p.modelCode;
    j["storageCapacity"] = p.storageCapacity;
    j["modelPassword"] = p.modelPassword;
    j["effectiveCapacity"] = p.effectiveCapacity;
    j["userName"] = p.userName;
    j["title"] = p.title;
    j["connectYear"] = p.connectYear;
    j["connectMonth"] = p.connectMonth;
    j["connectDay"] = p.connectDay;
    j["connectHour"] = p.connectHour;
    j["connectMinute"] = p.connectMinute;
    j["connectSecond"] = p.connectSecond;
    j["intervalHours"] = p.intervalHours;
    j["intervalMinutes"] = p.intervalMinutes;
    j["intervalSeconds"] = p.intervalSeconds;
    j["startMode"] = p.startMode;
    j["delayHours"] = p.delayHours;
    j["delayMinutes"] = p.delayMinutes;
    j["delaySeconds"] = p.delaySeconds;
    j["stopMode"] = p.stopMode;
    j["recordCount"] = p.recordCount;
    j["recordCountHigh"] = p.recordCountHigh;
    j["recordAddress"] = p.recordAddress;
    j["overflowCount"] = p.overflowCount;
    j["workStatus"] = p.workStatus;
    j["powerMode"] = p.powerMode;
    j["stopCount"] = p.stopCount;
    j["recordChannels"] = p.recordChannels;
    j["alarmChannels"] = p.alarmChannels;
    j["channelType"] = p.channelType;
    j["channelUnit"] = p.channelUnit;
    j["channelDataLength"] = p.channelDataLength;
    j["recordWidth"] = p.recordWidth;
    j["rangeLow"] = p.rangeLow;
    j["rangeHigh"] = p.rangeHigh;
    j["curveNumber"] = p.curveNumber;
    j["alarmLow"] = p.alarmLow;
    j["alarmHigh"] = p.alarmHigh;
    j["startedChannels"] = p.startedChannels;
    j["firmwareYear"] = p.firmwareYear;
    j["firmwareMonth"] = p.firmwareMonth;
    j["firmwareDay"] = p.firmwareDay;
    j["echoedAddress"] = p.echoedAddress;
    j["lastConnectTime"] = p.lastConnectTime;
    j["interval"] = p.interval;
    j["intervalTotalSeconds"] = p.intervalTotalSeconds;
    j["startDelay"] = p.startDelay;
    j["loggerStartTime"] = p.loggerStartTime;
    j["expectedStopTime"] = p.expectedStopTime;
    j["fullStopTime"] = p.fullStopTime;
    j["countStopTime"] = p.countStopTime;
    j["totalSpace"] = p.totalSpace;
    j["deviceBytes"] = p.deviceBytes;
    j["uploadWord1"] = p.uploadWord1;
    j["uploadWord2"] = p.uploadWord2;
    j["uploadWord3"] = p.uploadWord3;
    j["writeWord"] = p.writeWord;
    j["timedStartTime"] = p.timedStartTime;
    j["timedStopTime"] = p.timedStopTime;
    j["lastStopTime"] = p.lastStopTime;
    j["stopReason"] = p.stopReason;
    j["loggerClock"] = p.loggerClock;
    j["phoneNumbers"] = p.phoneNumbers;
    j["smsPasswords"] = p.smsPasswords;
    return j;
}

}  // namespace tarvo::cli
