// The fleet over the demo line at 9600 baud, in virtual time. The counters are
// seconds on the line (not the benchmark's own time): a scan of 1..100 against its
// bound (97 answer timeouts plus the three connects), and a collect of the three
// loggers against the sum of their single connects and uploads.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/history_upload.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"
#include "workstation/fleet.h"

namespace tarvo {
namespace {

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);

class SilentMessenger : public Messenger {
  public:
    Answer show(const Message& m) override {
        return m.buttons == MessageButtons::Ok ? Answer::Ok : Answer::Yes;
    }
};

class DropPages : public HistorySink {
  public:
    bool showHistory(const std::vector<Bytes>&, const LoggerParameters&) override { return true; }
};

// The demo line at 9600 baud with the store's defaults (OverTime 200 ms, ResendTime 3).
struct Line {
    Line() {
        std::vector<SimLogger*> all;
        for (SimConfig c : demoLine()) {
            c.growRecords = false;
            loggers.push_back(std::make_unique<SimLogger>(c, kPcNow));
            all.push_back(loggers.back().get());
        }
        port = std::make_unique<SimSerialPort>(
            all, SimLine{}, [this] { return timers.elapsedMs(); }, [this] { return timers.now(); });
        engine = std::make_unique<TransactionEngine>(timers, *port, messenger, settings, params);
    }
    double seconds(const std::function<bool()>& done) {
        const auto begun = timers.elapsedMs();
        timers.runUntil(done, 24LL * 3600 * 1000);
        return static_cast<double>(timers.elapsedMs() - begun) / 1000.0;
    }

    VirtualTimers timers{kPcNow};
    SilentMessenger messenger;
    ProgramSettings settings;
    LoggerParameters params;
    DisplayNames names;
    std::vector<std::unique_ptr<SimLogger>> loggers;
    std::unique_ptr<SimSerialPort> port;
    std::unique_ptr<TransactionEngine> engine;
};

void BM_ScanOfAHundredAddresses(benchmark::State& state) {
    double scan = 0;
    double bound = 0;
    for (auto _ : state) {
        Line line;
        // The bound: one connect of each logger, and one timeout for each other address.
        double connects = 0;
        for (const int a : {1, 2, 7}) {
            line.engine->connectLogger(a, Variant::XY002);
            connects += line.seconds([&] { return !line.engine->busy(); });
        }
        bound = connects + 97 * line.settings.OverTime / 1000.0;
        Fleet fleet(*line.engine, line.names);
        fleet.scan(1, 100);
        scan = line.seconds([&] {
            fleet.poll();
            return !fleet.running();
        });
        benchmark::DoNotOptimize(fleet.found());
    }
    state.counters["line_s"] = scan;
    state.counters["bound_s"] = bound;
}
BENCHMARK(BM_ScanOfAHundredAddresses)->Unit(benchmark::kMillisecond);

void BM_CollectOfTheDemoLine(benchmark::State& state) {
    char pattern[] = "/tmp/tarvo-fleet-bench-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(pattern);
    double collect = 0;
    double singles = 0;
    for (auto _ : state) {
        Line line;
        singles = 0;
        {
            DropPages sink;
            HistoryUpload upload(*line.engine, sink);
            for (const int a : {1, 2, 7}) {
                line.engine->connectLogger(a, Variant::XY002);
                singles += line.seconds([&] { return !line.engine->busy(); });
                upload.start(a);
                singles += line.seconds([&] { return !line.engine->busy(); });
            }
        }
        Fleet fleet(*line.engine, line.names);
        fleet.collect({1, 2, 7}, {dir, {"orx"}, {}, false});
        collect = line.seconds([&] {
            fleet.poll();
            return !fleet.running();
        });
        benchmark::DoNotOptimize(fleet.failures());
    }
    std::filesystem::remove_all(dir);
    state.counters["line_s"] = collect;
    state.counters["single_uploads_s"] = singles;
}
BENCHMARK(BM_CollectOfTheDemoLine)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo
