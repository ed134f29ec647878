#!/usr/bin/env bash
# Installs the MSI into a fresh wine prefix as a user would, quietly: both programs in
# Program Files\kvxsetup, the installed kvxctl.exe naming the version, the Start-menu entry,
# the Add/Remove Programs entry, a .gdb document opened by a double click's association; then
# a newer package of the same upgrade code over it, which must replace it; then uninstalls
# and checks that nothing is left. Needs an X display for the window, and wixl.
#   check-msi.sh PACKAGE.msi VERSION
# The newer package is built from the source the build left in the folder msi beside it.
set -euo pipefail

msi=$(realpath "$1")
version=$2
fail() {
  echo "check-msi: $*" >&2
  exit 1
}

# A prefix of its own beside the package, so no earlier install can hide a fault.
WINEPREFIX=$(mktemp -d "$(dirname "$msi")/wine-msi-XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
documents=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$documents"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1

program_dir="$WINEPREFIX/drive_c/Program Files/kvxsetup"
# Wine keeps the Start menu of all users in the user's own.
start_menu_entry() { find "$WINEPREFIX/drive_c" -name 'kvxGDB Setup.lnk' | grep -q .; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# Waits up to a minute for `condition` (a command) to hold.
eventually() {
  for _ in $(seq 600); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

echo "== install"
wine msiexec /i "$msi" /qn
for file in kvxsetup.exe kvxctl.exe README.txt; do
  [ -f "$program_dir/$file" ] || fail "$file is not in Program Files\\kvxsetup"
done
start_menu_entry || fail "no Start-menu entry"
installed=$(wine 'C:\Program Files\kvxsetup\kvxctl.exe' --version | tr -d '\r')
grep -qx "kvxctl $version" <<<"$installed" || fail "the installed kvxctl says: $installed"
entry=$(wine reg query "$uninstall_key" /s | tr -d '\r')
grep -q "DisplayName.*kvxGDB Setup" <<<"$entry" || fail "no Add/Remove Programs entry"
grep -q "DisplayVersion.*$version" <<<"$entry" || fail "the entry names no version $version"
grep -q "Publisher.*The kvxsetup developers" <<<"$entry" || fail "the entry names no publisher"
icon=$(wine reg query 'HKCR\kvxsetup.Document\DefaultIcon' | tr -d '\r')
grep -q 'kvxsetup.exe,1' <<<"$icon" || fail "documents have no icon of their own: $icon"

echo "== open a document through its association"
# A new document as saved, which the window lists first among its recent files once open.
printf '\003\000\000\000\000\000\0070.0.0.0\017255.255.255.255\000\017255.255.255.255\017255.255.255.255\000\000' \
  >"$documents/association.gdb"
wine start /unix "$documents/association.gdb"
profile_lists_document() {
  local profile
  profile=$(find "$WINEPREFIX/drive_c/users" -name kvxsetup.ini -print -quit)
  [ -n "$profile" ] && iconv -f UTF-16 -t UTF-8 "$profile" | grep -q 'File1=.*association\.gdb'
}
eventually profile_lists_document || fail "the window did not open the document"
wineserver -k
wineserver -w

echo "== upgrade"
newer_version=99.0.0
newer="$documents/newer.msi"
sed "s/Version=\"$version\"/Version=\"$newer_version\"/" "$(dirname "$msi")/msi/kvxsetup.wxs" \
  >"$(dirname "$msi")/msi/newer.wxs"
(cd "$(dirname "$msi")/msi" && wixl --arch x64 --output "$newer" newer.wxs && rm newer.wxs)
wine msiexec /i "$newer" /qn
entries=$(wine reg query "$uninstall_key" /s | tr -d '\r' | grep -c 'DisplayName.*kvxGDB Setup' || true)
[ "$entries" = 1 ] || fail "$entries Add/Remove Programs entries after the upgrade"
wine reg query "$uninstall_key" /s | tr -d '\r' | grep -q "DisplayVersion.*$newer_version" ||
  fail "the upgrade did not replace version $version"

echo "== uninstall"
wine msiexec /x "$newer" /qn
[ ! -e "$program_dir" ] || fail "Program Files\\kvxsetup is left: $(ls "$program_dir")"
! start_menu_entry || fail "the Start-menu entry is left"
! wine reg query 'HKCR\.gdb' >/dev/null 2>&1 || fail "the .gdb association is left"
! wine reg query 'HKCR\kvxsetup.Document' >/dev/null 2>&1 || fail "the document type is left"
! wine reg query "$uninstall_key" /s 2>/dev/null | grep -q 'kvxGDB Setup' ||
  fail "the Add/Remove Programs entry is left"
echo "check-msi: installed, opened a document, uninstalled cleanly"
