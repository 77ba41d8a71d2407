#pragma once
// `scan` and `collect`: the line as a fleet, from a shell.

#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace tarvo::cli {

int runScan(const CommandLine& cl, std::vector<std::string> args);
int runCollect(const CommandLine& cl, std::vector<std::string> args);

}  // namespace tarvo::cli
