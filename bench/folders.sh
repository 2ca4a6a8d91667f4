#!/usr/bin/env bash
# Twin folders against a plain search of every file: time and peak memory of
# `pelimor-find --folders` and `pelimor-find --min-kb 0 --type all`, warm, without the cache, on the
# million tree and on a tree of photo folders copied whole (PAIRS originals and a copy of each).
# Run by hand, never part of the tests:
#   bench/folders.sh [WORK]      (default /tmp/pelimor-bench; RUNS=3, PAIRS=500, BUILD=build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-release}
work=${1:-/tmp/pelimor-bench}
runs=${RUNS:-3}
pairs=${PAIRS:-500}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF -DPELIMOR_WITH_TESTS=OFF \
  -DPELIMOR_WITH_BENCH=ON >/dev/null
cmake --build "$build" --target pelimor-find pelimor-bench-tree >/dev/null
find=$build/cli/pelimor-find
tool=$build/bench/pelimor-bench-tree

"$tool" make million "$work/trees/million" >/dev/null
# Photo folders of 20 pictures each (8 to 40 KB, every one different), then each folder copied
# whole beside the originals, as a backup would.
photos=$work/trees/photo-folders-$pairs
if [ ! -f "$photos.done" ]; then
  rm -rf "$photos"
  python3 - "$photos" "$pairs" <<'EOF'
import os, random, sys
root, pairs = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
for folder in range(pairs):
    album = os.path.join(root, "Pictures", f"{2000 + folder % 25}", f"album-{folder:04d}")
    os.makedirs(album)
    for picture in range(20):
        with open(os.path.join(album, f"IMG_{picture:04d}.jpg"), "wb") as out:
            out.write(rng.randbytes(rng.randrange(8 << 10, 40 << 10)))
EOF
  mkdir -p "$photos/Backup"
  cp -a "$photos/Pictures/." "$photos/Backup/"
  touch "$photos.done"
fi

measure() {  # label, command...: best wall time of $runs and the peak memory
  local label=$1 best="" peak=0
  shift
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
    read -r wall kb <"$work/time.txt"
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  printf '%-34s %7s s %8.1f MiB\n' "$label" "$best" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

for tree in "$work/trees/million" "$photos"; do
  "$tool" warm "$tree" >/dev/null 2>&1 || find "$tree" -type f -exec cat {} + >/dev/null
  echo "$(basename "$tree"): $(find "$tree" -type f | wc -l) files; $("$find" --no-cache --folders "$tree" |
    awk 'NF { groups[$1] = 1 } END { print length(groups) }') groups of twin folders"
  measure "pelimor-find --min-kb 0 --type all" "$find" --no-cache --min-kb 0 --type all "$tree"
  measure "pelimor-find --folders" "$find" --no-cache --folders "$tree"
done
