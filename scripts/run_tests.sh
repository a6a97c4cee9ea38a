#!/usr/bin/env bash
# Builds roofplanes and runs the whole test suite twice: on the release build,
# and on a build with AddressSanitizer and UndefinedBehaviorSanitizer (with
# float-cast-overflow, which GCC leaves out of "undefined"). An allocation too
# large to make gives std::bad_alloc there as in the release build (the
# program's answer is one line and exit status 2), not a sanitizer abort.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROOFPLANES_SANITIZE=ON \
      -DROOFPLANES_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
