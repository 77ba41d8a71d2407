#pragma once
// A small logger data file for the workstation's tests. Written from a unit of its
// own: the file module's header and the serial line's cannot share one.

#include <filesystem>

namespace tarvo::test {

inline constexpr int kFixtureChannels = 2;
inline constexpr int kFixtureRecords = 10;

// Two channels (0 and 2), ten records, user "文件用户", title "文件标题".
bool writeFixtureLoggerFile(const std::filesystem::path& path);

}  // namespace tarvo::test
