#include "workstation/orx_fixture.h"

#include <vector>

#include "core/date_time.h"
#include "files/logger_data_file.h"

namespace tarvo::test {

bool writeFixtureLoggerFile(const std::filesystem::path& path) {
    std::vector<ChannelRecord> channels(kFixtureChannels);
    const DateTime start = makeDateTime(2024, 3, 1, 8, 0, 0);
    for (int c = 0; c < kFixtureChannels; ++c) {
        ChannelRecord& r = channels[static_cast<std::size_t>(c)];
        r.channel = static_cast<std::int16_t>(c * 2);
        r.typeText = c == 0 ? "温度" : "湿度";
        r.unitText = c == 0 ? "℃" : "%RH";
        r.rangeLow = -40;
        r.rangeHigh = 100;
        r.userName = "文件用户";
        r.title = "文件标题";
        r.versionDate = makeDateTime(2006, 5, 1);
        r.startTime = start;
        r.stopTime = start + 1;
        r.workStatus = 1;
        for (int i = 0; i < kFixtureRecords; ++i) {
            r.values.push_back(static_cast<float>(20 + c * 30 + i));
            r.times.push_back(start + i / 144.0);  // ten minutes apart
        }
    }
    return static_cast<bool>(writeLoggerDataFile(path, channels));
}

}  // namespace tarvo::test
