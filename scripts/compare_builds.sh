#!/usr/bin/env bash
# Runs two builds of roofplanes without arguments on the same generated
# buildings and compares everything they produce: standard output, standard
# error, exit status, the log and every scene. For changes that must keep the
# output byte for byte.
# Usage: scripts/compare_builds.sh REFERENCE_BINARY NEW_BINARY [MAKE_BUILDING]
set -u
ref=$(realpath "$1"); new=$(realpath "$2")
gen=$(realpath "${3:-$(dirname "$0")/../build/tools/building_generator/make_building}")
fail=0; n=0
for shape in gable hip pyramid cross_gable flat_with_box shed_with_annex sample_house; do
 for seed in 1 2 3; do
  for extra in "" "--scale 0.5 --density 3" "--rotation 33 --repeats 4" "--noise 0.1 --density 12"; do
   d=$(mktemp -d); mkdir -p $d/a/Testdaten_Tolvar/69/work $d/b/Testdaten_Tolvar/69/work
   $gen --shape $shape --seed $seed $extra $d/a/Testdaten_Tolvar/69/Building_69.txt $d/a/Testdaten_Tolvar/69/roof.txt
   cp $d/a/Testdaten_Tolvar/69/*.txt $d/b/Testdaten_Tolvar/69/
   (cd $d/a && $ref > stdout.txt 2>stderr.txt; echo $? > rc)
   (cd $d/b && $new > stdout.txt 2>stderr.txt; echo $? > rc)
   n=$((n+1))
   if ! diff -r -q $d/a $d/b >/dev/null; then echo "DIFF $shape $seed $extra"; diff -r -q $d/a $d/b | head -3; fail=1; fi
   rm -rf $d
  done
 done
done
echo "compared $n buildings, fail=$fail"
