#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, then nothing more.
# Idempotent: packages already present are not touched, and apt-get runs only when
# something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n
  libsqlite3-dev sqlite3 nlohmann-json3-dev postgresql libpq-dev
  fonts-wqy-microhei xvfb xauth x11-apps netpbm poppler-utils socat
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
