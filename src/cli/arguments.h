#pragma once
// Taking a command's own options out of its argument list.

#include <string>
#include <vector>

namespace tarvo::cli {

// Removes `flag` when present; true when it was.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);
// Removes `option` and its value; the value, or "" when the option is absent.
// Throws UsageError when the value is missing.
std::string takeValue(std::vector<std::string>& args, const std::string& option);
// Throws UsageError naming the first argument left over.
void expectNoMore(const std::vector<std::string>& args);

}  // namespace tarvo::cli
