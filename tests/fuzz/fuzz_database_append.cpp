// The database append into a hostile ".mdb": the input is the file's bytes (an SQLite
// file whose tables have other shapes, or no database at all). The append must fail
// or succeed, never crash.
#include <filesystem>
#include <fstream>

#include "files/database_export.h"
#include "files/save_target.h"
#include "files/template_locator.h"
#include "fuzz_scratch.h"

namespace {

std::vector<tarvo::ChannelRecord> twoChannels() {
    std::vector<tarvo::ChannelRecord> channels(2);
    for (std::size_t c = 0; c < channels.size(); ++c) {
        auto& channel = channels[c];
        channel.channel = static_cast<std::int16_t>(c);
        channel.values = {1.5F, 2.5F, -3.0F};
        channel.times = {46000.0, 46000.1, 46000.2};
        channel.typeText = "温度      ";
        channel.unitText = "℃        ";
        channel.userName = "user";
        channel.title = "title";
    }
    return channels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    static const std::filesystem::path folder = fuzz::scratchFolder("mdb");
    static const std::vector<ChannelRecord> channels = twoChannels();
    const auto file = folder / "hostile.mdb";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const TemplateLocator templates(folder / "missing-template.mdb");
    const ExportSource source{channels, ExportOrigin::History};
    (void)appendDatabase(source, SaveTarget::file(file), templates, "line");
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::filesystem::remove(folder / "hostile.mdb-journal", ignored);
    return 0;
}
