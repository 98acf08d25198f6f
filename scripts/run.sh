#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts Ohmkit.
# With a display it opens the window; without one it says so and explains the headless modes.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
bash scripts/build.sh build
exec ./build/src/main/ohmkit "$@"
