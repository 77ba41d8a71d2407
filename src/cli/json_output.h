#pragma once
// The JSON forms of the parameter record and of a history document.

#include <nlohmann/json.hpp>

#include "core/logger_parameters.h"

namespace tarvo::cli {

nlohmann::ordered_json parametersJson(const LoggerParameters& p);

// A single as the shortest decimal that reads back as the same float.
double floatForJson(float value);

}  // namespace tarvo::cli
