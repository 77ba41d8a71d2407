#include "data/channel_record.h"

#include <string>

#include "data/history_document.h"

namespace tarvo {

DateTime firmwareDate(const LoggerParameters& p) {
    const std::string text = std::to_string(p.firmwareYear) + "-" +
                             std::to_string(p.firmwareMonth) + "-" + std::to_string(p.firmwareDay);
    return parseGeneralDate(text).value_or(0.0);
}

ChannelRecord describeChannel(const LoggerParameters& p, int c) {
    ChannelRecord r;
    r.channel = static_cast<std::int16_t>(c);
    std::int16_t type = p.channelType[c];  // the conversions normalise a copy
    std::int16_t unit = p.channelUnit[c];
    r.typeText = fixedWidthText(channelTypeText(type), kChannelTextCharacters);
    r.unitText = fixedWidthText(channelUnitText(unit), kChannelTextCharacters);
    r.visible = true;
    r.rangeHigh = p.rangeHigh[c];
    r.rangeLow = p.rangeLow[c];
    r.userName = p.userName;
    r.title = p.title;
    r.alarmHigh = static_cast<float>(p.alarmHigh[c]);
    r.alarmLow = static_cast<float>(p.alarmLow[c]);
    r.versionDate = firmwareDate(p);
    r.printCurve = true;
    r.printList = true;
    r.startTime = p.loggerStartTime;
    r.stopTime = p.expectedStopTime;
    r.workStatus = p.workStatus;
    r.deviceAddress = p.echoedAddress;
    return r;
}

float clampToRange(float value, std::int32_t low, std::int32_t high) {
    if (static_cast<double>(value) > high) value = static_cast<float>(high);
    if (static_cast<double>(value) < low) value = static_cast<float>(low);
    return value;
}

}  // namespace tarvo
