#!/usr/bin/env bash
# Many tiles the way a region is sharded: three small generated tiles through
# GNU Parallel, one roofplanes process per tile, with the line the README gives.
# Checks that every tile's outputs are there, belong to that tile and collide
# with no other tile's. The test suite runs it:
#   bash scripts/tiles_parallel_test.sh BUILD/roofplanes BUILD/tools/building_generator/make_tile
set -euo pipefail
roofplanes=$(realpath "$1")
make_tile=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "tiles_parallel_test: $*" >&2; exit 1; }

# Three tiles of different sizes, seeds and LAS versions: name, houses, options.
mkdir tiles
"$make_tile" --buildings 3 --size 80 --seed 1 tiles/north.las
"$make_tile" --buildings 4 --size 90 --seed 2 --version 1.4 --format 6 tiles/south.las
"$make_tile" --buildings 2 --size 70 --seed 3 tiles/east.las
declare -A houses=([north]=3 [south]=4 [east]=2)

export PATH="$(dirname "$roofplanes"):$PATH"
ls tiles/*.las | parallel -j 2 roofplanes tile {} -o out/{/.} >summaries.txt \
  || fail "a tile failed: $(cat summaries.txt)"

# Records in a LAS file: the 64-bit count of LAS 1.4 when set, else the 32-bit one.
las_records() {
  local legacy extended
  legacy=$(od -An -tu4 -j107 -N4 "$1" | tr -d ' ')
  extended=$(od -An -tu8 -j247 -N8 "$1" | tr -d ' ')
  if [[ $(od -An -tu1 -j25 -N1 "$1" | tr -d ' ') == 4 && $extended != 0 ]]; then echo "$extended"; else echo "$legacy"; fi
}

[[ $(ls out | sort | tr '\n' ' ') == "east north south " ]] || fail "unexpected output folders: $(ls out)"
for name in "${!houses[@]}"; do
  for file in tile.city.json tile.city.jsonl points.ply tile.svg; do
    [[ -s out/$name/$file ]] || fail "out/$name/$file is missing or empty"
  done
  vertices=$(grep -a -m1 '^element vertex' "out/$name/points.ply" | cut -d' ' -f3)
  records=$(las_records "tiles/$name.las")
  [[ $vertices == "$records" ]] || fail "out/$name/points.ply has $vertices points, tiles/$name.las $records"
  buildings=$(grep -o '"type":"Building"' "out/$name/tile.city.json" | wc -l)
  [[ $buildings == "${houses[$name]}" ]] || fail "out/$name/tile.city.json has $buildings buildings, not ${houses[$name]}"
  features=$(grep -c '"type":"CityJSONFeature"' "out/$name/tile.city.jsonl")
  [[ $features == "${houses[$name]}" ]] || fail "out/$name/tile.city.jsonl has $features features"
done
# No two tiles wrote the same bytes anywhere.
distinct=$(sha256sum out/*/* | cut -d' ' -f1 | sort -u | wc -l)
[[ $distinct == 12 ]] || fail "only $distinct distinct files among the 12 outputs"
echo "tiles_parallel_test: 3 tiles, 12 distinct outputs"
