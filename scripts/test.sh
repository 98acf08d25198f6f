#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test.
# First the core tests under AddressSanitizer and UndefinedBehaviorSanitizer, then the full
# build (front end, GUI tests, real FTP clients); the last line is CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh

# A private runtime folder for Qt when the session has none, removed again at the end.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d /tmp/ohmkit-runtime.XXXXXX)"
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

echo "== core tests under ASan + UBSan"
bash scripts/build.sh build-asan -DOHMKIT_SANITIZE=ON -DOHMKIT_GUI=OFF -DOHMKIT_WERROR=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$(nproc)" -LE 'clients|gui|browser' --output-on-failure

echo "== all tests"
bash scripts/build.sh build -DOHMKIT_WERROR=ON
ctest --test-dir build -j"$(nproc)" --output-on-failure
