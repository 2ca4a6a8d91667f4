#!/usr/bin/env bash
# pelimor-find's actions on the million tree: --link and --delete of about 100,000 selected files
# (every file of three of its eight top folders that has a copy elsewhere), from a saved search,
# with every check. Each action gets a freshly made tree. Run by hand, never part of the tests:
#   bench/actions.sh [WORK]      (default /tmp/pelimor-bench; needs about 3 GB there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
work=${1:-/tmp/pelimor-bench}/actions
tree=$work/million
find=$build/cli/pelimor-find
mkdir -p "$work"

for action in link delete; do
  "$build/bench/pelimor-bench-tree" make --force million "$tree" >/dev/null
  "$build/bench/pelimor-bench-tree" warm "$tree" >/dev/null
  "$find" --no-cache --min-kb 0 --json "$tree" >"$work/saved.json"
  selection=(--select-in-tree "$tree/Archive" --select-in-tree "$tree/Desktop" --select-in-tree "$tree/Documents")
  sync
  start=$(date +%s%N)
  "$find" --load "$work/saved.json" "${selection[@]}" "--$action" >"$work/$action.out" 2>"$work/$action.err" || true
  end=$(date +%s%N)
  printf '%-9s %s in %s s\n' "--$action" "$(tail -n 1 "$work/$action.err" | sed 's/^pelimor-find: //')" \
    "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }')"
done
