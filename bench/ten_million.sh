#!/usr/bin/env bash
# Peak memory and time of pelimor-find on ten million tiny files, warm, without and with the
# checksum cache, beside the million tree. The files live on an ext4 image with inline_data on a
# loop device, so a file of a few bytes costs an inode and no block; the image is made, filled and
# removed by this script. Run by hand, as root; never part of the tests. See --help.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=/tmp/pelimor-bench
build=""
preset=ten-million
million=1
window=0
peers=0
limit=${PEER_LIMIT:-3600}

usage() {
  cat <<'USAGE'
Usage: bench/ten_million.sh [--tiny-million] [--no-million] [--window] [--peers] [--build-dir DIR] [--work DIR]
       (as root)

Makes an ext4 image with inline_data (about 8 GB, sparse) holding pelimor-bench-tree's ten-million
tree: 10,000 folders of 1,000 files of 1 to 8 bytes, one file in twenty a copy of its neighbour
(--tiny-million: its 1,000 folders, the same make-up at a tenth), then times pelimor-find on it:
without the cache, and with it twice (the first search writes it, the second reads it). With the
million tree (bench/compare.sh's, made if missing) for comparison. Peak memory is the maximum
resident set (/usr/bin/time). The image is removed at the end.
  --window  also the window's first search, offscreen, without the cache (a Release build with the
            window, made in DIR-gui)
  --peers   also the system calls alone (pelimor-bench-floor), and jdupes and rdfind side by side,
            each given an hour (PEER_LIMIT seconds; installed from Debian when missing)
USAGE
}

while [ $# -gt 0 ]; do
  case "$1" in
    --tiny-million) preset=tiny-million ;;
    --no-million) million=0 ;;
    --window) window=1 ;;
    --peers) peers=1 ;;
    --build-dir) build=$2; shift ;;
    --work) work=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "ten_million.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ "$(id -u)" = 0 ] || { echo "ten_million.sh: mounting needs root" >&2; exit 1; }
[ -n "$build" ] || build=$work/build
say() { printf '\n== %s\n' "$*" >&2; }

say "building pelimor-find and pelimor-bench-tree (Release) in $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF \
      -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=ON > /dev/null
cmake --build "$build" --target pelimor-find pelimor-bench-tree
find=$build/cli/pelimor-find

image=$work/images/ten-million.ext4
mnt=$work/mnt/ten-million
cache=$work/ten-million-cache
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rm -f "$image"
  rm -rf "$cache"
}
trap cleanup EXIT
mkdir -p "$work/images" "$mnt"
files=$("$build/bench/pelimor-bench-tree" plan "$preset" | sed -n 's/^files=//p')
folders=$((files / 1000))

say "image $image with $files tiny files"
truncate -s 8G "$image"
mkfs.ext4 -q -F -O inline_data -N $((files + folders + 200000)) -b 4096 "$image"
mount -o loop "$image" "$mnt"
start=$(date +%s)
"$build/bench/pelimor-bench-tree" make --jobs 2 "$preset" "$mnt/tree" > /dev/null
echo "made in $(( $(date +%s) - start )) s" >&2

results=$work/results/ten-million-$(date +%Y%m%d-%H%M%S)
mkdir -p "$results"
printf 'tree\trun\twall_s\tuser_s\tsys_s\tmax_rss_mib\tbytes_per_file\n' > "$results/table.tsv"
run() {  # $1: tree name, $2: run name, $3: files, then the command
  local tree=$1 name=$2 count=$3 wall user sys rss status
  shift 3
  /usr/bin/time -f '%e %U %S %M' -o "$results/$tree-$name.time" "$@" > /dev/null 2> "$results/$tree-$name.err" || true
  # A failed run (124: cut off by timeout) has its status on the line before the figures.
  read -r wall user sys rss < <(tail -n 1 "$results/$tree-$name.time")
  status=$(sed -n 's/^Command exited with non-zero status //p' "$results/$tree-$name.time")
  [ -z "$status" ] || name="$name(status-$status)"
  printf '%s\t%s\t%s\t%s\t%s\t%d\t%d\n' "$tree" "$name" "$wall" "$user" "$sys" $((rss / 1024)) \
    $(( (rss * 1024 - 64 * 1048576) / count )) >> "$results/table.tsv"
}
say "searches, warm"
"$find" --no-cache --min-kb 0 "$mnt/tree" > /dev/null  # warms the page cache
run "$preset" no-cache "$files" "$find" --no-cache --min-kb 0 "$mnt/tree"
run "$preset" cache-first "$files" env XDG_CACHE_HOME="$cache" "$find" --min-kb 0 "$mnt/tree"
run "$preset" cache-second "$files" env XDG_CACHE_HOME="$cache" "$find" --min-kb 0 "$mnt/tree"
if [ "$window" = 1 ]; then
  say "the window's first search, offscreen"
  cmake -S "$repo" -B "$build-gui" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_TESTS=OFF \
        -DPELIMOR_WITH_BENCH=ON > /dev/null
  cmake --build "$build-gui" --target bench_window_search
  run "$preset" window-no-cache "$files" "$build-gui/bench/ui/bench_window_search" --tree="$mnt/tree" \
    --no-cache --first-only
fi
if [ "$peers" = 1 ]; then
  for peer in jdupes rdfind; do
    command -v "$peer" > /dev/null || apt-get install -y "$peer" > /dev/null
  done
  cmake --build "$build" --target pelimor-bench-floor
  run "$preset" system-calls-alone "$files" "$build/bench/pelimor-bench-floor" "$mnt/tree"
  say "jdupes and rdfind side by side (each uses one core), $limit s each at most"
  run "$preset" jdupes "$files" timeout "$limit" jdupes -r -q "$mnt/tree" &
  run "$preset" rdfind "$files" timeout "$limit" rdfind -outputname "$results/rdfind.txt" "$mnt/tree" &
  wait
fi
if [ "$million" = 1 ]; then
  tree=$work/trees/million
  "$build/bench/pelimor-bench-tree" make --jobs 2 million "$tree" > /dev/null
  "$find" --no-cache --min-kb 0 "$tree" > /dev/null
  run million no-cache 1000000 "$find" --no-cache --min-kb 0 "$tree"
fi
say "results in $results (bytes_per_file: the peak less 64 MiB, per file)"
column -t -s $'\t' "$results/table.tsv"
