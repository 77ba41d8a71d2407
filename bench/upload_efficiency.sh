#!/usr/bin/env bash
# bench/upload_efficiency.sh [BUILD_DIR]: how much of an upload's wall time the line
# itself takes. For each line speed and both timing modes it serves the demo logger
# with a full memory on a pseudo-terminal (paced at that speed) and times
# `tarvo-cli upload` against it, then prints
#
#   line time = every byte sent and received at 10 bit times per byte, plus the
#               logger's own latency before each answer
#   ratio     = line time / wall time of the whole upload command (connect included)
#
# The machine's load is printed too: on a shared machine read the ratios, not the
# absolute times. Nothing is written outside a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$PWD/$build/bin/tarvo-cli
[ -x "$cli" ] || { echo "no $cli: build tarvo-cli first" >&2; exit 2; }
speeds=${SPEEDS:-9600 38400 115200}
modes=${MODES:-early strict}

work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config

# The demo logger with its memory full: 2867 records of 10 bytes (28,670 data bytes,
# 56 pages of 512), no growth while the upload runs.
width=10
page=512
latency=20
python3 - "$PWD/examples/demo_logger.json" "$work" <<'EOF'
import json, sys
config = json.load(open(sys.argv[1]))
config.update(recordCount=2867, growRecords=False, latencyMs=20, pageSize=512)
for speed in (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200):
    config["baudRate"] = speed
    json.dump(config, open(f"{sys.argv[2]}/sim{speed}.json", "w"), ensure_ascii=False)
EOF

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-7s %-7s %9s %9s %7s\n' baud mode line_s wall_s ratio
for speed in $speeds; do
  for mode in $modes; do
    "$cli" simulate --config "$work/sim$speed.json" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 600); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
    device=$(head -n1 "$work/sim.out")
    [ -n "$device" ] || { echo "the simulator did not start:" >&2; cat "$work/sim.err" >&2; exit 1; }
    strict=()
    [ "$mode" = strict ] && strict=(--strict-timing)
    start=$(date +%s.%N)
    out=$("$cli" --port "$device" --baud "$speed" "${strict[@]}" upload -o "$work/up.orx" 2>"$work/cli.err") || {
      echo "upload failed at $speed ($mode):" >&2; cat "$work/cli.err" >&2; exit 1; }
    end=$(date +%s.%N)
    kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=
    records=$(sed -n 's/.*channels, \([0-9]*\) records/\1/p' <<<"$out")
    # Bytes on the line: connect (6 out, 335 back) and its closing frame (11 out); then
    # one request (6 out) per page answer, a page being its data plus 9 framing bytes;
    # the logger ends the upload by repeating the last page.
    python3 - "$records" "$width" "$page" "$latency" "$speed" "$start" "$end" "$mode" <<'EOF'
import math, sys
records, width, page, latency, speed = map(int, sys.argv[1:6])
start, end, mode = float(sys.argv[6]), float(sys.argv[7]), sys.argv[8]
data = records * width
pages = math.ceil(data / page)
last = data - (pages - 1) * page
answers = [335] + [page + 9] * (pages - 1) + [last + 9, last + 9]
sent = 6 + 11 + 6 * (len(answers) - 1)
line = (sent + sum(answers)) * 10 / speed + len(answers) * latency / 1000
wall = end - start
print(f"{speed:<7} {mode:<7} {line:9.2f} {wall:9.2f} {line / wall:7.2f}")
EOF
  done
done
