#!/usr/bin/env bash
# Makes the Debian package of a native build (cpack) and checks what it holds, unpacked into a
# scratch root: the program, whose libraries all resolve; a desktop entry that
# desktop-file-validate accepts and that starts the program by the icon the package brings; and
# the dependency on GTK that the program links.
#
#   bash tests/package/check_deb.sh <native build folder> <scratch folder>
set -euo pipefail

build="$(realpath "$1")"
scratch="$2"
rm -rf "$scratch"
mkdir -p "$scratch"
scratch="$(realpath "$scratch")"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

(cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -B "$scratch/cpack" >cpack.log 2>&1) || {
  cat "$scratch/cpack.log" >&2
  exit 1
}
packages=("$scratch"/cpack/tockmeter_*.deb)
if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then
  echo "FAIL: cpack made no single tockmeter_*.deb in $scratch/cpack" >&2
  exit 1
fi
package="${packages[0]}"
echo "Package: $package"
root="$scratch/root"
dpkg-deb -x "$package" "$root"

program="$root/usr/bin/tockmeter"
entry="$root/usr/share/applications/tockmeter.desktop"
icon="$root/usr/share/icons/hicolor/64x64/apps/tockmeter.png"

if [ -x "$program" ]; then
  unresolved="$(ldd "$program" 2>&1 | grep 'not found' || true)"
  [ -z "$unresolved" ] || fail "libraries of the program that do not resolve:"$'\n'"$unresolved"
else
  fail "no program at /usr/bin/tockmeter"
fi

if [ -f "$entry" ]; then
  desktop-file-validate "$entry" || fail "desktop-file-validate refuses the desktop entry"
  grep -qx 'Exec=tockmeter' "$entry" || fail "the desktop entry does not start tockmeter"
  grep -qx 'Icon=tockmeter' "$entry" || fail "the desktop entry does not name the icon tockmeter"
else
  fail "no desktop entry at /usr/share/applications/tockmeter.desktop"
fi

if [ -f "$icon" ]; then
  # A PNG of 64x64 pixels, as its folder says: the signature, then the header's width and height.
  signature="$(od -An -tx1 -N8 "$icon" | tr -d ' \n')"
  size="$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //')"
  [ "$signature" = 89504e470d0a1a0a ] || fail "the icon is not a PNG"
  [ "$size" = "0 0 0 64 0 0 0 64" ] || fail "the icon is not 64x64 pixels (header: $size)"
else
  fail "no icon at /usr/share/icons/hicolor/64x64/apps/tockmeter.png"
fi

depends="$(dpkg-deb -f "$package" Depends)"
echo "Depends: $depends"
grep -q 'libgtk-3-0' <<<"$depends" || fail "the package does not depend on libgtk-3-0"

[ "$failures" -eq 0 ] || exit 1
echo "The package holds the program, its desktop entry and its icon."
