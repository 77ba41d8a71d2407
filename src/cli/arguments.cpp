#include "cli/arguments.h"

#include "cli/cli_options.h"

namespace tarvo::cli {

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == flag) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

std::string takeValue(std::vector<std::string>& args, const std::string& option) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == option) {
            if (it + 1 == args.end()) throw UsageError{option + " needs a value"};
            std::string value = *(it + 1);
            args.erase(it, it + 2);
            return value;
        }
    }
    return {};
}

void expectNoMore(const std::vector<std::string>& args) {
    if (!args.empty()) throw UsageError{"unexpected argument " + args.front()};
}

}  // namespace tarvo::cli
