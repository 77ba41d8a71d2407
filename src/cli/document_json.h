#pragma once
#include <nlohmann/json.hpp>

#include "data/history_document.h"

namespace tarvo::cli {

// {"caption", "saved", "channels": [every ChannelRecord member]}
nlohmann::ordered_json documentJson(const HistoryDocument& doc);

}  // namespace tarvo::cli
