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

results=$(mktemp)
trap 'rm -f "$results"' EXIT

# Median ms of one run; the head is read from the build folder.
run() {
  local dir=$1 t=$2
  shift 2
  (cd "$dir" && ./cli/calyra-render "$@" --threads "$t" --repeat "$repeat" 2>&1 >/dev/null |
    sed -n 's/.*median \([0-9.]*\) ms.*/\1/p')
}

# Peak resident memory in KiB of one run of three renders.
peak() {
  local dir=$1
  shift
  (cd "$dir" && /usr/bin/time -v ./cli/calyra-render "$@" --repeat 3 2>&1 >/dev/null |
    sed -n 's/.*Maximum resident set size (kbytes): \([0-9]*\).*/\1/p')
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

echo "Commands (calyra-render ... --repeat $repeat, $pairs alternated pairs):"
for c in "${scenes[@]}"; do echo "  ${c#*|}"; done
echo
python3 - "$results" "$commit" "$threads" <<'PY'
import statistics, sys
path, commit, threads = sys.argv[1], sys.argv[2], sys.argv[3]
times, mem, order = {}, {}, []
for line in open(path):
    label, t, o, n = line.strip().split('|')
    if label not in order:
        order.append(label)
    if t == 'mem':
        mem[label] = (int(o), int(n))
    else:
        times.setdefault((label, t), []).append((float(o), float(n)))
print(f"| scene | threads | {commit} ms | new ms | new/old | peak RSS {commit} MiB | new MiB |")
print("|---|---|---|---|---|---|---|")
for label in order:
    for (l, t), pairs in times.items():
        if l != label:
            continue
        o = statistics.median(p[0] for p in pairs)
        n = statistics.median(p[1] for p in pairs)
        mo, mn = mem.get(label, (0, 0))
        print(f"| {label} | {t} | {o:.2f} | {n:.2f} | {n / o:.3f} | {mo / 1024:.1f} | {mn / 1024:.1f} |")
if any(t == '1' for (_, t) in times) and threads != '1':
    print()
    print(f"| scene | old 1 thread / {threads} threads | new 1 thread / {threads} threads |")
    print("|---|---|---|")
    for label in order:
        one, many = times.get((label, '1')), times.get((label, threads))
        if not one or not many:
            continue
        so = statistics.median(p[0] for p in one) / statistics.median(p[0] for p in many)
        sn = statistics.median(p[1] for p in one) / statistics.median(p[1] for p in many)
        print(f"| {label} | {so:.2f}x | {sn:.2f}x |")
PY
