#!/usr/bin/env bash
# CI stage: every tracked C++ source must be formatted as .clang-format says. Fails listing the
# files that are not; `clang-format -i FILE` fixes one.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
command -v clang-format >/dev/null ||
  { echo "format.sh: clang-format is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else  # an exported tree without its history: the project's own folders
  mapfile -t files < <(find src tests tools bench -name '*.cpp' -o -name '*.h' | sort)
fi
status=0
clang-format --dry-run -Werror "${files[@]}" || status=$?
echo "format.sh: ${#files[@]} files checked in $((SECONDS - start)) s"
exit "$status"
