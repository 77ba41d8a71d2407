#!/usr/bin/env bash
# The main job without a display: the command line talks to the built-in simulated
# line — finds its loggers, reads the first one's properties, uploads its recorded
# week into a logger data file and shows what the file holds.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/bin/tarvo-cli
folder=${TARVO_DATA_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/Tarvo}
mkdir -p "$folder"
file="$folder/demo-week.orx"

echo "== tarvo-cli --demo scan   (the demo line: loggers at addresses 1, 2 and 7)"
"$cli" --demo scan
echo
echo "== tarvo-cli --demo connect"
"$cli" --demo connect
echo
echo "== tarvo-cli --demo upload -o $file   (a week at 9600 baud takes about 20 s)"
"$cli" --demo upload -o "$file"
echo
echo "== tarvo-cli show $file"
"$cli" show "$file"
