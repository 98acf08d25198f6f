#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds build/ (options as for
# scripts/build.sh), then CPack makes build/ohmkit_VERSION_ARCH.deb.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
bash scripts/build.sh build "$@"
(cd build && cpack -G DEB)
ls "$here"/build/ohmkit_*.deb
