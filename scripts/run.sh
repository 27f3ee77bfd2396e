#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program from its program folder build/bin/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program on a virtual display (xvfb-run)."
  exec xvfb-run -a build/bin/ostiva
fi
exec build/bin/ostiva
