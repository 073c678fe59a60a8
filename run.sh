#!/usr/bin/env bash
# Builds and starts the windowed program in a directory that holds the head
# data set. Without a display (or before the windowed program is built) it
# renders the default model with calyra-render and says where the PNG is.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [[ -x build/ui/calyra && -n "${DISPLAY:-}" ]]; then
  cd build && exec ./ui/calyra
fi

out="$PWD/build/calyra-ball.png"
(cd build && ./cli/calyra-render --model ball --out "$out")
echo "No display: rendered the default model to $out"
