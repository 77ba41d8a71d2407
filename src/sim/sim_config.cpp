#include "sim/sim_config.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/codecs.h"
#include "core/date_time.h"
#include "link/frames.h"
#include "sim/sample_encoders.h"
#include "sim/text16.h"

namespace tarvo {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr std::pair<SimFaultKind, const char*> kFaultNames[] = {
    {SimFaultKind::NoAnswer, "noAnswer"},   {SimFaultKind::BadChecksum, "badChecksum"},
    {SimFaultKind::Truncated, "truncated"}, {SimFaultKind::Trickle, "trickle"},
    {SimFaultKind::Garbage, "garbage"},
};

constexpr std::pair<SimCommand, const char*> kCommandNames[] = {
    {SimCommand::Any, "any"},
    {SimCommand::Connect, "connect"},
    {SimCommand::SecondBlock, "secondBlock"},
    {SimCommand::History, "history"},
    {SimCommand::Live, "live"},
    {SimCommand::Write, "write"},
    {SimCommand::Stop, "stop"},
    {SimCommand::Power, "power"},
    {SimCommand::Reset, "reset"},
    {SimCommand::Clock, "clock"},
    {SimCommand::SmsNumbers, "smsNumbers"},
    {SimCommand::SmsPassword, "smsPassword"},
};

bool allDigits(std::string_view s) {
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Reads the digits at [pos, pos + n) of `s` as a number.
bool digitsAt(std::string_view s, std::size_t pos, std::size_t n, int& out) {
    if (pos + n > s.size() || !allDigits(s.substr(pos, n))) return false;
    out = 0;
    for (std::size_t i = pos; i < pos + n; ++i) out = out * 10 + (s[i] - '0');
    return true;
}

std::optional<SimDate> parseDateText(std::string_view s) {
    SimDate d;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    if (!digitsAt(s, 0, 4, d.year) || !digitsAt(s, 5, 2, d.month) || !digitsAt(s, 8, 2, d.day)) {
        return std::nullopt;
    }
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month)) {
        return std::nullopt;
    }
    return d;
}

std::optional<CivilTime> parseTimeText(std::string_view s) {
    if (s.size() != 19 || s[10] != ' ' || s[13] != ':' || s[16] != ':') return std::nullopt;
    const auto date = parseDateText(s.substr(0, 10));
    if (!date || date->year < 1) return std::nullopt;
    CivilTime t{date->year, date->month, date->day, 0, 0, 0};
    if (!digitsAt(s, 11, 2, t.hour) || !digitsAt(s, 14, 2, t.minute) ||
        !digitsAt(s, 17, 2, t.second)) {
        return std::nullopt;
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
    return t;
}

// "H:MM:SS" with hours up to 255 (the logger holds each part in a byte).
std::optional<int> parseDurationText(std::string_view s) {
    const auto colon = s.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 3 || s.size() != colon + 6 ||
        s[colon + 3] != ':') {
        return std::nullopt;
    }
    int h = 0, m = 0, sec = 0;
    if (!digitsAt(s, 0, colon, h) || !digitsAt(s, colon + 1, 2, m) ||
        !digitsAt(s, colon + 4, 2, sec)) {
        return std::nullopt;
    }
    if (h > 255 || m > 59 || sec > 59) return std::nullopt;
    return h * 3600 + m * 60 + sec;
}

std::string timeText(const CivilTime& t) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string durationText(int seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

std::string dateText(const SimDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

// Reads the members of one JSON object, remembering the first error with the path of
// the offending key.
class Reader {
public:
    Reader(const Json& object, std::string path, std::string& error)
        : object_(object), path_(std::move(path)), error_(error) {}

    bool ok() const { return error_.empty(); }

    // Reports keys that no reader asked for (a misspelt key is an error, not a default).
    void rejectUnknown(std::initializer_list<const char*> known) {
        if (!ok()) return;
        for (const auto& item : object_.items()) {
            bool found = false;
            for (const char* k : known) found = found || item.key() == k;
            if (!found) {
                fail(item.key(), "is not a known key");
                return;
            }
        }
    }

    template <typename T>
    void integer(const char* key, T& out, long long lo, long long hi) {
        const Json* v = find(key);
        if (!v) return;
        if (!v->is_number_integer()) return fail(key, "must be a whole number");
        const long long n =
            v->is_number_unsigned()
                ? static_cast<long long>(std::min<std::uint64_t>(
                      v->get<std::uint64_t>(),
                      static_cast<std::uint64_t>(std::numeric_limits<long long>::max())))
                : v->get<long long>();
        if (n < lo || n > hi) {
            return fail(key, "must lie in " + std::to_string(lo) + ".." + std::to_string(hi));
        }
        out = static_cast<T>(n);
    }

    template <typename T>
    void optionalInteger(const char* key, std::optional<T>& out, long long lo, long long hi) {
        const Json* v = find(key);
        if (!v) return;
        if (v->is_null()) {
            out.reset();
            return;
        }
        T value{};
        integer(key, value, lo, hi);
        if (ok()) out = value;
    }

    void unsignedInteger(const char* key, std::uint64_t& out) {
        const Json* v = find(key);
        if (!v) return;
        if (!v->is_number_unsigned()) return fail(key, "must be a whole number of 0 or more");
        out = v->get<std::uint64_t>();
    }

    void number(const char* key, double& out, double lo = -1e30, double hi = 1e30) {
        const Json* v = find(key);
        if (!v) return;
        if (!v->is_number()) return fail(key, "must be a number");
        const double d = v->get<double>();
        if (!(d >= lo && d <= hi)) return fail(key, "is out of range");
        out = d;
    }

    void boolean(const char* key, bool& out) {
        const Json* v = find(key);
        if (!v) return;
        if (!v->is_boolean()) return fail(key, "must be true or false");
        out = v->get<bool>();
    }

    void text(const char* key, std::string& out) {
        const Json* v = find(key);
        if (!v) return;
        if (!v->is_string()) return fail(key, "must be a text");
        out = v->get<std::string>();
    }

    void time(const char* key, CivilTime& out) {
        std::string s;
        const Json* v = find(key);
        if (!v) return;
        text(key, s);
        if (!ok()) return;
        const auto t = parseTimeText(s);
        if (!t) return fail(key, "must be a time \"YYYY-MM-DD HH:MM:SS\"");
        out = *t;
    }

    void optionalTime(const char* key, std::optional<CivilTime>& out) {
        const Json* v = find(key);
        if (!v) return;
        if (v->is_null()) {
            out.reset();
            return;
        }
        CivilTime t;
        time(key, t);
        if (ok()) out = t;
    }

    void duration(const char* key, int& seconds) {
        std::string s;
        const Json* v = find(key);
        if (!v) return;
        text(key, s);
        if (!ok()) return;
        const auto d = parseDurationText(s);
        if (!d) return fail(key, "must be a duration \"HH:MM:SS\"");
        seconds = *d;
    }

    const Json* find(const char* key) const {
        if (!ok()) return nullptr;
        const auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }

    std::string pathOf(const std::string& key) const {
        return path_.empty() ? key : path_ + "." + key;
    }

    void fail(const std::string& key, const std::string& why) {
        if (ok()) error_ = "\"" + pathOf(key) + "\" " + why;
    }

private:
    const Json& object_;
    std::string path_;
    std::string& error_;
};

void readGenerator(const Json& j, const std::string& path, SimSampleGenerator& g,
                   std::string& error) {
    Reader r(j, path, error);
    r.rejectUnknown({"base", "dailyAmplitude", "noise", "seed"});
    r.number("base", g.base);
    r.number("dailyAmplitude", g.dailyAmplitude);
    r.number("noise", g.noise, 0);
    r.unsignedInteger("seed", g.seed);
}

void readChannel(const Json& j, const std::string& path, SimChannel& c, std::string& error) {
    Reader r(j, path, error);
    r.rejectUnknown({"channel", "type", "unit", "dataLength", "rangeLow", "rangeHigh", "curve",
                     "started", "record", "alarm", "alarmLow", "alarmHigh", "samples", "generator",
                     "live"});
    r.integer("type", c.type, 0, 255);
    r.integer("unit", c.unit, 0, 255);
    r.integer("dataLength", c.dataLength, 0, 255);
    r.integer("rangeLow", c.rangeLow, -127000000, 127000000);
    r.integer("rangeHigh", c.rangeHigh, -127000000, 127000000);
    for (const char* key : {"rangeLow", "rangeHigh"}) {
        const std::int32_t v = key[5] == 'L' ? c.rangeLow : c.rangeHigh;
        if (r.ok() && !encodeScaledLong(v)) {
            r.fail(key,
                   "has no exact form in the logger's range encoding (at most 127 times a "
                   "power of ten up to 10^6)");
        }
    }
    r.integer("curve", c.curve, 0, 255);
    r.boolean("started", c.started);
    r.boolean("record", c.recorded);
    r.boolean("alarm", c.alarm);
    r.integer("alarmLow", c.alarmLow, -32767, 32767);
    r.integer("alarmHigh", c.alarmHigh, -32767, 32767);
    if (const Json* s = r.find("samples")) {
        if (!s->is_array()) return r.fail("samples", "must be an array of numbers");
        c.samples.clear();
        for (const auto& v : *s) {
            if (!v.is_number()) return r.fail("samples", "must be an array of numbers");
            c.samples.push_back(v.get<double>());
        }
    }
    if (const Json* g = r.find("generator")) {
        if (g->is_null()) {
            c.generator.reset();
        } else if (!g->is_object()) {
            return r.fail("generator", "must be an object");
        } else {
            SimSampleGenerator gen;
            readGenerator(*g, r.pathOf("generator"), gen, error);
            if (!r.ok()) return;
            c.generator = gen;
        }
    }
    if (const Json* l = r.find("live")) {
        if (!l->is_object()) return r.fail("live", "must be an object");
        Reader lr(*l, r.pathOf("live"), error);
        lr.rejectUnknown({"base", "drift"});
        lr.number("base", c.live.base);
        lr.number("drift", c.live.drift, 0);
    }
}

void readFault(const Json& j, const std::string& path, SimFault& f, std::string& error) {
    Reader r(j, path, error);
    r.rejectUnknown({"kind", "command", "skip", "next", "rate"});
    std::string kind;
    if (!r.find("kind")) return r.fail("kind", "is required");
    r.text("kind", kind);
    if (!r.ok()) return;
    bool known = false;
    for (const auto& [k, name] : kFaultNames) {
        if (kind == name) {
            f.kind = k;
            known = true;
        }
    }
    if (!known) {
        return r.fail(
            "kind",
            "must be noAnswer, badChecksum, truncated, trickle or garbage, not \"" + kind + "\"");
    }
    std::string command = "any";
    r.text("command", command);
    if (!r.ok()) return;
    known = false;
    for (const auto& [c, name] : kCommandNames) {
        if (command == name) {
            f.command = c;
            known = true;
        }
    }
    if (!known) return r.fail("command", "names no command: \"" + command + "\"");
    r.integer("skip", f.skip, 0, std::numeric_limits<int>::max());
    r.integer("next", f.next, 0, std::numeric_limits<int>::max());
    r.number("rate", f.rate, 0, 1);
}

void readConfig(const Json& j, SimConfig& c, std::string& error) {
    if (!j.is_object()) {
        error = "the configuration must be a JSON object";
        return;
    }
    Reader r(j, "", error);
    r.rejectUnknown({"protocols",         "address",       "deviceBytes",     "firmwareDate",
                     "firmwareYearQuirk", "modelCode",     "storageCapacity", "effectiveCapacity",
                     "modelPassword",     "userName",      "title",           "uploadWord1",
                     "uploadWord2",       "pageSize",      "writeWord",       "interval",
                     "startMode",         "startDelay",    "startTime",       "timedStartTime",
                     "timedStopTime",     "lastStopTime",  "stopReason",      "stopMode",
                     "stopCount",         "powerMode",     "workStatus",      "recordCount",
                     "recordAddress",     "overflowCount", "growRecords",     "clockOffsetSeconds",
                     "smsPassword",       "phoneNumbers",  "baudRate",        "latencyMs",
                     "trickleByteMs",     "seed",          "channels",        "faults"});
    if (const Json* p = r.find("protocols")) {
        if (!p->is_array() || p->empty()) return r.fail("protocols", "must list 1, 2 or both");
        c.answersXY001 = c.answersXY002 = false;
        for (const auto& v : *p) {
            if (v == 1) {
                c.answersXY001 = true;
            } else if (v == 2) {
                c.answersXY002 = true;
            } else {
                return r.fail("protocols", "must list 1, 2 or both");
            }
        }
    }
    r.integer("address", c.address, kMinAddress, kMaxAddress);
    if (const Json* d = r.find("deviceBytes")) {
        if (!d->is_array() || d->size() != 4) {
            return r.fail("deviceBytes", "must be four numbers 0..255");
        }
        for (std::size_t i = 0; i < 4; ++i) {
            const auto& v = (*d)[i];
            if (!v.is_number_integer() || v.get<long long>() < 0 || v.get<long long>() > 255) {
                return r.fail("deviceBytes", "must be four numbers 0..255");
            }
            c.deviceBytes[i] = static_cast<std::int16_t>(v.get<int>());
        }
    }
    if (r.find("firmwareDate")) {
        std::string s;
        r.text("firmwareDate", s);
        if (!r.ok()) return;
        const auto d = parseDateText(s);
        if (!d || d->year < 2000 || d->year > 2255) {
            return r.fail("firmwareDate", "must be a date \"YYYY-MM-DD\" from 2000 to 2255");
        }
        c.firmwareDate = *d;
    }
    r.boolean("firmwareYearQuirk", c.firmwareYearQuirk);
    r.integer("modelCode", c.modelCode, 0, 255);
    r.integer("storageCapacity", c.storageCapacity, 0, 65535);
    r.integer("effectiveCapacity", c.effectiveCapacity, 0, 65535);
    r.text("modelPassword", c.modelPassword);
    if (r.ok() && (c.modelPassword.size() > 3 || !sim_text::isAscii(c.modelPassword))) {
        return r.fail("modelPassword", "must be at most three ASCII characters");
    }
    r.text("userName", c.userName);
    r.text("title", c.title);
    for (const char* key : {"userName", "title"}) {
        const std::string& s = key[0] == 'u' ? c.userName : c.title;
        if (r.ok() && (!sim_text::validUtf8(s) || sim_text::utf8ToUtf16(s).size() > 8)) {
            r.fail(key, "must be UTF-8 text of at most 8 UTF-16 code units");
        }
    }
    r.integer("uploadWord1", c.uploadWord1, 0, 255);
    r.integer("uploadWord2", c.uploadWord2, 0, 255);
    r.integer("pageSize", c.pageSize, 1, 65535);
    r.integer("writeWord", c.writeWord, 0, 255);
    r.duration("interval", c.intervalSeconds);
    if (r.ok() && (c.intervalSeconds < 1 || c.intervalSeconds > 86399)) {
        return r.fail("interval", "must lie in 00:00:01..23:59:59");
    }
    r.integer("startMode", c.startMode, 0, 255);
    r.duration("startDelay", c.startDelaySeconds);
    r.optionalTime("startTime", c.startTime);
    r.time("timedStartTime", c.timedStartTime);
    r.time("timedStopTime", c.timedStopTime);
    r.time("lastStopTime", c.lastStopTime);
    r.integer("stopReason", c.stopReason, 0, 255);
    r.integer("stopMode", c.stopMode, 0, 255);
    r.integer("stopCount", c.stopCount, 0, 32767);
    r.integer("powerMode", c.powerMode, 0, 255);
    r.integer("workStatus", c.workStatus, 0, 255);
    r.integer("recordCount", c.recordCount, 0, 0xFFFFFF);
    r.optionalInteger("recordAddress", c.recordAddress, 0, 65535);
    r.optionalInteger("overflowCount", c.overflowCount, 0, 255);
    r.boolean("growRecords", c.growRecords);
    r.integer("clockOffsetSeconds", c.clockOffsetSeconds, -3153600000LL, 3153600000LL);
    r.text("smsPassword", c.smsPassword);
    if (r.ok() && (c.smsPassword.size() != 8 || !allDigits(c.smsPassword))) {
        return r.fail("smsPassword", "must be 8 digits");
    }
    if (const Json* p = r.find("phoneNumbers")) {
        if (!p->is_array() || p->size() != 3) {
            return r.fail("phoneNumbers", "must be three texts of at most 11 digits");
        }
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& v = (*p)[i];
            if (!v.is_string() || v.get<std::string>().size() > 11 ||
                !allDigits(v.get<std::string>())) {
                return r.fail("phoneNumbers", "must be three texts of at most 11 digits");
            }
            c.phoneNumbers[i] = v.get<std::string>();
        }
    }
    r.integer("baudRate", c.baudRate, 50, 4000000);
    r.integer("latencyMs", c.latencyMs, 0, 10000);
    r.integer("trickleByteMs", c.trickleByteMs, 1, 10000);
    r.unsignedInteger("seed", c.seed);
    if (const Json* chs = r.find("channels")) {
        if (!chs->is_array() || chs->size() > kChannelCount) {
            return r.fail("channels", "must be an array of at most 8 channels");
        }
        std::array<bool, kChannelCount> seen{};
        for (std::size_t i = 0; i < chs->size(); ++i) {
            const Json& cj = (*chs)[i];
            const std::string path = "channels[" + std::to_string(i) + "]";
            if (!cj.is_object()) return r.fail(path, "must be an object");
            int index = static_cast<int>(i);
            Reader(cj, path, error).integer("channel", index, 0, kChannelCount - 1);
            if (!r.ok()) return;
            if (seen[index]) return r.fail(path, "repeats channel " + std::to_string(index));
            seen[index] = true;
            readChannel(cj, path, c.channels[index], error);
            if (!r.ok()) return;
        }
    }
    if (const Json* fs = r.find("faults")) {
        if (!fs->is_array()) return r.fail("faults", "must be an array");
        for (std::size_t i = 0; i < fs->size(); ++i) {
            const Json& fj = (*fs)[i];
            const std::string path = "faults[" + std::to_string(i) + "]";
            if (!fj.is_object()) return r.fail(path, "must be an object");
            SimFault f;
            readFault(fj, path, f, error);
            if (!r.ok()) return;
            c.faults.push_back(f);
        }
    }
}

template <typename E, std::size_t N>
const char* nameOf(const std::pair<E, const char*> (&table)[N], E value) {
    for (const auto& [v, name] : table) {
        if (v == value) return name;
    }
    return "";
}

}  // namespace

std::int16_t SimConfig::startedMask() const {
    int mask = 0;
    for (int i = 0; i < kChannelCount; ++i) mask |= channels[i].started ? 1 << i : 0;
    return static_cast<std::int16_t>(mask);
}

std::int16_t SimConfig::recordMask() const {
    int mask = 0;
    for (int i = 0; i < kChannelCount; ++i) mask |= channels[i].recorded ? 1 << i : 0;
    return static_cast<std::int16_t>(mask);
}

std::int16_t SimConfig::alarmMask() const {
    int mask = 0;
    for (int i = 0; i < kChannelCount; ++i) mask |= channels[i].alarm ? 1 << i : 0;
    return static_cast<std::int16_t>(mask);
}

int SimConfig::recordWidth() const {
    int width = 0;
    for (const auto& ch : channels) {
        if (ch.started) width += sampleWidth(ch.dataLength);
    }
    return width;
}

std::optional<SimConfig> parseSimConfig(std::string_view json, std::string& error) {
    error.clear();
    Json j;
    try {
        j = Json::parse(json.begin(), json.end());
    } catch (const Json::exception& e) {
        error = std::string("the configuration is not valid JSON: ") + e.what();
        return std::nullopt;
    }
    SimConfig config;
    try {
        readConfig(j, config, error);
    } catch (const Json::exception& e) {
        error = std::string("the configuration could not be read: ") + e.what();
    }
    if (!error.empty()) return std::nullopt;
    return config;
}

std::optional<SimConfig> loadSimConfigFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the configuration file " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto config = parseSimConfig(text.str(), error);
    if (!config) error = path + ": " + error;
    return config;
}

std::string simConfigToJson(const SimConfig& c) {
    OrderedJson j;
    OrderedJson protocols = OrderedJson::array();
    if (c.answersXY001) protocols.push_back(1);
    if (c.answersXY002) protocols.push_back(2);
    j["protocols"] = protocols;
    j["address"] = c.address;
    j["deviceBytes"] = c.deviceBytes;
    j["firmwareDate"] = dateText(c.firmwareDate);
    j["firmwareYearQuirk"] = c.firmwareYearQuirk;
    j["modelCode"] = c.modelCode;
    j["storageCapacity"] = c.storageCapacity;
    j["effectiveCapacity"] = c.effectiveCapacity;
    j["modelPassword"] = c.modelPassword;
    j["userName"] = c.userName;
    j["title"] = c.title;
    j["uploadWord1"] = c.uploadWord1;
    j["uploadWord2"] = c.uploadWord2;
    j["pageSize"] = c.pageSize;
    j["writeWord"] = c.writeWord;
    j["interval"] = durationText(c.intervalSeconds);
    j["startMode"] = c.startMode;
    j["startDelay"] = durationText(c.startDelaySeconds);
    j["startTime"] = c.startTime ? OrderedJson(timeText(*c.startTime)) : OrderedJson(nullptr);
    j["timedStartTime"] = timeText(c.timedStartTime);
    j["timedStopTime"] = timeText(c.timedStopTime);
    j["lastStopTime"] = timeText(c.lastStopTime);
    j["stopReason"] = c.stopReason;
    j["stopMode"] = c.stopMode;
    j["stopCount"] = c.stopCount;
    j["powerMode"] = c.powerMode;
    j["workStatus"] = c.workStatus;
    j["recordCount"] = c.recordCount;
    j["recordAddress"] = c.recordAddress ? OrderedJson(*c.recordAddress) : OrderedJson(nullptr);
    j["overflowCount"] = c.overflowCount ? OrderedJson(*c.overflowCount) : OrderedJson(nullptr);
    j["growRecords"] = c.growRecords;
    j["clockOffsetSeconds"] = c.clockOffsetSeconds;
    j["smsPassword"] = c.smsPassword;
    j["phoneNumbers"] = c.phoneNumbers;
    j["baudRate"] = c.baudRate;
    j["latencyMs"] = c.latencyMs;
    j["trickleByteMs"] = c.trickleByteMs;
    j["seed"] = c.seed;
    OrderedJson channels = OrderedJson::array();
    for (int i = 0; i < kChannelCount; ++i) {
        const SimChannel& ch = c.channels[i];
        if (ch == SimChannel{}) continue;
        OrderedJson cj;
        cj["channel"] = i;
        cj["type"] = ch.type;
        cj["unit"] = ch.unit;
        cj["dataLength"] = ch.dataLength;
        cj["rangeLow"] = ch.rangeLow;
        cj["rangeHigh"] = ch.rangeHigh;
        cj["curve"] = ch.curve;
        cj["started"] = ch.started;
        cj["record"] = ch.recorded;
        cj["alarm"] = ch.alarm;
        cj["alarmLow"] = ch.alarmLow;
        cj["alarmHigh"] = ch.alarmHigh;
        if (!ch.samples.empty()) cj["samples"] = ch.samples;
        if (ch.generator) {
            cj["generator"] = {{"base", ch.generator->base},
                               {"dailyAmplitude", ch.generator->dailyAmplitude},
                               {"noise", ch.generator->noise},
                               {"seed", ch.generator->seed}};
        }
        cj["live"] = {{"base", ch.live.base}, {"drift", ch.live.drift}};
        channels.push_back(cj);
    }
    j["channels"] = channels;
    OrderedJson faults = OrderedJson::array();
    for (const SimFault& f : c.faults) {
        faults.push_back({{"kind", nameOf(kFaultNames, f.kind)},
                          {"command", nameOf(kCommandNames, f.command)},
                          {"skip", f.skip},
                          {"next", f.next},
                          {"rate", f.rate}});
    }
    j["faults"] = faults;
    return j.dump(2) + "\n";
}

SimConfig demoConfig() {
    SimConfig c;
    c.answersXY001 = true;
    c.answersXY002 = true;
    c.address = 1;
    c.deviceBytes = {3, 1, 0, 1};
    c.firmwareDate = {2006, 5, 18};
    c.modelCode = 8;
    c.storageCapacity = 32768;
    c.effectiveCapacity = 28672;
    c.modelPassword = "T08";
    c.userName = "演示用户";
    c.title = "冷库一号";
    c.pageSize = 512;
    c.intervalSeconds = 600;
    c.startMode = kStartImmediately;
    c.stopMode = kStopMemoryFull;
    c.stopReason = 3;
    c.workStatus = kWorkRecording;
    c.recordCount = 7 * 24 * 6;  // a week of ten-minute records
    c.clockOffsetSeconds = 12;
    c.smsPassword = "12345678";
    c.seed = 20060518;

    SimChannel& temperature = c.channels[0];
    temperature.type = 1;  // 温度
    temperature.unit = 1;  // ℃
    temperature.dataLength = kLengthDecimalWord;
    temperature.rangeLow = -40;
    temperature.rangeHigh = 85;
    temperature.started = temperature.recorded = temperature.alarm = true;
    temperature.alarmLow = 17;
    temperature.alarmHigh = 27;
    temperature.generator = SimSampleGenerator{22.0, 5.0, 0.4, 11};
    temperature.live = {23.4, 1.2};

    SimChannel& humidity = c.channels[1];
    humidity.type = 2;  // 湿度
    humidity.unit = 2;  // %RH
    humidity.dataLength = kLengthDecimalWord;
    humidity.rangeLow = 0;
    humidity.rangeHigh = 100;
    humidity.started = humidity.recorded = humidity.alarm = true;
    humidity.alarmLow = 40;
    humidity.alarmHigh = 72;
    humidity.generator = SimSampleGenerator{57.0, -14.0, 1.5, 12};
    humidity.live = {52.0, 4.0};

    SimChannel& pressure = c.channels[2];
    pressure.type = 5;   // 压力
    pressure.unit = 20;  // KPa
    pressure.dataLength = kLengthDecimalWord;
    pressure.rangeLow = 80;
    pressure.rangeHigh = 120;
    pressure.started = pressure.recorded = true;
    pressure.alarmLow = 95;
    pressure.alarmHigh = 105;
    pressure.generator = SimSampleGenerator{101.3, 0.4, 0.1, 13};
    pressure.live = {101.2, 0.3};

    SimChannel& voltage = c.channels[3];
    voltage.type = 6;  // 电压DC
    voltage.unit = 5;  // V
    voltage.dataLength = kLengthSingle;
    voltage.rangeLow = 0;
    voltage.rangeHigh = 30;
    voltage.started = voltage.recorded = voltage.alarm = true;
    voltage.alarmLow = 11;
    voltage.alarmHigh = 13;
    voltage.generator = SimSampleGenerator{12.4, 0.65, 0.05, 14};
    voltage.live = {12.5, 0.2};
    return c;
}

std::vector<SimConfig> demoLine() {
    std::vector<SimConfig> line{demoConfig()};

    // A freezer room: two channels, five-minute records for three days.
    SimConfig freezer;
    freezer.address = 2;
    freezer.deviceBytes = {3, 1, 0, 1};
    freezer.firmwareDate = {2007, 3, 9};
    freezer.modelCode = 4;
    freezer.storageCapacity = 16384;
    freezer.effectiveCapacity = 12288;
    freezer.modelPassword = "T04";
    freezer.userName = "仓库管理";
    freezer.title = "冷冻库";
    freezer.pageSize = 256;
    freezer.intervalSeconds = 300;
    freezer.recordCount = 3 * 24 * 12;
    freezer.clockOffsetSeconds = -3;
    freezer.seed = 20070309;
    SimChannel& cold = freezer.channels[0];
    cold.type = 1;  // 温度
    cold.unit = 1;  // ℃
    cold.dataLength = kLengthDecimalWord;
    cold.rangeLow = -40;
    cold.rangeHigh = 85;
    cold.started = cold.recorded = cold.alarm = true;
    cold.alarmLow = -25;
    cold.alarmHigh = -15;
    cold.generator = SimSampleGenerator{-18.5, 2.0, 0.6, 21};
    cold.live = {-18.2, 0.8};
    SimChannel& co2 = freezer.channels[1];
    co2.type = 13;  // Co2
    co2.unit = 13;  // PPM
    co2.dataLength = kLengthSingle;
    co2.rangeLow = 0;
    co2.rangeHigh = 5000;
    co2.started = co2.recorded = true;
    co2.alarmLow = 0;
    co2.alarmHigh = 1500;
    co2.generator = SimSampleGenerator{650.0, 120.0, 25.0, 22};
    co2.live = {640.0, 30.0};
    line.push_back(freezer);

    // A laboratory logger that has stopped, with a clock gone wrong by 25 minutes.
    SimConfig lab;
    lab.address = 7;
    lab.deviceBytes = {3, 1, 0, 1};
    lab.firmwareDate = {2006, 11, 2};
    lab.modelCode = 2;
    lab.storageCapacity = 8192;
    lab.effectiveCapacity = 6144;
    lab.modelPassword = "T02";
    lab.userName = "质检部";
    lab.title = "实验室";
    lab.pageSize = 256;
    lab.intervalSeconds = 900;
    lab.workStatus = kWorkStopped;
    lab.stopReason = 4;
    lab.recordCount = 2 * 24 * 4;
    lab.growRecords = false;
    lab.clockOffsetSeconds = 25 * 60;
    lab.seed = 20061102;
    SimChannel& air = lab.channels[0];
    air.type = 1;  // 温度
    air.unit = 1;  // ℃
    air.dataLength = kLengthDecimalWord;
    air.rangeLow = -40;
    air.rangeHigh = 85;
    air.started = air.recorded = air.alarm = true;
    air.alarmLow = 18;
    air.alarmHigh = 26;
    air.generator = SimSampleGenerator{21.5, 3.5, 0.3, 71};
    air.live = {21.8, 0.5};
    SimChannel& damp = lab.channels[1];
    damp.type = 2;  // 湿度
    damp.unit = 2;  // %RH
    damp.dataLength = kLengthDecimalWord;
    damp.rangeLow = 0;
    damp.rangeHigh = 100;
    damp.started = damp.recorded = damp.alarm = true;
    damp.alarmLow = 30;
    damp.alarmHigh = 60;
    damp.generator = SimSampleGenerator{45.0, -8.0, 1.0, 72};
    damp.live = {44.0, 2.0};
    line.push_back(lab);
    return line;
}

std::optional<std::string> duplicateAddress(const std::vector<SimConfig>& configs) {
    std::vector<int> seen;
    for (const SimConfig& c : configs) {
        if (std::find(seen.begin(), seen.end(), c.address) != seen.end()) {
            return "two loggers at address " + std::to_string(c.address) +
                   ": the addresses on one line must differ";
        }
        seen.push_back(c.address);
    }
    return std::nullopt;
}

}  // namespace tarvo
