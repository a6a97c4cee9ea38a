#!/usr/bin/env bash
# Renders the scenes of a finished sample run into docs/sample_segments.png:
# each pass's region (test<N>.wrl, recoloured per pass so the segments can be
# told apart) and its ordered outline (oob_this_segment<N>.wrl), seen from
# above. Needs view3dscene and xvfb (Debian packages); run scripts/run_sample.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."
data=Testdaten_Tolvar/69
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

colours=(red green blue yellow magenta cyan)
{
  echo "#VRML V2.0 utf8"
  echo "Background { skyColor [0.15 0.15 0.18] }"
  echo "Viewpoint { position 0 0 32 description \"top\" }"
  for region in "$data"/test*.wrl; do
    pass=${region##*/test}; pass=${pass%.wrl}
    colour=${colours[$((pass % ${#colours[@]}))]}
    sed "s/USE\tblue/USE\t$colour/" "$region" > "$scratch/region$pass.wrl"
    # Outline points a little above their region so they stay visible.
    awk '/^Transform \{translation/ { $4 = sprintf("%.2f", $4 + 1.0) } { print }' \
      "$data/oob_this_segment$pass.wrl" | sed "s/USE\tblue/USE\twhite/; s/radius 0.3/radius 0.15/" \
      > "$scratch/outline$pass.wrl"
    echo "Inline { url \"region$pass.wrl\" }"
    echo "Inline { url \"outline$pass.wrl\" }"
  done
} > "$scratch/all.wrl"
xvfb-run -a -s "-screen 0 1024x768x24" view3dscene "$scratch/all.wrl" --geometry 640x480 \
  --screenshot 0 "$PWD/docs/sample_segments.png"
