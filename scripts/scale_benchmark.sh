#!/usr/bin/env bash
# Compares roofplanes with CGAL's region growing plane detection
# (build/bench/peer_region_growing) on generated hip-roofed halls whose points
# are all roof points, and prints one Markdown table row per size: points,
# segments found by roofplanes and planes found by the peer, CPU time
# (user + sys), wall time and peak memory (max RSS) of each, and the
# roofplanes/peer ratios of wall and CPU time. Each figure is the median over
# the repetitions, which alternate roofplanes and the peer so that both meet
# the same machine load.
#
# Usage: scripts/scale_benchmark.sh [--repeats N] [--preset seed|auto] [ROOF_POINTS ...]
#   ROOF_POINTS  about how many points each hall has
#                (default 10000 100000 300000 1000000 3000000)
#   --repeats N  runs of each program per size (default 3 below 1M points, 1 from 1M)
#   --preset P   run `roofplanes extract --preset P` on the hall instead of
#                roofplanes without arguments (which runs the seed method)
# Build first (scripts/setup.sh builds build/ with the benchmarks). Needs
# /usr/bin/time (Debian package time). Progress goes to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

repeats=""
preset=""
sizes=()
while (($#)); do
  case "$1" in
    --repeats)
      [[ $# -ge 2 && $2 =~ ^[1-9][0-9]*$ ]] || { echo "scale_benchmark: --repeats needs a positive count" >&2; exit 2; }
      repeats=$2
      shift 2
      ;;
    --preset)
      [[ $# -ge 2 && ($2 == seed || $2 == auto) ]] || { echo "scale_benchmark: --preset needs seed or auto" >&2; exit 2; }
      preset=$2
      shift 2
      ;;
    -*) echo "usage: scripts/scale_benchmark.sh [--repeats N] [--preset seed|auto] [ROOF_POINTS ...]" >&2; exit 2 ;;
    *)
      [[ $1 =~ ^[1-9][0-9]*$ ]] || { echo "scale_benchmark: not a point count: $1" >&2; exit 2; }
      sizes+=("$1")
      shift
      ;;
  esac
done
((${#sizes[@]})) || sizes=(10000 100000 300000 1000000 3000000)

generator=$root/build/tools/building_generator/make_building
roofplanes=$root/build/roofplanes
peer=$root/build/bench/peer_region_growing
for program in /usr/bin/time "$generator" "$roofplanes" "$peer"; do
  [[ -x $program ]] || { echo "scale_benchmark: missing $program (build with scripts/setup.sh; time: apt-get install time)" >&2; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# median VALUE...: the middle value, or the mean of the two middle ones.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# ratio A B: A / B to two decimals, or "-" when B is zero (below the timer's resolution).
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'
}

# timed DIR PREFIX COMMAND...: runs COMMAND in DIR with standard output to
# PREFIX.out and sets cpu (user + sys seconds), wall (seconds) and rss (kB).
timed() {
  local dir=$1 prefix=$2
  shift 2
  if ! (cd "$dir" && /usr/bin/time -f '%U %S %e %M' -o "$prefix.time" "$@" >"$prefix.out" 2>"$prefix.err"); then
    echo "scale_benchmark: failed in $dir: $*" >&2
    tail -n 20 "$prefix.err" "$prefix.time" >&2
    exit 1
  fi
  read -r cpu wall rss < <(awk '{ printf "%.2f %.2f %d\n", $1 + $2, $3, $4 }' "$prefix.time")
}

echo "| Points | roofplanes segments | peer planes | roofplanes CPU s | peer CPU s | roofplanes wall s | peer wall s | roofplanes peak MB | peer peak MB | wall ratio | CPU ratio |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for size in "${sizes[@]}"; do
  runs=${repeats:-$((size < 1000000 ? 3 : 1))}
  dir=$scratch/$size
  data=$dir/Testdaten_Tolvar/69
  mkdir -p "$data/work"
  echo "generating a hall of about $size points" >&2
  "$generator" --shape hip --seed 5 --no-surroundings --roof-points "$size" "$data/Building_69.txt" "$data/roof.txt"
  points=$(wc -l <"$data/Building_69.txt")

  rp_cpu=() rp_wall=() rp_rss=() peer_cpu=() peer_wall=() peer_rss=()
  for ((run = 1; run <= runs; ++run)); do
    echo "  $points points, run $run of $runs: roofplanes" >&2
    if [[ -n $preset ]]; then
      timed "$dir" "$scratch/roofplanes" "$roofplanes" extract "$data/Building_69.txt" --roof "$data/roof.txt" \
        --preset "$preset"
      segments=$(awk '/^segments / { print $2 }' "$scratch/roofplanes.out")
    else
      timed "$dir" "$scratch/roofplanes" "$roofplanes"
      segments=$(grep -o 'there are that many segments: [0-9]*' "$scratch/roofplanes.out" | grep -o '[0-9]*$' || echo '?')
    fi
    rp_cpu+=("$cpu") rp_wall+=("$wall") rp_rss+=("$rss")

    echo "  $points points, run $run of $runs: peer" >&2
    timed "$dir" "$scratch/peer" "$peer" "$data/Building_69.txt" "$data/roof.txt"
    peer_cpu+=("$cpu") peer_wall+=("$wall") peer_rss+=("$rss")
    planes=$(awk '{ print $2 }' "$scratch/peer.out")
  done

  c1=$(median "${rp_cpu[@]}") c2=$(median "${peer_cpu[@]}")
  w1=$(median "${rp_wall[@]}") w2=$(median "${peer_wall[@]}")
  m1=$(median "${rp_rss[@]}") m2=$(median "${peer_rss[@]}")
  printf '| %d | %s | %s | %.2f | %.2f | %.2f | %.2f | %.0f | %.0f | %s | %s |\n' \
    "$points" "$segments" "$planes" "$c1" "$c2" "$w1" "$w2" \
    "$(awk -v k="$m1" 'BEGIN { print k / 1024 }')" "$(awk -v k="$m2" 'BEGIN { print k / 1024 }')" \
    "$(ratio "$w1" "$w2")" "$(ratio "$c1" "$c2")"
  rm -rf "$dir"
done
