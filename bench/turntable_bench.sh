#!/usr/bin/env bash
# The cost of a turntable movie against its frames' renders alone, timed in
# one process by build/bench/calyra_turntable_bench (the scan read once, so
# its reading counts in neither); medians of RUNS alternating runs, in wall
# and processor time.
#   bench/turntable_bench.sh [RUNS]            from anywhere in the repository
# Environment: FRAMES (default 36), SIZE (512), KIND (mp4, webm or gif),
# THREADS (2), SCENE (calyra-render's scene options; default the scan
# transparent at 0.3, e.g. SCENE="--open /tmp/ct512.nii --type composite").
# The scan is $CALYRA_CT when that names a file, else build/ct512.nii,
# written by build/bench/calyra_make_ct_scan when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
ct=${CALYRA_CT:-$PWD/build/ct512.nii}
if [[ -z ${SCENE:-} && ! -f $ct ]]; then build/bench/calyra_make_ct_scan "$ct" >/dev/null; fi
read -r -a scene <<<"${SCENE:---open $ct --type transparent --threshold 0.3}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/calyra_turntable_bench "$runs" "${scene[@]}" --threads "${THREADS:-2}" \
  --turntable "${FRAMES:-36}" --size "${SIZE:-512}" --out "$work/turn.${KIND:-mp4}"
