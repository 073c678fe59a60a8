#!/usr/bin/env bash
# Builds everything and runs every test through ctest.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  the same suite under AddressSanitizer and
#                         UndefinedBehaviorSanitizer, in build-sanitize/
#   ./test.sh --tsan      the same suite under ThreadSanitizer, in
#                         build-tsan/
# CALYRA_BUILD_ROOT puts the build directories elsewhere (default: here).
# CALYRA_STRICT=1 makes every warning an error and adds -Wshadow, as CI builds.
set -euo pipefail
cd "$(dirname "$0")"
source_dir=$PWD
source scripts/sanitizer-options.sh

root=${CALYRA_BUILD_ROOT:-.}
build=$root/build
flags=()
sanitize=0
tsan=0
if [[ "${1:-}" == "--sanitize" ]]; then
  sanitize=1
  build=$root/build-sanitize
  flags=(-DCALYRA_SANITIZE=ON -DCALYRA_BUILD_BENCH=OFF)
elif [[ "${1:-}" == "--tsan" ]]; then
  tsan=1
  build=$root/build-tsan
  flags=(-DCALYRA_TSAN=ON -DCALYRA_BUILD_BENCH=OFF)
  # Set before the build, which runs Qt tools (the icons) under it too.
  sanitizer_options tsan "$source_dir"
fi

# Said either way, so that an earlier strict configuration does not linger.
if [[ "${CALYRA_STRICT:-0}" == 1 ]]; then flags+=(-DCALYRA_STRICT=ON); else flags+=(-DCALYRA_STRICT=OFF); fi

./scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
if [[ $sanitize == 1 ]]; then sanitizer_options asan "$source_dir"; fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
