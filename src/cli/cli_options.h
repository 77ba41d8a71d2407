#pragma once
// The command line: global options, the command and its arguments.

#include <optional>
#include <string>
#include <vector>

namespace tarvo::cli {

struct GlobalOptions {
    std::optional<std::string> port;
    int address = 1;
    std::optional<int> baud;
    std::optional<std::string> parity;
    std::optional<int> timeoutMs;
    std::optional<int> resend;
    std::optional<int> protocol;
    bool yes = false;
    bool demo = false;
    bool strictTiming = false;
};

struct CommandLine {
    GlobalOptions global;
    std::string command;
    std::vector<std::string> args;
    bool help = false;
};

// Thrown for a usage error (exit status 2).
struct UsageError {
    std::string message;
};

CommandLine parseCommandLine(const std::vector<std::string>& argv);

extern const char* const kUsageText;

}  // namespace tarvo::cli
