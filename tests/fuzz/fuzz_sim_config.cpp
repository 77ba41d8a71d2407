// The simulator's configuration of arbitrary text: refused with a reason, or parsed;
// a parsed configuration writes back to text that parses again.
#include <cstdlib>
#include <string_view>

#include "sim/sim_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto config = parseSimConfig(text, error);
    if (!config) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::string json = simConfigToJson(*config);
    std::string again;
    if (!parseSimConfig(json, again)) std::abort();
    return 0;
}
