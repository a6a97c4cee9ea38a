#!/usr/bin/env bash
# Builds roofplanes and runs it on the sample building in Testdaten_Tolvar/69/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
./build/roofplanes
