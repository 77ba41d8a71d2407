#include "cli/cli_options.h"

#include <charconv>

#include "core/settings.h"

namespace tarvo::cli {

const char* const kUsageText =
    "usage: tarvo-cli [GLOBAL OPTIONS] COMMAND [ARGS]\n"
    "\n"
    "global options (defaults come from the settings the workstation stores):\n"
    "  --port DEV          serial device: a path such as /dev/ttyUSB0, or COMn\n"
    "  --address N         device address 1..100 (default 1)\n"
    "  --baud N            line speed: 1200, 2400, 4800, 9600, 19200, 38400, 57600\n"
    "                      or 115200\n"
    "  --parity L          n, o, e, s or m\n"
    "  --timeout MS        standard answer timeout\n"
    "  --resend N          transmissions of one frame before an exchange fails\n"
    "  --protocol 1|2      1 = XY-001, 2 = XY-002 (default 2)\n"
    "  --strict-timing     take every answer by the three-tick completion rule only\n"
    "  --yes               answer Yes to every question (otherwise No)\n"
    "  --demo              talk to the built-in simulated line instead of a port (the\n"
    "                      demo logger at address 1, two more at 2 and 7)\n"
    "\n"
    "commands:\n"
    "  connect [--json]                  read the logger's parameters\n"
    "  upload -o FILE                    upload the history and save it as FILE (orx, mdb,\n"
    "                                    csv, doc or txt by its last three characters)\n"
    "  show FILE [--json]                show a logger data file\n"
    "  convert IN OUT [--append]         save the logger data file IN as OUT; --append adds\n"
    "                                    its records to the database OUT\n"
    "  summary FILE [--energy KJ] [--json]\n"
    "                                    excursions and mean kinetic temperature of a\n"
    "                                    logger data file (activation energy default 83.144)\n"
    "  live --count N [--interval S] [--save-dir DIR]\n"
    "                                    poll N live samples, one every S seconds; with\n"
    "                                    --save-dir also append them to DIR's daily file\n"
    "  restart [--set NAME=VALUE]...     apply the edits, write the parameters and restart\n"
    "                                    the logger (it clears the logger's memory)\n"
    "  stop                              stop the logger's recording\n"
    "  power normal|saving               set the power mode\n"
    "  reset N                           send the reset of level N (1..5)\n"
    "  clock [now|\"YYYY-MM-DD HH:MM:SS\"] set the logger clock (default now)\n"
    "  sms-numbers N1 N2 N3              program the SMS alarm numbers (\"\" for none)\n"
    "  sms-password OLD NEW              change the SMS password (eight digits each)\n"
    "  scan [--from A] [--to B] [--json]  find the loggers at addresses A..B (1..100)\n"
    "  collect [--addresses LIST] --out-dir DIR [--format EXT[,EXT]...] [--database FILE]\n"
    "                                    upload every logger of LIST (\"1,3,5-9\"; default:\n"
    "                                    every logger a scan finds) and save each history\n"
    "  simulate [--config FILE.json]... [--no-pace]\n"
    "                                    serve a simulated line on a new pseudo-terminal, one\n"
    "                                    logger per --config (default: the demo line)\n";

namespace {

int parseInt(const std::string& option, const std::string& text, int low, int high) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) {
        throw UsageError{option + ": not a number in " + std::to_string(low) + ".." +
                         std::to_string(high) + ": " + text};
    }
    return value;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& argv) {
    CommandLine cl;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> std::string {
        if (i + 1 >= argv.size()) throw UsageError{option + " needs a value"};
        return argv[++i];
    };
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--help" || a == "-h") {
            cl.help = true;
        } else if (a == "--port") {
            cl.global.port = value(a);
        } else if (a == "--address") {
            cl.global.address = parseInt(a, value(a), 1, 100);
        } else if (a == "--baud") {
            const std::string text = value(a);
            const int baud = parseInt(a, text, 1, 115200);
            if (!isLineSpeed(baud)) {
                throw UsageError{"--baud: one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, "
                                 "115200, not " + text};
            }
            cl.global.baud = baud;
        } else if (a == "--parity") {
            const std::string p = value(a);
            if (p.size() != 1 || std::string("noesm").find(p[0]) == std::string::npos) {
                throw UsageError{"--parity: one of n, o, e, s, m"};
            }
            cl.global.parity = p;
        } else if (a == "--timeout") {
            cl.global.timeoutMs = parseInt(a, value(a), 1, 32767);
        } else if (a == "--resend") {
            cl.global.resend = parseInt(a, value(a), 1, 32767);
        } else if (a == "--protocol") {
            cl.global.protocol = parseInt(a, value(a), 1, 2);
        } else if (a == "--yes") {
            cl.global.yes = true;
        } else if (a == "--strict-timing") {
            cl.global.strictTiming = true;
        } else if (a == "--demo") {
            cl.global.demo = true;
        } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
            throw UsageError{"unknown option " + a};
        } else {
            cl.command = a;
            cl.args.assign(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
            break;
        }
    }
    if (cl.command.empty() && !cl.help) throw UsageError{"no command given"};
    return cl;
}

}  // namespace tarvo::cli
