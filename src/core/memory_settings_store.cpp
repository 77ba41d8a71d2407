#include "core/memory_settings_store.h"

namespace tarvo {

namespace {

std::string foldSection(std::string_view section) {
    std::string folded(section);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

}  // namespace

std::optional<std::string> MemorySettingsStore::read(std::string_view section,
                                                     std::string_view key) const {
    auto it = values_.find({foldSection(section), std::string(key)});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemorySettingsStore::write(std::string_view section, std::string_view key,
                                std::string_view value) {
    values_[{foldSection(section), std::string(key)}] = std::string(value);
    writes_.emplace_back(std::string(section), std::string(key), std::string(value));
}

}  // namespace tarvo
