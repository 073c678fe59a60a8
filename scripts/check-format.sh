#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it,
# and lists those files. Format them with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z $format ]]; then
  echo "check-format: clang-format is not installed" >&2
  exit 1
fi
bad=()
while IFS= read -r f; do
  if ! "$format" --dry-run --Werror "$f" >/dev/null 2>&1; then bad+=("$f"); fi
done < <(git ls-files '*.cpp' '*.h')
if [[ ${#bad[@]} -ne 0 ]]; then
  echo "check-format: these files are not formatted with .clang-format:"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: every C++ file is formatted"
