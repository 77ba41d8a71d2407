#include "cli/document_json.h"

#include "cli/json_output.h"

namespace tarvo::cli {

nlohmann::ordered_json documentJson(const HistoryDocument& doc) {
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    for (const ChannelRecord& c : doc.channels) {
        nlohmann::ordered_json j;
        j["channel"] = c.channel;
        auto values = nlohmann::ordered_json::array();
        for (float v : c.values) values.push_back(floatForJson(v));
        j["values"] = std::move(values);
        j["times"] = c.times;
        j["maxValue"] = floatForJson(c.maxValue);
        j["minValue"] = floatForJson(c.minValue);
        j["meanValue"] = floatForJson(c.meanValue);
        j["typeText"] = c.typeText;
        j["unitText"] = c.unitText;
        j["color"] = c.color;
        j["visible"] = c.visible;
        j["rangeHigh"] = c.rangeHigh;
        j["rangeLow"] = c.rangeLow;
        j["deviceAddress"] = c.deviceAddress;
        j["userName"] = c.userName;
        j["title"] = c.title;
        j["alarmLow"] = floatForJson(c.alarmLow);
        j["alarmHigh"] = floatForJson(c.alarmHigh);
        j["versionDate"] = c.versionDate;
        j["printCurve"] = c.printCurve;
        j["printList"] = c.printList;
        j["startTime"] = c.startTime;
        j["stopTime"] = c.stopTime;
        j["workStatus"] = c.workStatus;
        channels.push_back(std::move(j));
    }
    nlohmann::ordered_json doc_json;
    doc_json["caption"] = doc.caption;
    doc_json["saved"] = doc.saved;
    doc_json["channels"] = std::move(channels);
    return doc_json;
}

}  // namespace tarvo::cli
