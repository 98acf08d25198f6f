#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [cmake options...]
# Configure prints its warnings (a test group it had to leave out, for one) and nothing else.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: scripts/build.sh DIR [cmake options...]" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake --log-level=WARNING -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j"$(nproc)"
