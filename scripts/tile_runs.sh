#!/usr/bin/env bash
# Runs `roofplanes tile` on generated tiles with 1 and 2 threads and prints,
# for each run, the points, wall time, user time, peak memory and points per
# second; the runs alternate and repeat, since other work on the machine
# shifts single runs. Build first (scripts/setup.sh).
# Usage: scripts/tile_runs.sh [BUILDINGS [REPEATS [ROOFPLANES OPTIONS ...]]]
# (default: 20 houses, 3 repeats; --buildings 400 gives about 10 million points).
# Needs /usr/bin/time (Debian package time).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
buildings=${1:-20}
repeats=${2:-3}
shift $(( $# < 2 ? $# : 2 ))
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$root/build/tools/building_generator/make_tile" --buildings "$buildings" "$dir/tile.las"
for ((run = 1; run <= repeats; ++run)); do
  for jobs in 1 2; do
    /usr/bin/time -f "%e %U %M" -o "$dir/time.txt" \
      "$root/build/roofplanes" tile "$dir/tile.las" -o "$dir/out$jobs" --jobs "$jobs" "$@" >"$dir/summary.txt"
    read -r wall user rss <"$dir/time.txt"
    points=$(awk '/^points / {print $2}' "$dir/summary.txt")
    echo "buildings $buildings jobs $jobs points $points wall_s $wall user_s $user peak_rss_kb $rss" \
         "points_per_s $(awk -v p="$points" -v w="$wall" 'BEGIN {printf "%.0f", p / w}')"
  done
done
for file in tile.city.json tile.city.jsonl points.ply tile.svg; do
  [[ -e $dir/out1/$file || -e $dir/out2/$file ]] || continue  # not asked for by --format
  cmp -s "$dir/out1/$file" "$dir/out2/$file" || echo "$file differs between 1 and 2 jobs"
done
