#include "workstation/device_names.h"

namespace tarvo {

std::string deviceNameRule(std::string_view text, int address) {
    if (text.find_first_not_of(' ') == std::string_view::npos) {
        return DisplayNames::defaultName(address);
    }
    return std::string(text);
}

std::vector<std::string> selectorItems(const DisplayNames& names) {
    std::vector<std::string> items;
    items.reserve(kLastDisplayAddress);
    for (int a = kFirstDisplayAddress; a <= kLastDisplayAddress; ++a) items.push_back(names[a]);
    return items;
}

std::vector<std::string> DeviceNameManager::listEntries() {
    return selectorItems(DisplayNames{});
}

void DeviceNameManager::activate(const DisplayNames& displayNames) {
    working_ = displayNames;
    text_ = working_[selected_];
}

void DeviceNameManager::leaveText() {
    working_[selected_] = deviceNameRule(text_, selected_);
}

void DeviceNameManager::clickEntry(int address) {
    if (address < kFirstDisplayAddress || address > kLastDisplayAddress) return;
    leaveText();
    selected_ = address;
    text_ = working_[selected_];
}

void DeviceNameManager::accept(DisplayNames& displayNames) {
    leaveText();
    displayNames = working_;
}

void DeviceNameManager::cancel() {
    text_ = working_[selected_];
}

}  // namespace tarvo
