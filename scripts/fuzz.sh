#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each one.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS per target (default 30); all targets unless named. Prints one line
# per target (executions, executions per second, coverage, crashes) and keeps
# the summary in the build directory; exits 1 if any target crashed.
# fuzz_read_* parse and load only (fuzz_read_view: the view-file reader; fuzz_read_tf: the
# transfer-function reader, which also builds the tables); fuzz_render_* also render (slow;
# fuzz_render_view puts a view file on a small volume);
# fuzz_format_* open one standard format family each, parse and load only.
# CALYRA_FUZZ_BUILD overrides the build directory (default build-fuzz);
# CALYRA_STRICT=1 makes warnings errors, as in test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-30}
shift || true
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  targets=(fuzz_read_side_file fuzz_read_binary fuzz_read_ascii fuzz_read_head
           fuzz_read_view fuzz_read_tf fuzz_import_fields fuzz_cli_options fuzz_render_binary
           fuzz_render_ascii fuzz_render_view)
  # The standard formats, when their library is there.
  for f in fuzz/fuzz_format_*.cpp; do
    [[ -e $f ]] && targets+=("$(basename "$f" .cpp)")
  done
fi
build=${CALYRA_FUZZ_BUILD:-build-fuzz}
# Absolute: the targets change their working directory.
mkdir -p "$build"
build=$(cd "$build" && pwd)

CALYRA_FUZZ=1 ./scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCALYRA_FUZZ=ON -DCALYRA_BUILD_GUI=OFF -DCALYRA_BUILD_BENCH=OFF \
  -DCALYRA_STRICT="$([[ "${CALYRA_STRICT:-0}" == 1 ]] && echo ON || echo OFF)" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Bytes the readers take apart; head inputs are tiled up to their length byte.
declare -A maxLength=([fuzz_read_side_file]=512 [fuzz_read_binary]=4096
                      [fuzz_read_ascii]=8192 [fuzz_read_head]=4096 [fuzz_read_view]=4096
                      [fuzz_read_tf]=8192
                      [fuzz_import_fields]=512 [fuzz_cli_options]=1024
                      [fuzz_render_binary]=4096 [fuzz_render_ascii]=8192 [fuzz_render_view]=4096
                      [fuzz_format_nrrd_meta]=4096 [fuzz_format_nifti]=4096
                      [fuzz_format_dicom]=8192 [fuzz_format_tiff]=8192)

# Words of the text formats, which random bytes rarely spell.
declare -A dictionary=([fuzz_read_view]=view [fuzz_render_view]=view [fuzz_read_tf]=tf)

failed=0
summary=()
for t in "${targets[@]}"; do
  work=$build/fuzz-corpus/$t
  artifacts=$build/fuzz-artifacts/$t
  log=$build/fuzz-logs/$t.log
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  echo "== $t: ${seconds} s"
  # Artifacts of earlier runs stay for a look; only this run's are counted.
  started=$artifacts/.started
  touch "$started"
  status=0
  # New inputs go to the work corpus in the build tree; the seeds and the
  # grown corpus (minimised with -merge=1) stay as committed.
  grown=()
  [[ -d "$root/fuzz/grown/$t" ]] && grown=("$root/fuzz/grown/$t")
  words=()
  [[ -n ${dictionary[$t]:-} ]] && words=(-dict="$root/fuzz/dict/${dictionary[$t]}.dict")
  # Known leaks inside the IO libraries are listed in fuzz/lsan.supp.
  ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0} \
  LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$build/fuzz/$t" "$work" "$root/fuzz/corpus/$t" "${grown[@]}" \
      -max_total_time="$seconds" -max_len="${maxLength[$t]:-4096}" -timeout=60 \
      -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" "${words[@]}" \
      >"$log" 2>&1 || status=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  rate=$(( ${execs:-0} / (seconds > 0 ? seconds : 1) ))
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
  # Slow units are kept for a look, but only crashes, leaks, timeouts and
  # out-of-memory inputs fail the run.
  crashes=$(find "$artifacts" -type f -newer "$started" \( -name 'crash-*' -o -name 'leak-*' \
    -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  slow=$(find "$artifacts" -type f -newer "$started" -name 'slow-unit-*' | wc -l)
  if [[ $status -ne 0 || $crashes -ne 0 ]]; then
    failed=1
    grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log" | head -20 || true
  fi
  summary+=("$(printf '%-24s execs %-9s exec/s %-6s cov %-6s ft %-7s crashes %s slow %s (exit %s)' \
    "$t" "${execs:-?}" "$rate" "${cov:-?}" "${ft:-?}" "$crashes" "$slow" "$status")")
done

{
  echo "== fuzz summary (${seconds} s per target, $(date -u '+%Y-%m-%d %H:%M UTC'))"
  printf '%s\n' "${summary[@]}"
} | tee "$build/fuzz-summary.txt"
exit $failed
