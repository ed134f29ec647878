#!/usr/bin/env bash
# Checks a built package: Debian's and the desktop's validators, then the programs as
# unpacked from it, which must run from there and name the version CMake set.
#   check-package.sh PACKAGE.deb VERSION
set -euo pipefail

deb=$1
version=$2
fail() {
  echo "check-package: $*" >&2
  exit 1
}

echo "== lintian"
# Errors fail the check; warnings are printed for the record.
lintian --fail-on error --allow-root --tag-display-limit 0 "$deb"

root=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$root"

echo "== desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== documents are recognised by their content, not by the name .gdb"
mime=$root/mime-check
mkdir -p "$mime/mime/packages"
cp "$root/usr/share/mime/packages/kvxsetup.xml" "$mime/mime/packages/"
XDG_DATA_DIRS="$mime:/usr/share" update-mime-database "$mime/mime"
content_type() { XDG_DATA_DIRS="$mime:/usr/share" gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
cp "$(dirname "$0")/../demo/lab.gdb" "$root/lab.gdb"
cp "$root/lab.gdb" "$root/lab.settings"
printf 'target remote :3333\nbreak main\n' >"$root/commands.gdb"
[ "$(content_type "$root/lab.gdb")" = application/x-kvxsetup-gdb ] || fail "a document is not recognised"
[ "$(content_type "$root/lab.settings")" = application/x-kvxsetup-gdb ] ||
  fail "a document under another name is not recognised"
[ "$(content_type "$root/commands.gdb")" = text/plain ] || fail "a GDB command file is claimed"

echo "== the version"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
for program in kvxctl kvxsim; do
  "$root/usr/bin/$program" --version | grep -qx "$program $version" ||
    fail "$program --version does not say $version"
done
QT_QPA_PLATFORM=offscreen "$root/usr/bin/kvxsetup" --version | grep -qx "kvxsetup $version" ||
  fail "kvxsetup --version does not say $version"

echo "== kvxctl info against kvxsim, both unpacked"
"$root/usr/bin/kvxsim" --serial PKGCHECK >"$root/kvxsim.out" &
sim_pid=$!
for _ in $(seq 100); do
  [ -s "$root/kvxsim.out" ] && break
  sleep 0.1
done
terminal=$(head -n 1 "$root/kvxsim.out")
[ -n "$terminal" ] || fail "kvxsim did not name its terminal"
"$root/usr/bin/kvxctl" info --port "$terminal" --speed 57600 | grep -q "PKGCHECK" ||
  fail "kvxctl info did not show the simulated probe"
echo "package checks passed: $deb"
