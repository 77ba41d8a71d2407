// The database append to a PostgreSQL server: the fullest history (8 channels of
// 65,535 records) appended over the local socket, once into an empty table and once
// again (every row already held). The server is named by TARVO_BENCH_SERVER, a URI;
// without it these benchmarks report an error and measure nothing. For a private
// server: scripts/test_cluster.sh start /tmp/tarvo-bench, then
// TARVO_BENCH_SERVER='postgresql://tarvo@/postgres?host=/tmp/tarvo-bench'.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "files/database_export.h"

namespace tarvo {
namespace {

constexpr int kChannels = 8;
constexpr int kRecords = 65535;

std::vector<ChannelRecord> fullestHistory() {
    std::vector<ChannelRecord> channels;
    for (int c = 0; c < kChannels; ++c) {
        ChannelRecord r;
        r.channel = static_cast<std::int16_t>(c);
        r.deviceAddress = 9;
        r.values.reserve(kRecords);
        r.times.reserve(kRecords);
        for (int j = 0; j < kRecords; ++j) {
            r.values.push_back(static_cast<float>(c * 10) + 0.1f * static_cast<float>(j % 997));
            r.times.push_back(46000.0 + j / 1440.0);
        }
        channels.push_back(std::move(r));
    }
    return channels;
}

const char* server() {
    return std::getenv("TARVO_BENCH_SERVER");
}

// Empties the data table (when there is one) so that every row is new again.
void emptyTable(const char* uri) {
    PGconn* c = PQconnectdb(uri);
    PQclear(PQexec(c, "DROP TABLE IF EXISTS \"数据记录表\""));
    PQfinish(c);
}

void BM_ServerAppend(benchmark::State& state) {
    const char* uri = server();
    if (!uri) {
        state.SkipWithError("TARVO_BENCH_SERVER names no server");
        return;
    }
    const bool again = state.range(0) != 0;
    const auto channels = fullestHistory();
    const ExportSource source{channels, ExportOrigin::History};
    const TemplateLocator templates;
    emptyTable(uri);
    if (again) appendDatabase(source, SaveTarget::server(uri), templates, "bench");
    for (auto _ : state) {
        if (!again) {
            state.PauseTiming();
            emptyTable(uri);
            state.ResumeTiming();
        }
        const DatabaseResult r =
            appendDatabase(source, SaveTarget::server(uri), templates, "bench");
        if (!r || r.newRows != (again ? 0 : kRecords)) state.SkipWithError(r.reason.c_str());
    }
    emptyTable(uri);
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ServerAppend)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("again")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace tarvo
