#include "cli/summary_command.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "cli/arguments.h"
#include "cli/cli_options.h"
#include "cli/json_output.h"
#include "data/channel_summary.h"
#include "data/history_document.h"
#include "files/file_names.h"
#include "workstation/document_commands.h"

namespace tarvo::cli {

namespace {

struct SummaryArguments {
    std::string file;
    double energy = kDefaultActivationEnergy;
    bool json = false;
};

SummaryArguments parseArguments(std::vector<std::string> args) {
    SummaryArguments parsed;
    parsed.json = takeFlag(args, "--json");
    const bool energyGiven = std::find(args.begin(), args.end(), "--energy") != args.end();
    const std::string energyText = takeValue(args, "--energy");
    if (energyGiven) {
        const auto energy = parseActivationEnergy(energyText);
        if (!energy) throw UsageError{"--energy needs a positive number of kJ/mol"};
        parsed.energy = *energy;
    }
    if (args.empty()) throw UsageError{"summary needs one FILE"};
    parsed.file = args.front();
    args.erase(args.begin());
    expectNoMore(args);
    return parsed;
}

nlohmann::ordered_json optionalNumber(std::optional<double> value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json optionalFloat(std::optional<float> value) {
    return value ? nlohmann::ordered_json(floatForJson(*value)) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json summaryJson(const std::vector<ChannelSummary>& summaries, double energy) {
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    for (const ChannelSummary& s : summaries) {
        nlohmann::ordered_json c;
        c["channel"] = s.channel;
        c["unit"] = s.unit;
        c["records"] = s.records;
        c["min"] = optionalFloat(s.min);
        c["max"] = optionalFloat(s.max);
        c["mean"] = optionalNumber(s.mean);
        c["alarmLow"] = floatForJson(s.alarmLow);
        c["alarmHigh"] = floatForJson(s.alarmHigh);
        const std::optional<ExcursionFigures>& f = s.limits;
        c["secondsAboveHigh"] = f ? nlohmann::ordered_json(f->secondsAboveHigh) : nullptr;
        c["secondsBelowLow"] = f ? nlohmann::ordered_json(f->secondsBelowLow) : nullptr;
        c["excursions"] = f ? nlohmann::ordered_json(f->excursions) : nullptr;
        if (f && f->longest) {
            c["longestExcursion"] = {{"start", f->longest->start},
                                     {"end", f->longest->end},
                                     {"seconds", f->longest->seconds}};
        } else {
            c["longestExcursion"] = nullptr;
        }
        c["mkt"] = optionalNumber(s.mkt);
        channels.push_back(std::move(c));
    }
    nlohmann::ordered_json j;
    j["activationEnergy"] = energy;
    j["channels"] = std::move(channels);
    return j;
}

}  // namespace

int runSummary(std::vector<std::string> args) {
    const SummaryArguments parsed = parseArguments(std::move(args));
    HistoryDocument doc;
    const CommandOutcome opened =
        openDocumentFile(doc, pathFromText(parsed.file), kDefaultPlotWidthTwips);
    if (!opened) {
        if (opened.message) std::cerr << opened.message->text << '\n';
        if (!opened.detail.empty() && (!opened.message || opened.detail != opened.message->text)) {
            std::cerr << "tarvo-cli: " << opened.detail << '\n';
        }
        return 1;
    }
    const std::vector<ChannelSummary> summaries =
        summarizeChannels(doc.channels, 1, doc.sampleCount(), parsed.energy);
    if (parsed.json) {
        std::cout << summaryJson(summaries, parsed.energy)
                         .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << '\n';
        return 0;
    }
    // One line per channel, the cells of the summary tab with the channel as its number.
    for (const ChannelSummary& s : summaries) {
        std::vector<std::string> cells = summaryCells(s);
        cells.front() = std::to_string(s.channel);
        const char* separator = "";
        for (const std::string& cell : cells) {
            std::cout << separator << cell;
            separator = "\t";
        }
        std::cout << '\n';
    }
    return 0;
}

}  // namespace tarvo::cli
