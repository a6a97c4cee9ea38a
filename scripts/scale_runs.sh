#!/usr/bin/env bash
# Runs the whole program on generated sample houses of growing size and prints
# points, segments, wall time and peak memory of each run. Build first
# (scripts/setup.sh). Usage: scripts/scale_runs.sh [ROOF_POINTS ...]
# (default: about 100k and 1M points in all, and 1M roof points).
# Needs /usr/bin/time (Debian package time).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
sizes=("$@")
((${#sizes[@]})) || sizes=(32000 320000 1000000)
for roof_points in "${sizes[@]}"; do
  dir=$(mktemp -d)
  mkdir -p "$dir/Testdaten_Tolvar/69/work"
  "$root/build/tools/building_generator/make_building" --shape sample_house --seed 5 \
    --roof-points "$roof_points" "$dir/Testdaten_Tolvar/69/Building_69.txt" "$dir/Testdaten_Tolvar/69/roof.txt"
  (cd "$dir" && /usr/bin/time -v "$root/build/roofplanes" >out.txt 2>time.txt) || true
  points=$(wc -l <"$dir/Testdaten_Tolvar/69/Building_69.txt")
  roof=$(wc -l <"$dir/Testdaten_Tolvar/69/roof.txt")
  segments=$(grep -o 'there are that many segments: [0-9]*' "$dir/out.txt" | grep -o '[0-9]*$')
  wall=$(grep 'Elapsed (wall clock)' "$dir/time.txt" | awk '{print $NF}')
  rss=$(grep 'Maximum resident set size' "$dir/time.txt" | awk '{print $NF}')
  echo "points $points roof $roof segments $segments wall $wall peak_rss_kb $rss"
  rm -rf "$dir"
done
