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
  # Races inside the uninstrumented system libraries only; the build runs
  # Qt tools (the icons) under the sanitizer too. No second of sleep at each
  # exit: the readers' children and calyra-render exit thousands of times.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:atexit_sleep_ms=0:suppressions=$PWD/tests/tsan.supp"
fi

# Said either way, so that an earlier strict configuration does not linger.
if [[ "${CALYRA_STRICT:-0}" == 1 ]]; then flags+=(-DCALYRA_STRICT=ON); else flags+=(-DCALYRA_STRICT=OFF); fi

./scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
if [[ $sanitize == 1 ]]; then
  # Stop at the first error with a stack; leaks as tests/lsan.supp says.
  export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1:detect_leaks=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  export LSAN_OPTIONS=suppressions=$source_dir/tests/lsan.supp:print_suppressions=0
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
