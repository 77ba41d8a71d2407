#include "core/settings.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace tarvo {

namespace {

constexpr std::string_view kProgramSection = "ProgramSetting";
// "AutoSave" has always been written under this spelling; the store compares
// section names without regard to case, so it lands in the same section.
constexpr std::string_view kAutoSaveSection = "programSetting";
constexpr std::string_view kDisplaySection = "Display";

// The decimal value of a stored text when it is a whole number within [lo, hi].
// Surrounding blanks and a leading '+' are allowed. Anything else (not a number,
// trailing characters, a value too wide for the field) gives nothing, and the
// caller keeps the field's default: the stored text is not trusted to be ours.
std::optional<long long> parseDecimal(std::string_view text, long long lo, long long hi) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

template <typename Int>
void readNumber(const SettingsStore& store, std::string_view key, Int& field) {
    if (auto text = store.read(kProgramSection, key)) {
        if (auto v = parseDecimal(*text, std::numeric_limits<Int>::min(),
                                  std::numeric_limits<Int>::max())) {
            field = static_cast<Int>(*v);
        }
    }
}

void readText(const SettingsStore& store, std::string_view key, std::string& field) {
    if (auto text = store.read(kProgramSection, key)) field = *text;
}

}  // namespace

bool isLineSpeed(long long baudRate) {
    return std::find(kLineSpeeds.begin(), kLineSpeeds.end(), baudRate) != kLineSpeeds.end();
}

std::optional<char> parityLetter(std::string_view checkMode) {
    if (checkMode.size() != 1) return std::nullopt;
    const char c = static_cast<char>(checkMode[0] | 0x20);  // lower case
    if (std::string_view("noesm").find(c) == std::string_view::npos) return std::nullopt;
    return c;
}

bool isPortName(std::string_view comPort) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!comPort.empty() && blank(comPort.front())) comPort.remove_prefix(1);
    while (!comPort.empty() && blank(comPort.back())) comPort.remove_suffix(1);
    if (comPort.empty()) return false;
    auto upper = [](char c) { return static_cast<char>(c & ~0x20); };
    const bool com = comPort.size() >= 3 && upper(comPort[0]) == 'C' && upper(comPort[1]) == 'O' &&
                     upper(comPort[2]) == 'M';
    if (!com) return true;  // a device path is used as it stands
    const auto number = parseDecimal(comPort.substr(3), 1, 256);
    return number.has_value() && comPort.size() > 3 && comPort[3] >= '0' && comPort[3] <= '9';
}

DisplayNames::DisplayNames() {
    for (int a = 1; a <= static_cast<int>(names_.size()); ++a) names_[a - 1] = defaultName(a);
}

const std::string& DisplayNames::operator[](int address) const {
    if (address < 1 || address > static_cast<int>(names_.size())) {
        throw std::out_of_range("device address outside 1..100");
    }
    return names_[address - 1];
}

std::string& DisplayNames::operator[](int address) {
    if (address < 1 || address > static_cast<int>(names_.size())) {
        throw std::out_of_range("device address outside 1..100");
    }
    return names_[address - 1];
}

std::string DisplayNames::defaultName(int address) {
    return "记录仪" + std::to_string(address);
}

void loadSettings(const SettingsStore& store, ProgramSettings& settings, DisplayNames& names) {
    // Start from the defaults: a key that is missing yields its default, not the
    // value held before.
    ProgramSettings s;
    readNumber(store, "BaudRate", s.BaudRate);
    readText(store, "ComPort", s.ComPort);
    readText(store, "CheckMode", s.CheckMode);
    readNumber(store, "OverTime", s.OverTime);
    readNumber(store, "ResendTime", s.ResendTime);
    readNumber(store, "RealInterval", s.RealInterval);
    readNumber(store, "ConferStyle", s.ConferStyle);
    readText(store, "FilePath", s.FilePath);
    readNumber(store, "AutoSave", s.AutoSave);
    readText(store, "DatabaseServer", s.DatabaseServer);
    readText(store, "Line", s.Line);
    readNumber(store, "StrictTiming", s.StrictTiming);
    settings = s;

    for (int a = kFirstDisplayAddress; a <= kLastDisplayAddress; ++a) {
        const std::string key = DisplayNames::defaultName(a);
        names[a] = store.read(kDisplaySection, key).value_or(key);
    }
}

void saveSettings(SettingsStore& store, const ProgramSettings& settings,
                  const DisplayNames& names) {
    store.write(kProgramSection, "BaudRate", std::to_string(settings.BaudRate));
    store.write(kProgramSection, "ComPort", settings.ComPort);
    store.write(kProgramSection, "CheckMode", settings.CheckMode);
    store.write(kProgramSection, "OverTime", std::to_string(settings.OverTime));
    store.write(kProgramSection, "ResendTime", std::to_string(settings.ResendTime));
    store.write(kProgramSection, "RealInterval", std::to_string(settings.RealInterval));
    store.write(kProgramSection, "ConferStyle", std::to_string(settings.ConferStyle));
    store.write(kProgramSection, "FilePath", settings.FilePath);
    store.write(kAutoSaveSection, "AutoSave", std::to_string(settings.AutoSave));

    for (int a = kFirstDisplayAddress; a <= kLastDisplayAddress; ++a) {
        store.write(kDisplaySection, DisplayNames::defaultName(a), names[a]);
    }
    // The database server's settings came later; they follow everything else.
    store.write(kProgramSection, "DatabaseServer", settings.DatabaseServer);
    store.write(kProgramSection, "Line", settings.Line);
    store.write(kProgramSection, "StrictTiming", std::to_string(settings.StrictTiming));
}

}  // namespace tarvo
