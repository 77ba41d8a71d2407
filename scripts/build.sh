#!/usr/bin/env bash
# scripts/build.sh [normal|sanitize|fuzz]: configure (once) and build one of the builds
# (fuzz: clang, the Qt-free libraries and the libFuzzer targets).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-normal}
case "$kind" in
  normal)   dir=build;      extra=() ;;
  sanitize) dir=build-asan; extra=(-DTARVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTARVO_BUILD_BENCHMARKS=OFF) ;;
  fuzz)     dir=build-fuzz; extra=(-DCMAKE_CXX_COMPILER=clang++ -DTARVO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  *) echo "usage: $0 [normal|sanitize|fuzz]" >&2; exit 2 ;;
esac
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Paths relative to the checkout, so that a second clone or work tree reuses the cache.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${gen[@]}" "${launcher[@]}" "${extra[@]}" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
