#!/bin/bash
# Two machines' catalogs joined twice, by pelimor-find --merge and by DuckDB running the query
# README.md shows; both must find the same pairs of identical files. Run by hand (npm fetches
# @duckdb/node-api into the scratch folder):
#   bench/catalog_merge.sh [BUILD_DIR]      default: build
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
find_bin=$(cd "${1:-$here/build}" && pwd)/cli/pelimor-find
work=${PELIMOR_BENCH_DIR:-/tmp/pelimor-bench}/catalog-merge
rm -rf "$work/alpha" "$work/beta" "$work/need" "$work"/*.catalog
mkdir -p "$work/alpha/sub" "$work/beta" "$work/need"
cd "$work"

# Two trees that share files: copies on the other machine, copies on the same one, a hard link,
# and files of a shared size but other content.
for i in $(seq 1 300); do
  size=$((1000 + i * 997))
  head -c "$size" /dev/urandom > "alpha/f$i"
  if ((i % 3 == 0)); then cp "alpha/f$i" "beta/copy$i"; fi
  if ((i % 5 == 0)); then head -c "$size" /dev/urandom > "beta/other$i"; fi
  if ((i % 7 == 0)); then cp "alpha/f$i" "alpha/sub/again$i"; fi
  if ((i % 11 == 0)); then ln "alpha/f$i" "alpha/sub/link$i"; fi
done

export XDG_CACHE_HOME=$work/cache
catalog() { # MACHINE [OPTION]...
  "$find_bin" --min-kb 0 --no-cache --machine "$1" --catalog "$1.catalog" "${@:2}" "$1" > /dev/null
}
catalog alpha
catalog beta
"$find_bin" --merge --need-dir need alpha.catalog beta.catalog > /dev/null
catalog alpha --digests-for need/alpha.list
catalog beta --digests-for need/beta.list
"$find_bin" --merge alpha.catalog beta.catalog > merged.txt 2> merged.err
if [ -s merged.err ]; then
  echo "the second merge still asks for digests:" >&2
  cat merged.err >&2
  exit 1
fi
# Every pair within a group, the smaller machine and path first.
awk -F'\t' 'NF { files[$1] = files[$1] $4 "\t" $5 "\n" }
  END { for (g in files) { n = split(files[g], f, "\n") - 1
          for (i = 1; i <= n; i++) for (j = 1; j <= n; j++) if (f[i] < f[j]) print f[i] "\t" f[j] } }' merged.txt |
  LC_ALL=C sort > merge-pairs.txt

[ -d node_modules/@duckdb/node-api ] || npm install --silent --no-audit --no-fund @duckdb/node-api > /dev/null
# The README's query, as it stands there.
sed -n '/^```sql$/,/^```$/p' "$here/README.md" | sed '1d;$d' > query.sql
cat > run-query.js <<'JS'
const { DuckDBInstance } = require('@duckdb/node-api');
(async () => {
  const connection = await (await DuckDBInstance.create(':memory:')).connect();
  const reader = await connection.runAndReadAll(require('fs').readFileSync(process.argv[2], 'utf8'));
  for (const row of reader.getRows()) console.log(row.map(String).join('\t'));
})();
JS
node run-query.js query.sql | LC_ALL=C sort > duckdb-pairs.txt

if ! diff merge-pairs.txt duckdb-pairs.txt > pairs.diff; then
  echo "DuckDB and --merge differ (< --merge, > DuckDB):" >&2
  cat pairs.diff >&2
  exit 1
fi
echo "--merge and DuckDB agree: $(wc -l < merge-pairs.txt) pairs, $(grep -c . merged.txt) files in groups"
