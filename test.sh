#!/usr/bin/env bash
# Builds everything and runs every test through ctest.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  the same suite under AddressSanitizer and
#                         UndefinedBehaviorSanitizer, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"

build=build
flags=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build=build-sanitize
  flags=(-DCALYRA_SANITIZE=ON -DCALYRA_BUILD_BENCH=OFF)
fi

./scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
