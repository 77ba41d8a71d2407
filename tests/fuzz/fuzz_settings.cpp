// The settings read from a store holding arbitrary values. The input is lines of
// "section\tkey\tvalue"; every value is offered under its key in several sections, so
// that short inputs reach every setting.
#include <string_view>

#include "core/memory_settings_store.h"
#include "core/settings.h"
#include "workstation/device_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    MemorySettingsStore store;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto tab1 = line.find('\t');
        if (tab1 == std::string_view::npos) continue;
        const auto tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) continue;
        store.write(line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                    line.substr(tab2 + 1));
    }
    ProgramSettings settings;
    DisplayNames names;
    loadSettings(store, settings, names);
    (void)selectorItems(names);
    MemorySettingsStore written;
    saveSettings(written, settings, names);
    ProgramSettings reread;
    DisplayNames rereadNames;
    loadSettings(written, reread, rereadNames);
    return 0;
}
