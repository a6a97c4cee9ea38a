#!/usr/bin/env python3
"""Pictures of every building of a roofplanes result, points coloured by segment.

    python3 scripts/render_segments.py OUT/points.ply PICTURES [--prefix NAME]

Reads the binary points.ply that `roofplanes tile` or `roofplanes extract`
writes (x, y, z, segment, roof and, for a tile, building) and writes one PNG
per building into PICTURES: a top view and an oblique view of its roof
points, each segment in its own colour, unlabelled roof points black, other
points light grey in the top view. Prints one line per building: its roof
points, segments with their sizes, and the share of roof points left
unlabelled. Needs Debian's python3-matplotlib and python3-numpy.
"""
import argparse
import os
import sys

import numpy as np


def read_ply(path):
    with open(path, "rb") as f:
        header = []
        while True:
            line = f.readline().decode("ascii").strip()
            header.append(line)
            if line == "end_header":
                break
        count = 0
        fields = []
        kinds = {"double": "<f8", "int": "<i4", "uchar": "u1", "float": "<f4", "uint": "<u4"}
        for line in header:
            parts = line.split()
            if parts[:2] == ["element", "vertex"]:
                count = int(parts[2])
            elif parts[:1] == ["property"]:
                fields.append((parts[2], kinds[parts[1]]))
        return np.frombuffer(f.read(), dtype=np.dtype(fields), count=count)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("ply")
    parser.add_argument("pictures")
    parser.add_argument("--prefix", default="building")
    args = parser.parse_args()

    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    points = read_ply(args.ply)
    os.makedirs(args.pictures, exist_ok=True)
    buildings = points["building"] if "building" in points.dtype.names else np.ones(len(points), dtype=np.int32)
    palette = plt.get_cmap("tab20")
    for b in sorted(set(buildings[buildings > 0].tolist())):
        mine = buildings == b
        roof = mine & (points["roof"] == 1)
        seg = points["segment"]
        labels = sorted(set(seg[roof & (seg > 0)].tolist()))
        unlabelled = roof & (seg == 0)
        sizes = ", ".join(f"{s}:{int(np.sum(roof & (seg == s)))}" for s in labels)
        share = 100.0 * np.sum(unlabelled) / max(1, np.sum(roof))
        print(f"{args.prefix} {b}: roof points {int(np.sum(roof))}, segments {len(labels)} ({sizes}), "
              f"unlabelled {share:.1f} %")

        x0, y0 = points["x"][roof].min(), points["y"][roof].min()
        fig = plt.figure(figsize=(16, 8))
        top = fig.add_subplot(1, 2, 1)
        other = mine & (points["roof"] == 0)
        top.scatter(points["x"][other] - x0, points["y"][other] - y0, s=1, c="0.85")
        side = fig.add_subplot(1, 2, 2, projection="3d")
        for k, s in enumerate(labels):
            sel = roof & (seg == s)
            colour = palette(k % 20)
            top.scatter(points["x"][sel] - x0, points["y"][sel] - y0, s=4, color=colour)
            cx, cy = np.mean(points["x"][sel]) - x0, np.mean(points["y"][sel]) - y0
            top.text(cx, cy, str(s), fontsize=11, weight="bold")
            side.scatter(points["x"][sel] - x0, points["y"][sel] - y0, points["z"][sel], s=3, color=colour)
        top.scatter(points["x"][unlabelled] - x0, points["y"][unlabelled] - y0, s=6, c="k", marker="x")
        side.scatter(points["x"][unlabelled] - x0, points["y"][unlabelled] - y0, points["z"][unlabelled], s=6,
                     c="k", marker="x")
        top.set_aspect("equal")
        top.set_title(f"{args.prefix} {b}: top view (x: unlabelled roof points)")
        side.view_init(elev=35, azim=-60)
        side.set_title("oblique view")
        fig.tight_layout()
        fig.savefig(os.path.join(args.pictures, f"{args.prefix}_{b}.png"), dpi=80)
        plt.close(fig)
    return 0


if __name__ == "__main__":
    sys.exit(main())
