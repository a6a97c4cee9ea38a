#!/usr/bin/env bash
# Installs what is missing (Debian, as root), then configures and builds the
# release tree in build/. Sourced by the two README commands.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make libcgal-dev libgmp-dev libmpfr-dev libboost-dev libcli11-dev libeigen3-dev
          nlohmann-json3-dev libtbb-dev libgtest-dev libbenchmark-dev python3-jsonschema parallel
          libgdal-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
