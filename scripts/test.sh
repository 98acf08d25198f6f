#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test.
# First the core tests under AddressSanitizer and UndefinedBehaviorSanitizer, then the full
# build (front end, GUI tests, real FTP clients); the last line is CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/ohmkit-runtime.XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

echo "== core tests under ASan + UBSan"
bash scripts/build.sh build-asan -DOHMKIT_SANITIZE=ON -DOHMKIT_GUI=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$(nproc)" -LE 'clients|gui|browser' --output-on-failure

echo "== all tests"
bash scripts/build.sh build
ctest --test-dir build -j"$(nproc)" --output-on-failure
