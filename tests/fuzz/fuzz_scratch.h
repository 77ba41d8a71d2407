#pragma once
// A folder of this fuzzing process's own under the temporary folder (tarvo-fuzz-KIND-PID),
// made when asked for: a target that writes files writes them only there.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::fuzz {

inline std::filesystem::path scratchFolder(std::string_view kind) {
    auto path = std::filesystem::temp_directory_path() /
                ("tarvo-fuzz-" + std::string(kind) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
}

}  // namespace tarvo::fuzz
