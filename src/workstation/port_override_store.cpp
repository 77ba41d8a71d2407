#include "workstation/port_override_store.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tarvo {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

PortOverrideStore::PortOverrideStore(SettingsStore& store, std::string port)
    : store_(store), port_(std::move(port)) {}

// Section names compare without regard to case, as in every store.
bool PortOverrideStore::isPortKey(std::string_view section, std::string_view key) {
    return equalsIgnoringCase(section, "ProgramSetting") && key == "ComPort";
}

std::optional<std::string> PortOverrideStore::read(std::string_view section,
                                                   std::string_view key) const {
    if (isPortKey(section, key)) return port_;
    return store_.read(section, key);
}

void PortOverrideStore::write(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (isPortKey(section, key) && value == port_) return;
    store_.write(section, key, value);
}

}  // namespace tarvo
