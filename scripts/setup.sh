#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (only what is missing), then configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libxlsxwriter-dev zlib1g-dev
          libzip-dev libpugixml-dev libgtest-dev python3 python3-openpyxl python3-docx python3-pil xvfb xauth
          openbox xdotool fonts-noto-cjk qt6-translations-l10n)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# OSTIVA_WERROR=ON in the environment (as .ci/run sets it) treats warnings as errors.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTIVA_WERROR="${OSTIVA_WERROR:-OFF}" >/dev/null
cmake --build build -j"$(nproc)"
