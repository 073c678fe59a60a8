#!/usr/bin/env bash
# Same-run comparison with VTK's fixed-point CPU ray caster (the peer bench in
# ../shared/peer-bench): rounds alternate VTK and calyra-render on the matching
# workloads, and the script prints each side's median of round medians and
# their ratio. Needs libvtk9-dev and xvfb (VTK renders only with an X display).
#   bench/compare_with_vtk.sh [rounds]      from the repository root, after ./test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
peer=${PEER_BENCH:-../shared/peer-bench}
out=build/peer-bench
cmake -S "$peer" -B "$out" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" -j 2 >/dev/null
render=build/cli/calyra-render
results=$(mktemp -d)

# workload label | VTK workload and mode | calyra-render arguments
cases=(
  "cone interp surface|W2 comp_opaque|--model cone --interp --type surface"
  "cone interp transparent 0.1|W2 comp_transl|--model cone --interp --type transparent --threshold 0.1"
  "cone surface|W1 comp_opaque|--model cone --type surface"
)

for ((round = 1; round <= rounds; ++round)); do
  for threads in 1 2; do
    for c in "${cases[@]}"; do
      IFS='|' read -r label vtk args <<<"$c"
      read -r wl mode <<<"$vtk"
      xvfb-run -a -s "-screen 0 1024x768x24" "$out/vtk_bench" --mapper fixed --workloads "$wl" \
        --modes "$mode" --threads "$threads" --rounds 1 --min-time 0.5 --no-baseline --no-count \
        --csv "$results/vtk.csv" >/dev/null 2>&1
      vtk_ms=$(awk -F, -v w="$wl" -v m="$mode" '$1=="vtk-fixedpoint" && $2==w && $3==m {print $6}' "$results/vtk.csv")
      ours=$(cd build && ./cli/calyra-render $args --threads "$threads" --repeat 21 2>&1 >/dev/null |
        sed -n 's/.*median \([0-9.]*\) ms.*/\1/p')
      echo "$label|$threads|$vtk_ms|$ours" >>"$results/rounds.txt"
    done
  done
done

echo "| workload | threads | VTK median ms | calyra median ms | ratio |"
echo "|---|---|---|---|---|"
python3 - "$results/rounds.txt" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    label, threads, vtk, ours = line.strip().split('|')
    rows.setdefault((label, threads), []).append((float(vtk), float(ours)))
for (label, threads), pairs in rows.items():
    v = statistics.median(p[0] for p in pairs)
    o = statistics.median(p[1] for p in pairs)
    print(f"| {label} | {threads} | {v:.1f} | {o:.1f} | {o / v:.2f} |")
PY
