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
# A new folder is made for Ninja: it skips a step whose output came out unchanged, so a build
# with nothing changed does nothing (under make, the QML tools' always-run steps rebuild every
# QML cache and relink the front end each time). A folder made earlier keeps its generator.
generator=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
  generator=(-G Ninja)
fi
cmake --log-level=WARNING -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${generator[@]}" "$@"
cmake --build "$dir" -j"$(nproc)"
