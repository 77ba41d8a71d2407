// Writes the seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/) from what the
// program itself makes: the simulated logger's answers, a logger data file, the
// simulator's configuration, the settings as saved, the template database.
//   tarvo_fuzz_seeds CORPUS_FOLDER
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/memory_settings_store.h"
#include "core/settings.h"
#include "files/database_schema.h"
#include "files/logger_data_file.h"
#include "fuzz_layouts.h"
#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"

namespace fs = std::filesystem;
using namespace tarvo;

namespace {

void put(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void put(const fs::path& file, std::uint8_t pick, const Bytes& answer) {
    std::string bytes(1, static_cast<char>(pick));
    bytes.append(answer.begin(), answer.end());
    put(file, bytes);
}

bool makeDatabase(const fs::path& file, const std::string& script) {
    fs::remove(file);
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, ("PRAGMA page_size=512;" + script).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvo_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    const DateTime now = 46000.5;

    const SimConfig config = demoConfig();
    SimLogger logger(config, now);
    const int address = logger.address();
    const auto answers = out / "fuzz_answers";
    put(answers / "xy002", 0, logger.parameterAnswer(now));
    put(answers / "xy001-block1", 1, logger.firstBlockAnswer());
    // The target gives the first half of its input to block 1, the second to block 2.
    Bytes blocks = logger.firstBlockAnswer();
    Bytes second = logger.secondBlockAnswer();
    const std::size_t half = std::max(blocks.size(), second.size());
    blocks.resize(half, 0);
    second.resize(half, 0);
    blocks.insert(blocks.end(), second.begin(), second.end());
    put(answers / "xy001-blocks", 2, blocks);
    if (auto live = logger.answer(liveFrame(address), now)) put(answers / "live", 3, *live);
    if (auto ack = logger.answer(clockFrame(address, toCivil(now)), now))
        put(answers / "clock-ack", 4, *ack);

    // The history restore: the demo logger's parameters as the workstation decodes them,
    // with its first pages, and with all of them (the page number stops rising at the end).
    fuzz::RestoreInput restore;
    restore.plotWidth = 800;
    if (!decodeXY002(logger.parameterAnswer(now), restore.params)) {
        std::fprintf(stderr, "tarvo_fuzz_seeds: the demo logger's parameters did not decode\n");
        return 1;
    }
    computeDerivedMembers(restore.params);
    auto page = logger.answer(historyFrame(address, HistoryRequest::FirstXY002), now);
    while (page && restore.pages.size() < fuzz::kMostPages) {
        const bool repeated = !restore.pages.empty() && *page == restore.pages.back();
        restore.pages.push_back(*page);
        if (repeated) break;
        page = logger.answer(historyFrame(address, HistoryRequest::NextPage), now);
    }
    const auto writeRestore = [&](const std::string& name, std::size_t pages) {
        fuzz::RestoreInput seed = restore;
        seed.pages.resize(std::min(pages, seed.pages.size()));
        fuzz::FuzzInputWriter writer;
        fuzz::writeRestoreInput(writer, seed);
        put(out / "fuzz_history_restore" / name, writer.bytes());
    };
    writeRestore("demo-first-pages", 2);
    writeRestore("demo-all-pages", fuzz::kMostPages);

    // The live daily file: the demo logger's live answer under two channels.
    fuzz::LiveInput live;
    live.name = "实时数据";
    live.channels = {{"温度", "℃", 80, -40}, {"湿度", "%RH", 100, 0}};
    live.now = now;
    if (auto answer = logger.answer(liveFrame(address), now)) live.frame = *answer;
    fuzz::FuzzInputWriter liveWriter;
    fuzz::writeLiveInput(liveWriter, live);
    put(out / "fuzz_live_file" / "demo-two-channels", liveWriter.bytes());

    std::vector<ChannelRecord> channels(2);
    for (std::size_t c = 0; c < channels.size(); ++c) {
        channels[c].channel = static_cast<std::int16_t>(c);
        channels[c].typeText = "温度";
        channels[c].unitText = "℃";
        for (int k = 0; k < 8; ++k) {
            channels[c].values.push_back(static_cast<float>(k) * 1.5F - 3.0F);
            channels[c].times.push_back(now + k / 1440.0);
        }
    }
    const Bytes file = encodeLoggerDataFile(channels);
    put(out / "fuzz_logger_file" / "two-channels.orx", std::string(file.begin(), file.end()));

    put(out / "fuzz_sim_config" / "demo.json", simConfigToJson(config));

    MemorySettingsStore saved;
    saveSettings(saved, ProgramSettings{}, DisplayNames{});
    std::string lines;
    for (const auto& [section, key, value] : saved.writes())
        if (!value.empty() || lines.size() < 2048) lines += section + "\t" + key + "\t" + value + "\n";
    put(out / "fuzz_settings" / "defaults", lines);

    const auto db = out / "fuzz_database_append";
    fs::create_directories(db);
    if (!makeDatabase(db / "template.mdb", sqliteSchemaScript()) ||
        !makeDatabase(db / "other-shapes.mdb",
                      "CREATE TABLE \"" + std::string(configTable().name) + "\"(x); CREATE TABLE \"" +
                          std::string(dataTable().name) + "\"(a INTEGER PRIMARY KEY, b BLOB);")) {
        std::fprintf(stderr, "tarvo_fuzz_seeds: the databases could not be made\n");
        return 1;
    }
    return 0;
}
