#!/usr/bin/env bash
# The Debian package's checks, one mode per CTest case:
#   build CPACK_CONFIG WORK   make the package with CPack into WORK/out
#   lint WORK                 its menu entry, metainfo and the package itself pass Debian's tools
#   install WORK BUILT_EXE    install it into a scratch root with dpkg, run the installed program
# Exit status 77 (skipped) when a Debian tool the case needs is missing.
set -euo pipefail

fail() { echo "package test: $*" >&2; exit 1; }
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "package test: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
  done
}
the_deb() {
  local found=("$1"/out/ohmkit_*.deb)
  [ -f "${found[0]}" ] || fail "no package in $1/out"
  echo "${found[0]}"
}

mode="$1"; shift
case "$mode" in
build)
  need cpack dpkg-deb dpkg-shlibdeps fakeroot
  config="$1" work="$2"
  rm -rf "$work/out"
  mkdir -p "$work/out"
  cpack --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
  deb="$(the_deb "$work")"
  contents="$(dpkg-deb -c "$deb")"
  for path in ./usr/bin/ohmkit ./usr/share/applications/ohmkit.desktop \
              ./usr/share/icons/hicolor/48x48/apps/ohmkit.png ./usr/share/icons/hicolor/128x128/apps/ohmkit.png \
              ./usr/share/icons/hicolor/scalable/apps/ohmkit.svg ./usr/share/metainfo/org.ohmkit.ohmkit.metainfo.xml \
              ./usr/share/man/man1/ohmkit.1.gz ./usr/share/doc/ohmkit/copyright ./usr/share/doc/ohmkit/changelog.gz \
              ./usr/share/ohmkit/pages/Wires.htm ./usr/share/ohmkit/pages/BrowserUpload.html \
              ./usr/share/ohmkit/strings/EventSocket.strings ./usr/share/ohmkit/images/res_small.svg; do
    grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
  done
  # Libraries found by dpkg-shlibdeps, beside the QML modules named by hand.
  depends="$(dpkg-deb -f "$deb" Depends)"
  for dep in libc6 libqt6quick6 libqt6gui6 qml6-module-qtquick-controls; do
    grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep: $depends"
  done
  echo "built $deb"
  ;;
lint)
  need dpkg-deb desktop-file-validate appstreamcli lintian
  work="$1"
  deb="$(the_deb "$work")"
  tree="$work/lint-tree"
  rm -rf "$tree"
  dpkg-deb -x "$deb" "$tree"
  desktop-file-validate "$tree/usr/share/applications/ohmkit.desktop"
  appstreamcli validate --no-net "$tree/usr/share/metainfo/org.ohmkit.ohmkit.metainfo.xml"
  # Errors fail; warnings and notes are printed for whoever reads the log.
  status=0
  lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || status=$?
  grep -v 'running with root privileges' "$work/lintian.log" || true
  [ "$status" -eq 0 ] || fail "lintian found errors"
  ;;
install)
  need dpkg curl
  work="$1" built="$2"
  root="$work/root"
  rm -rf "$root" "$work/documents"
  mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$work/documents"
  : >"$root/var/lib/dpkg/status"
  # The scratch root holds none of the dependencies: the host's libraries serve the program.
  dpkg --root="$root" --log=/dev/null --force-depends --force-not-root -i "$(the_deb "$work")" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
  exe="$root/usr/bin/ohmkit"
  [ -x "$exe" ] || fail "no $exe"
  export OHMKIT_DOCUMENTS="$work/documents"

  # The installed program computes what the built one does.
  steps=(ShowResistor pick:pickerView:0:3 pick:pickerView:1:7 pick:pickerView:3:2 pick:pickerView:4:2)
  installed="$("$exe" script "${steps[@]}")" || fail "installed ohmkit script failed"
  expected="$("$built" script "${steps[@]}")"
  [ "$installed" = "$expected" ] || fail "installed ohmkit printed"$'\n'"$installed"$'\n'"where the build prints"$'\n'"$expected"
  grep -q '^labelResults: Resistance: ' <<<"$installed" || fail "no result line: $installed"

  # It reads the pages installed with it, not the source tree's.
  wires="$("$exe" script ShowWiresView)" || fail "installed ohmkit script ShowWiresView failed"
  grep -qF "file://$root/usr/bin/../share/ohmkit/pages/Wires.htm" <<<"$wires" ||
    fail "the installed program did not show its own Wires.htm: $wires"

  # serve: both servers come up on free ports; the FTP greeting and the browser page answer
  # on loopback, and a termination signal stops it cleanly.
  out="$work/serve.out"
  "$exe" serve --port 0 --http-port 0 --documents "$work/documents" >"$out" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  ftp_port="" page=""
  for _ in $(seq 1 100); do
    ftp_port="$(sed -n 's#.* at ftp://127\.0\.0\.1:\([0-9]*\) .*#\1#p' "$out")"
    page="$(sed -n 's#^In a web browser: \(http://127\.0\.0\.1:[0-9]*/[^ ]*\)$#\1#p' "$out")"
    [ -n "$ftp_port" ] && [ -n "$page" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$out"; fail "serve ended early"; }
    sleep 0.1
  done
  [ -n "$ftp_port" ] && [ -n "$page" ] || { cat "$out"; fail "serve printed no addresses"; }
  exec 3<>"/dev/tcp/127.0.0.1/$ftp_port"
  IFS= read -r -t 10 greeting <&3 || fail "no FTP greeting"
  exec 3>&-
  [[ "$greeting" == 220* ]] || fail "FTP greeting: $greeting"
  body="$(curl -sf --max-time 10 "$page")" || fail "the browser page did not answer at $page"
  grep -qi '<html' <<<"$body" || fail "the browser page at $page is not a page: $body"
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  trap - EXIT
  [ "$status" -eq 0 ] || { cat "$out"; fail "serve ended with status $status"; }
  grep -q '^Stopped\.$' "$out" || { cat "$out"; fail "serve did not say it stopped"; }
  echo "installed and ran $exe"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
