#!/usr/bin/env bash
# Times the fleet commands against the built-in demo line at 9600 baud (real time,
# paced like a real line): a scan of 1..100, the single uploads of the three demo
# loggers, and one collect of the same three. Prints one line per figure.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$PWD/build/bin/tarvo-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config   # the store's defaults: 9600 baud, OverTime 200 ms

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }

echo "scan 1..100: $(seconds "$cli" --demo scan) s (bound: 97 x 0.2 s timeouts + 3 answers)"
sum=0
for a in 1 2 7; do
  t=$(seconds "$cli" --demo --address "$a" upload -o "$work/single$a.orx")
  echo "upload of address $a: $t s"
  sum=$(echo "$sum + $t" | bc)
done
echo "sum of the single uploads: $sum s"
echo "collect of 1,2,7: $(seconds "$cli" --demo collect --addresses 1,2,7 --out-dir "$work/out") s"
