#!/usr/bin/env bash
# Same-run comparison of calyra-render against the build of an earlier commit:
# pairs of `--repeat` runs alternate old and new (the order flips every pair),
# and the script prints per scene the median of each side's run medians, their
# ratio new/old, and the peak resident memory of one run of each side.
#   bench/compare_with_commit.sh [COMMIT] [PAIRS]    from anywhere in the repository
# COMMIT defaults to b2ddea8, PAIRS to 5. Environment: REPEAT (renders per run,
# default 11), THREADS (default 2), SCALING=1 also times both sides on one
# thread and prints the two-thread speed-up. The old build is kept in
# build/compare-COMMIT and reused; the new one is build/ (built if needed).
# SCENES=ct times the CT set instead of the default five scenes: a CT-like
# 512 x 512 x 300 signed 16-bit NIfTI (0.7 x 0.7 x 1.0 mm), rotated, each
# type with and without --interp. The scan is $CALYRA_CT when that names a
# file, else build/ct512.nii, written by build/bench/calyra_make_ct_scan when
# missing. Types the old build does not know are timed on the new side only.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
commit=${1:-b2ddea8}
pairs=${2:-5}
repeat=${REPEAT:-11}
threads=${THREADS:-2}
full=$(git rev-parse --verify "$commit^{commit}")

old=$root/build/compare-${full:0:12}
if [[ ! -x $old/build/cli/calyra-render ]]; then
  echo "building $commit in $old" >&2
  rm -rf "$old"
  mkdir -p "$old/src"
  git archive "$full" | tar -x -C "$old/src"
  cmake -S "$old/src" -B "$old/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALYRA_BUILD_GUI=OFF \
    -DCALYRA_BUILD_BENCH=OFF >/dev/null
  nice cmake --build "$old/build" -j 2 --target calyra-render head_data >/dev/null
fi
new=$root/build
if [[ ! -f $new/CMakeCache.txt ]]; then
  cmake -S . -B "$new" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
nice cmake --build "$new" -j 2 --target calyra-render head_data >/dev/null

if [[ ${SCENES:-} == ct ]]; then
  ct=${CALYRA_CT:-$root/build/ct512.nii}
  if [[ ! -f $ct ]]; then
    nice cmake --build "$new" -j 2 --target calyra_make_ct_scan >/dev/null
    "$new/bench/calyra_make_ct_scan" "$ct" >/dev/null
  fi
  view="--open $ct --rotate-plane 0.5 -0.35"
  types=("surface|--type surface" "transparent 0|--type transparent --threshold 0"
    "transparent 0.3|--type transparent --threshold 0.3")
  # The projection types, where the new build has them.
  for t in maximum average; do
    if (cd "$new" && ./cli/calyra-render --open "$ct" --type $t --repeat 1 >/dev/null 2>&1); then
      types+=("$t|--type $t")
    fi
  done
  scenes=()
  for t in "${types[@]}"; do
    scenes+=("ct ${t%%|*}|$view ${t#*|}" "ct ${t%%|*} interp|$view ${t#*|} --interp")
  done
  # Resident memory after opening alone, against which a render's is weighed.
  opened="ct opened|--open $ct"
else
  # The dense CT-like volume, written once.
  ct=$root/build/ct128.txt
  [[ -f $ct ]] || python3 bench/make_ct_volume.py "$ct" 128

  scenes=(
    "head transparent|--model head --type transparent --interp --rotate-plane 0.5 -0.35"
    "cone transparent|--model cone --type transparent --interp --threshold 0.1"
    "ct128 transparent|--raw $ct --dims 128 128 128 --ascii --type transparent --threshold 0.6 --interp --rotate-plane 0.5 -0.35"
    "head surface|--model head --type surface --interp --rotate-plane 0.5 -0.35"
    "cone surface|--model cone --type surface"
  )
  opened=
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT

# Median ms of one run, "-" when the build cannot render it; the head is
# read from the build folder.
run() {
  local dir=$1 t=$2
  shift 2
  local ms
  ms=$(cd "$dir" && ./cli/calyra-render "$@" --threads "$t" --repeat "$repeat" 2>&1 >/dev/null |
    sed -n 's/.*median \([0-9.]*\) ms.*/\1/p') || true
  echo "${ms:--}"
}

# Peak resident memory in KiB of one run of three renders (of none with
# RENDERS=0), "-" when the build cannot render it.
peak() {
  local dir=$1
  shift
  local renders=(--repeat 3) kib
  [[ ${RENDERS:-3} == 0 ]] && renders=()
  kib=$(cd "$dir" && /usr/bin/time -v ./cli/calyra-render "$@" "${renders[@]}" 2>&1 >/dev/null |
    sed -n 's/.*Maximum resident set size (kbytes): \([0-9]*\).*/\1/p') || true
  echo "${kib:--}"
}

thread_counts=("$threads")
[[ ${SCALING:-0} == 1 && $threads != 1 ]] && thread_counts+=(1)
for c in "${scenes[@]}"; do
  IFS='|' read -r label args <<<"$c"
  read -ra argv <<<"$args"
  for t in "${thread_counts[@]}"; do
    for ((p = 1; p <= pairs; ++p)); do
      if ((p % 2)); then
        o=$(run "$old/build" "$t" "${argv[@]}")
        n=$(run "$new" "$t" "${argv[@]}")
      else
        n=$(run "$new" "$t" "${argv[@]}")
        o=$(run "$old/build" "$t" "${argv[@]}")
      fi
      echo "$label|$t|$o|$n" >>"$results"
    done
  done
  echo "$label|mem|$(peak "$old/build" "${argv[@]}")|$(peak "$new" "${argv[@]}")" >>"$results"
done
if [[ -n $opened ]]; then
  IFS='|' read -r label args <<<"$opened"
  read -ra argv <<<"$args"
  echo "$label|mem|$(RENDERS=0 peak "$old/build" "${argv[@]}")|$(RENDERS=0 peak "$new" "${argv[@]}")" >>"$results"
fi

echo "Commands (calyra-render ... --repeat $repeat, $pairs alternated pairs):"
for c in "${scenes[@]}"; do echo "  ${c#*|}"; done
echo
python3 - "$results" "$commit" "$threads" <<'PY'
import statistics, sys
path, commit, threads = sys.argv[1], sys.argv[2], sys.argv[3]
times, mem, order = {}, {}, []


def median(values):
    values = [float(v) for v in values if v != '-']
    return statistics.median(values) if values else None


def shown(value, form):
    return '-' if value is None else format(value, form)


for line in open(path):
    label, t, o, n = line.strip().split('|')
    if label not in order:
        order.append(label)
    if t == 'mem':
        mem[label] = tuple(None if v == '-' else int(v) / 1024 for v in (o, n))
    else:
        times.setdefault((label, t), []).append((o, n))
print(f"| scene | threads | {commit} ms | new ms | new/old | peak RSS {commit} MiB | new MiB |")
print("|---|---|---|---|---|---|---|")
for label in order:
    mo, mn = mem.get(label, (None, None))
    rows = [(t, pairs) for (l, t), pairs in times.items() if l == label]
    if not rows:
        print(f"| {label} | | | | | {shown(mo, '.1f')} | {shown(mn, '.1f')} |")
    for t, pairs in rows:
        o = median(p[0] for p in pairs)
        n = median(p[1] for p in pairs)
        ratio = n / o if o and n is not None else None
        print(f"| {label} | {t} | {shown(o, '.2f')} | {shown(n, '.2f')} | {shown(ratio, '.3f')} "
              f"| {shown(mo, '.1f')} | {shown(mn, '.1f')} |")
if any(t == '1' for (_, t) in times) and threads != '1':
    print()
    print(f"| scene | old 1 thread / {threads} threads | new 1 thread / {threads} threads |")
    print("|---|---|---|")
    for label in order:
        one, many = times.get((label, '1')), times.get((label, threads))
        if not one or not many:
            continue
        speedup = []
        for side in (0, 1):
            a, b = median(p[side] for p in one), median(p[side] for p in many)
            speedup.append(a / b if a is not None and b else None)
        print(f"| {label} | {shown(speedup[0], '.2f')}x | {shown(speedup[1], '.2f')}x |")
PY
