#!/usr/bin/env bash
# Installs the two peer FTP servers that `ftp_bench --peers` runs beside Ohmkit (Debian 12, as
# root, only when missing). The benchmark starts them itself on free loopback ports with its
# own configuration; the packages' system services are kept from starting here.
set -euo pipefail

packages=(vsftpd python3-pyftpdlib)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "setup_peers: installing ${missing[*]} needs root" >&2
  exit 1
fi

# A package's service would listen on port 21 of every address: forbid starting services
# during the install unless the machine already has its own rule.
policy=/usr/sbin/policy-rc.d
made_policy=no
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy"
  chmod 755 "$policy"
  made_policy=yes
fi
trap '[ "$made_policy" = yes ] && rm -f "$policy"' EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=900 update -qq
apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
