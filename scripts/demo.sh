#!/usr/bin/env bash
# The main job without a display: talk to the built-in simulated logger from the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/bin/tarvo-cli
"$cli" --help
