#pragma once
// `summary FILE [--energy KJ] [--json]`: the excursions and mean kinetic temperature
// of every channel of a logger data file.

#include <string>
#include <vector>

namespace tarvo::cli {

// Returns the exit status; throws UsageError for a usage error.
int runSummary(std::vector<std::string> args);

}  // namespace tarvo::cli
