#!/usr/bin/env python3
"""Draws building footprints from classified LAS tiles: the building-class
points on a grid of 1 m cells, closed by one cell, cut into 4-connected parts,
each part's cell outline (holes kept) as a polygon. Writes one GeoJSON
FeatureCollection with the features of every tile given, each with an "id"
("<tile number>-<k>") and its "cells".

    draw_footprints.py EPSG OUT.geojson TILE.las [TILE.las ...]

Made for test data: the outlines follow the points, not any wall."""
import json
import struct
import sys
from collections import deque

CELL = 1.0
MIN_CELLS = 30
BUILDING = 6


def building_points(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 96)
    fmt = data[104] & 0x3F
    length, = struct.unpack_from("<H", data, 105)
    count, = struct.unpack_from("<I", data, 107)
    if data[25] >= 4 and count == 0:
        count, = struct.unpack_from("<Q", data, 247)
    scale = struct.unpack_from("<3d", data, 131)
    shift = struct.unpack_from("<3d", data, 155)
    points = []
    for k in range(count):
        at = offset + k * length
        x, y, _ = struct.unpack_from("<3i", data, at)
        cls = data[at + 16] if fmt >= 6 else data[at + 15] & 0x1F
        if cls == BUILDING:
            points.append((x * scale[0] + shift[0], y * scale[1] + shift[1]))
    return points


def grow(cells, by):
    return {(i + di, j + dj) for (i, j) in cells for di in range(-by, by + 1) for dj in range(-by, by + 1)}


def shrink(cells, by):
    return {(i, j) for (i, j) in cells
            if all((i + di, j + dj) in cells for di in range(-by, by + 1) for dj in range(-by, by + 1))}


def parts(cells):
    left, found = set(cells), []
    while left:
        start = left.pop()
        part, queue = {start}, deque([start])
        while queue:
            i, j = queue.popleft()
            for n in ((i + 1, j), (i - 1, j), (i, j + 1), (i, j - 1)):
                if n in left:
                    left.remove(n)
                    part.add(n)
                    queue.append(n)
        found.append(part)
    return found


def rings(part):
    """Cell edges with the part on their left, chained into rings."""
    edges = {}
    for (i, j) in part:
        if (i, j - 1) not in part: edges.setdefault((i, j), []).append((i + 1, j))
        if (i + 1, j) not in part: edges.setdefault((i + 1, j), []).append((i + 1, j + 1))
        if (i, j + 1) not in part: edges.setdefault((i + 1, j + 1), []).append((i, j + 1))
        if (i - 1, j) not in part: edges.setdefault((i, j + 1), []).append((i, j))
    result = []
    while edges:
        start = min(edges)
        ring, at, came = [start], start, None
        while True:
            ends = edges[at]
            if came is not None and len(ends) > 1:
                # At a corner where two cells touch: keep to the cell on the left.
                dx, dy = at[0] - came[0], at[1] - came[1]
                left = (at[0] - dy, at[1] + dx)
                end = left if left in ends else ends[0]
            else:
                end = ends[0]
            ends.remove(end)
            if not ends: del edges[at]
            came, at = at, end
            if at == start: break
            ring.append(at)
        result.append(without_straight_corners(ring))
    return result


def without_straight_corners(ring):
    kept = []
    for k, p in enumerate(ring):
        a, b = ring[k - 1], ring[(k + 1) % len(ring)]
        if (p[0] - a[0]) * (b[1] - p[1]) - (p[1] - a[1]) * (b[0] - p[0]) != 0:
            kept.append(p)
    return kept


def signed_area(ring):
    return sum(ring[k - 1][0] * p[1] - p[0] * ring[k - 1][1] for k, p in enumerate(ring)) / 2


def main():
    epsg, out, tiles = sys.argv[1], sys.argv[2], sys.argv[3:]
    features = []
    for tile in tiles:
        name = tile.rsplit("/", 1)[-1].split("_")[2]
        cells = {(int(x // CELL), int(y // CELL)) for x, y in building_points(tile)}
        cells = shrink(grow(cells, 1), 1)
        found = sorted((p for p in parts(cells) if len(p) >= MIN_CELLS), key=min)
        for k, part in enumerate(found, 1):
            outlines = rings(part)
            outer = [r for r in outlines if signed_area(r) > 0]
            holes = [r for r in outlines if signed_area(r) < 0]
            assert len(outer) == 1, "a 4-connected part has one outer ring"
            polygon = [[[x * CELL, y * CELL] for x, y in r + r[:1]] for r in outer + holes]
            features.append({"type": "Feature", "properties": {"id": f"{name}-{k}", "cells": len(part)},
                             "geometry": {"type": "Polygon", "coordinates": polygon}})
    collection = {"type": "FeatureCollection",
                  "crs": {"type": "name", "properties": {"name": f"urn:ogc:def:crs:EPSG::{epsg}"}},
                  "features": features}
    with open(out, "w") as f:
        json.dump(collection, f)
        f.write("\n")


if __name__ == "__main__":
    main()
