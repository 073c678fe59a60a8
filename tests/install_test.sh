#!/usr/bin/env bash
# Installs the build into a fresh prefix, moves the prefix, and runs the
# installed programs from another folder.
#   install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$tmp/first" >/dev/null
# The installed programs find their data relative to themselves.
mv "$tmp/first" "$tmp/moved"
p=$tmp/moved

files=(bin/calyra bin/calyra-render
       share/calyra/sm3dhead share/calyra/Calyra.HLP
       share/applications/calyra.desktop
       share/icons/hicolor/48x48/apps/calyra.png share/icons/hicolor/256x256/apps/calyra.png
       share/man/man1/calyra.1 share/man/man1/calyra-render.1)
if [[ -f "$build/scan.raw" ]]; then files+=(share/calyra/scan.raw share/calyra/scan.raw.inf); fi
for f in "${files[@]}"; do
  [[ -f "$p/$f" ]] || fail "$f is not installed"
done
[[ -x "$p/bin/calyra" && -x "$p/bin/calyra-render" ]] || fail "the programs are not executable"
cmp -s "$p/share/calyra/sm3dhead" "$build/sm3dhead" || fail "sm3dhead differs"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$p/share/applications/calyra.desktop" || fail "desktop entry"
fi
if command -v man >/dev/null; then
  for page in calyra calyra-render; do
    MANWIDTH=80 man -l "$p/share/man/man1/$page.1" 2>&1 >/dev/null | grep . && fail "$page.1 warns"
  done
fi

mkdir "$tmp/elsewhere"
cd "$tmp/elsewhere"
"$p/bin/calyra-render" --model head --size 256 --out head.jpg || fail "calyra-render --model head"
[[ "$(head -c 3 head.jpg | od -An -tx1 | tr -d ' \n')" == ffd8ff ]] || fail "head.jpg is no JPEG"
"$p/bin/calyra" --version | grep -q '^calyra [0-9]' || fail "calyra --version"
"$p/bin/calyra" --help | grep -q -- '--version' || fail "calyra --help"
"$p/bin/calyra-render" --version | grep -q '^calyra-render [0-9]' || fail "calyra-render --version"
echo "installed and ran from $p"
