#!/usr/bin/env bash
# The "Similar pictures" search measured: precision and recall at every step on pictures Debian
# ships, the pictures read a second on twelve-megapixel JPEGs, and a second search against an
# exact one. Run by hand, never part of the tests:
#   bench/similar_pictures.sh [WORK]   (default /tmp/pelimor-pictures; BUILD=build-release,
#                                      TWELVE=300 twelve-megapixel JPEGs, RUNS=3)
# The set: every wallpaper of a few desktop packages (one of each family: light and dark, or
# 16:9 and 4:3 versions of one picture count as one), half of them bases, each saved in 21
# variants (resized, JPEG quality 50 to 95, cropped 2 to 8 %, 5 and 10 % brighter or darker, grey,
# turned with the orientation tag that turns it back, WebP, PNG), the other half unrelated: each
# whole and as its nine tiles. Ground truth: a file's base is in its name.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-release}
work=${1:-/tmp/pelimor-pictures}
twelve=${TWELVE:-300}
runs=${RUNS:-3}
jobs=$(nproc)

packages=(libvips-tools libimage-exiftool-perl desktop-base mate-backgrounds gnome-backgrounds ukui-wallpapers)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF -DPELIMOR_WITH_TESTS=OFF \
  -DPELIMOR_WITH_BENCH=OFF >/dev/null
cmake --build "$build" --target pelimor-find >/dev/null
find_=$build/cli/pelimor-find
mkdir -p "$work"

# --- The set of variants and unrelated pictures -------------------------------------------------
set_dir=$work/set
if [ ! -f "$work/set.done" ]; then
  rm -rf "$set_dir" "$work/pool.txt"
  mkdir -p "$set_dir"
  python3 - "$work/pool.txt" <<'EOF'
import os, re, subprocess, sys, tempfile
roots = ["/usr/share/backgrounds", "/usr/share/desktop-base", "/usr/share/wallpapers"]
found = []
for root in roots:
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if name.lower().endswith((".jpg", ".jpeg", ".png", ".webp")):
                found.append(os.path.join(folder, name))
families = {}
for path in sorted(found):
    size = subprocess.run(["vipsheader", "-f", "width", path], capture_output=True, text=True)
    if size.returncode != 0 or int(size.stdout) < 1280:
        continue
    # Flattened on white, as the set is made: a picture that is then all but blank (a transparent
    # overlay) is left out.
    with tempfile.TemporaryDirectory() as tmp:
        flat = os.path.join(tmp, "f.v")
        if subprocess.run(["vips", "flatten", path, flat, "--background", "255"], capture_output=True).returncode:
            flat = path
        spread = subprocess.run(["vips", "deviate", flat], capture_output=True, text=True)
        if spread.returncode != 0 or float(spread.stdout) < 12:
            continue
    name = os.path.splitext(os.path.basename(path))[0].lower()
    family = re.sub(r"([-_](l|d|light|dark|\d+x\d+|16x9|4x3|16x10|5x4))+$", "", name)
    if "desktop-base" in path:
        family = path.split("/")[4]  # the theme
    family = re.sub(r"[-_ ]", "", family)
    families.setdefault(family, path)
with open(sys.argv[1], "w") as out:
    for family in sorted(families):
        out.write(families[family] + "\n")
EOF
  pool=$(wc -l <"$work/pool.txt")
  echo "pictures in the pool: $pool (one per family)"
  # Alternate: bases and unrelated pictures.
  awk 'NR % 2 == 1' "$work/pool.txt" >"$work/bases.txt"
  awk 'NR % 2 == 0' "$work/pool.txt" >"$work/others.txt"
  export set_dir
  variants() {
    local source=$1 n=$2 out=$set_dir/base-$2 tmp
    tmp=$(mktemp -d)
    vips copy "$source" "$tmp/o.v"
    local w h
    w=$(vipsheader -f width "$tmp/o.v")
    h=$(vipsheader -f height "$tmp/o.v")
    # Flattened on white: a wallpaper with transparency is a photograph here.
    vips flatten "$tmp/o.v" "$tmp/f.v" --background 255 2>/dev/null || cp "$tmp/o.v" "$tmp/f.v"
    vips extract_band "$tmp/f.v" "$tmp/b.v" 0 --n 3 2>/dev/null || vips colourspace "$tmp/f.v" "$tmp/b.v" srgb
    vips copy "$tmp/b.v" "$out--original.jpg[Q=92]"
    vips resize "$tmp/b.v" "$out--half.jpg[Q=85]" 0.5
    vips resize "$tmp/b.v" "$out--quarter.jpg[Q=80]" 0.25
    vips resize "$tmp/b.v" "$out--mail.jpg[Q=70]" 0.35
    vips resize "$tmp/b.v" "$out--three-quarters.png" 0.75
    for q in 50 65 80 95; do vips copy "$tmp/b.v" "$out--q$q.jpg[Q=$q]"; done
    for c in 2 4 6 8; do
      local dx=$((w * c / 200)) dy=$((h * c / 200))
      vips crop "$tmp/b.v" "$out--crop$c.jpg[Q=88]" "$dx" "$dy" $((w - 2 * dx)) $((h - 2 * dy))
    done
    vips linear "$tmp/b.v" "$out--bright10.jpg[Q=88]" 1.1 0 --uchar
    vips linear "$tmp/b.v" "$out--dark10.jpg[Q=88]" 0.9 0 --uchar
    vips linear "$tmp/b.v" "$out--bright5.jpg[Q=88]" 1.05 0 --uchar
    vips colourspace "$tmp/b.v" "$out--grey.jpg[Q=88]" b-w
    # Turned pixels, with the tag that turns them back when shown.
    vips rot "$tmp/b.v" "$out--turned6.jpg[Q=88]" d270
    exiftool -q -overwrite_original -Orientation#=6 "$out--turned6.jpg"
    vips rot "$tmp/b.v" "$out--turned3.jpg[Q=88]" d180
    exiftool -q -overwrite_original -Orientation#=3 "$out--turned3.jpg"
    vips copy "$tmp/b.v" "$out--webp.webp[Q=80]"
    rm -rf "$tmp"
  }
  unrelated() {
    local source=$1 n=$2 out=$set_dir/other-$2 tmp
    tmp=$(mktemp -d)
    vips flatten "$source" "$tmp/f.v" --background 255 2>/dev/null || vips copy "$source" "$tmp/f.v"
    vips extract_band "$tmp/f.v" "$tmp/b.v" 0 --n 3 2>/dev/null || vips colourspace "$tmp/f.v" "$tmp/b.v" srgb
    vips copy "$tmp/b.v" "$out--whole.jpg[Q=85]"
    local w h
    w=$(vipsheader -f width "$tmp/b.v")
    h=$(vipsheader -f height "$tmp/b.v")
    for ty in 0 1 2; do
      for tx in 0 1 2; do
        vips crop "$tmp/b.v" "$tmp/t.v" $((tx * w / 3)) $((ty * h / 3)) $((w / 3)) $((h / 3))
        # A tile of one flat colour is no picture of its own: left out.
        if python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > 12 else 1)" "$(vips deviate "$tmp/t.v")"; then
          vips copy "$tmp/t.v" "$out-tile$tx$ty.jpg[Q=85]"
        fi
      done
    done
    rm -rf "$tmp"
  }
  export -f variants unrelated
  nl -nln -w1 -s' ' "$work/bases.txt" | xargs -P "$jobs" -L1 bash -c 'variants "$1" "$0"'
  nl -nln -w1 -s' ' "$work/others.txt" | xargs -P "$jobs" -L1 bash -c 'unrelated "$1" "$0"'
  touch "$work/set.done"
fi
echo "set: $(ls "$set_dir" | grep -c '^base-') variants of $(wc -l <"$work/bases.txt") pictures," \
  "$(ls "$set_dir" | grep -c '^other-') unrelated pictures"

# --- Precision and recall at every step ---------------------------------------------------------
printf '\n%-6s %-12s %8s %8s %8s %10s %8s\n' step name groups pairs right precision recall
for step in 1 2 3 4; do
  "$find_" --similar-pictures --similarity "$step" --min-kb 0 --no-cache "$set_dir" 2>/dev/null >"$work/step$step.txt"
  python3 - "$work/step$step.txt" "$set_dir" "$step" <<'EOF'
import collections, os, sys
groups = collections.defaultdict(list)
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    line = line.rstrip("\n")
    if line:
        fields = line.split("\t")
        groups[fields[0]].append(os.path.basename(fields[-1]))
def base(name):
    return name.split("--")[0] if name.startswith("base-") else name
truth = collections.Counter(base(n) for n in os.listdir(sys.argv[2]) if n.startswith("base-"))
true_pairs = sum(k * (k - 1) // 2 for k in truth.values())
pairs = right = 0
for files in groups.values():
    for i in range(len(files)):
        for j in range(i + 1, len(files)):
            pairs += 1
            right += base(files[i]) == base(files[j]) and files[i].startswith("base-")
names = ["Near copies", "Close", "Similar", "Loose"]
step = int(sys.argv[3])
precision = right / pairs if pairs else 1.0
print(f"{step:<6} {names[step - 1]:<12} {len(groups):8} {pairs:8} {right:8} {precision:10.4f} {right / true_pairs:8.4f}")
EOF
done
# Which variants the default step (3) missed, by kind.
python3 - "$work/step3.txt" "$set_dir" <<'EOF'
import collections, os, sys
group_of = {}
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    fields = line.rstrip("\n").split("\t")
    if len(fields) > 1:
        group_of[os.path.basename(fields[-1])] = fields[0]
missed = collections.Counter()
for name in os.listdir(sys.argv[2]):
    if not name.startswith("base-"):
        continue
    b = name.split("--")[0]
    if group_of.get(name) is None or group_of.get(name) != group_of.get(b + "--original.jpg"):
        missed[name.split("--")[1].split(".")[0]] += 1
print("default step, variants not in their original's group:", dict(missed) or "none")
EOF

# --- Twelve-megapixel JPEGs a second, warm disk, empty cache -------------------------------------
big=$work/twelve-$twelve
if [ ! -f "$big.done" ]; then
  mkdir -p "$big"
  export big
  make_big() {
    local n=$1 source=$2 tmp
    [ -f "$big/IMG_$(printf %04d "$n").jpg" ] && return
    tmp=$(mktemp -d)
    # Four crops and a mirror of each picture, brought to 4000 x 3000 with a photograph's grain.
    local w h
    vips flatten "$source" "$tmp/f.v" --background 255 2>/dev/null || vips copy "$source" "$tmp/f.v"
    vips extract_band "$tmp/f.v" "$tmp/b.v" 0 --n 3 2>/dev/null || vips colourspace "$tmp/f.v" "$tmp/b.v" srgb
    w=$(vipsheader -f width "$tmp/b.v")
    h=$(vipsheader -f height "$tmp/b.v")
    case $((n % 5)) in
      0) cp "$tmp/b.v" "$tmp/c.v" ;;
      1) vips crop "$tmp/b.v" "$tmp/c.v" 0 0 $((w * 3 / 4)) $((h * 3 / 4)) ;;
      2) vips crop "$tmp/b.v" "$tmp/c.v" $((w / 4)) $((h / 4)) $((w * 3 / 4)) $((h * 3 / 4)) ;;
      3) vips flip "$tmp/b.v" "$tmp/c.v" horizontal ;;
      4) vips crop "$tmp/b.v" "$tmp/c.v" $((w / 8)) 0 $((w * 3 / 4)) "$h" ;;
    esac
    vips thumbnail "$tmp/c.v" "$tmp/s.v" 4000 --height 3000 --size force
    vips gaussnoise "$tmp/n.v" 4000 3000 --sigma 5 --mean 0
    vips add "$tmp/s.v" "$tmp/n.v" "$tmp/a.v"
    vips cast "$tmp/a.v" "$tmp/c.jpg[Q=90]" uchar
    mv "$tmp/c.jpg" "$big/IMG_$(printf %04d "$n").jpg"
    rm -rf "$tmp"
  }
  export -f make_big
  for ((i = 0; i < twelve; i++)); do
    echo "$i $(sed -n "$((i / 5 % $(wc -l <"$work/pool.txt") + 1))p" "$work/pool.txt")"
  done | xargs -P "$jobs" -L1 bash -c 'make_big "$0" "$1"'
  touch "$big.done"
fi
megabytes=$(du -sm "$big" | cut -f1)
echo
echo "twelve-megapixel JPEGs: $twelve, $megabytes MB; each measured $runs times, warm, the best kept"
best() {  # best wall seconds of `runs` runs of the command
  local fastest=""
  for ((r = 0; r < runs; r++)); do
    cat "$big"/* >/dev/null
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    fastest=$(python3 -c "import sys; a=float(sys.argv[1]); b=sys.argv[2]; print(min(a, float(b)) if b else a)" \
      "$(python3 -c "import sys; print(float(sys.argv[2]) - float(sys.argv[1]))" "$start" "$end")" "$fastest")
  done
  echo "$fastest"
}
empty=$(best "$find_" --similar-pictures --min-kb 0 --no-cache "$big")
python3 -c "import sys; n, s = int(sys.argv[1]), float(sys.argv[2]); print(f'empty cache: {s:.2f} s, {n / s:.0f} pictures a second')" "$twelve" "$empty"
cache=$work/cache
rm -rf "$cache"
XDG_CACHE_HOME=$cache "$find_" --similar-pictures --min-kb 0 "$big" >/dev/null 2>&1
second=$(XDG_CACHE_HOME=$cache best "$find_" --similar-pictures --min-kb 0 "$big")
XDG_CACHE_HOME=$cache "$find_" --min-kb 0 "$big" >/dev/null 2>&1
exact=$(XDG_CACHE_HOME=$cache best "$find_" --min-kb 0 "$big")
echo "second search, unchanged pictures: $second s; exact search, its cache filled: $exact s"
