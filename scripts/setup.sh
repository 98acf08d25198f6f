#!/usr/bin/env bash
# Installs what the build and the tests need, only when it is missing (Debian 12, as root).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libutf8proc-dev
  qt6-base-dev qt6-declarative-dev qt6-svg-dev qt6-pdf-dev libqt6svg6 libgl-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
  qml6-module-qtquick-pdf qml6-module-qtquick-dialogs qml6-module-qttest
  curl lftp python3 attr wget rclone tnftp ncftp
  gvfs-backends gvfs-daemons libglib2.0-bin dbus-daemon kio kde-cli-tools
  libmicrohttpd-dev chromium nodejs
  dpkg-dev fakeroot desktop-file-utils appstream lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -qq
  apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser test drives Debian's chromium through puppeteer-core, pinned in tests/browser;
# the browser itself is never downloaded.
if [ -f "$here/tests/browser/package.json" ] && [ ! -d "$here/tests/browser/node_modules/puppeteer-core" ]; then
  if command -v npm >/dev/null 2>&1; then
    (cd "$here/tests/browser" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  else
    echo "setup: npm is missing; the browser test will be skipped" >&2
  fi
fi
