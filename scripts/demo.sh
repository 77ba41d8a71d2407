#!/usr/bin/env bash
# The main job without a display: the command line talks to the built-in simulated
# logger — connect and show its properties.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/bin/tarvo-cli
echo "== tarvo-cli --demo connect"
"$cli" --demo connect
