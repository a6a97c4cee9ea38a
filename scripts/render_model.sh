#!/usr/bin/env bash
# Pictures of one building of a CityJSON file, as a CityJSON viewer shows it:
#   scripts/render_model.sh CITYJSON OUT_PREFIX [--id BUILDING_ID] [--lod 2.2]
# writes OUT_PREFIX-oblique.png (from the south-west, 35 degrees up) and
# OUT_PREFIX-top.png (north up), 800 x 600: roofs red, walls light grey,
# ground dark grey, every polygon's edges black, and any back face (seen
# through a gap, or a polygon turned inside out) yellow. CITYJSON is a
# .city.json (the object --id, else the first) or a .city.jsonl (the feature
# holding --id, else the first); the transform is applied. --lod picks the
# geometry (default 2.2; 1.2 for the block, 2 for per-face roof surfaces).
#
# Pictures are optional, so this is not part of scripts/setup.sh: it installs
# what it needs itself (Debian's chromium as root, three.js and playwright-core
# from npm into scripts/render_model/node_modules, at the locked versions).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)/render_model"
if [[ $# -lt 2 ]]; then
  echo "usage: $0 CITYJSON OUT_PREFIX [--id BUILDING_ID] [--lod 2.2]" >&2
  exit 2
fi
if [[ ! -x "${CHROMIUM:-/usr/bin/chromium}" ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "render_model: needs Debian's chromium (apt-get install chromium, as root)" >&2
    exit 1
  fi
  apt-get install -y chromium >/dev/null || { apt-get update >/dev/null && apt-get install -y chromium >/dev/null; }
fi
if ! command -v npm >/dev/null; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "render_model: needs node and npm (apt-get install nodejs npm, as root)" >&2
    exit 1
  fi
  apt-get install -y nodejs npm >/dev/null
fi
if [[ ! -d "$here/node_modules/three" || ! -d "$here/node_modules/playwright-core" ]]; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error >&2)
fi
exec node "$here/render_model.mjs" "$@"
