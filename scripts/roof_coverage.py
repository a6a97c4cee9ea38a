#!/usr/bin/env python3
"""How much of each building's roof a roofplanes result leaves unlabelled.

    python3 scripts/roof_coverage.py OUT/points.ply [--radius 1.0] [--rms 0.05]
                                     [--slope 70] [--groups 20] [--points FILE]

Reads the binary points.ply that `roofplanes tile` writes (x, y, z, segment,
roof, building). A building's roof point (roof = 1) that no segment holds is
"roof-like" when a plane through it fits its roof neighbours within --radius
metres: the plane through it and two neighbours that most neighbours lie
within 2 --rms of, fitted again to those, leaves a root mean square height
residual of at most --rms metres, holds a fifth of the neighbours (six at
least), spreads in both directions and is less steep than --slope degrees
(the best plane, not one through all: a wall's top, a lower roof or a unit
may lie within the radius); else "other" (facade strips, walls, antennas,
clutter). Prints per building: roof points, segments (faces
found), labelled points, unlabelled roof-like and other points, and the
roof-like unlabelled share: unlabelled roof-like / (labelled + unlabelled
roof-like), the share of the points of real roof faces left out, and of
those the points "on a face": within --radius of a segment's points and
within three times that segment's rms of its fitted plane (the tolerance by
which the auto method joins free points; a parapet's top, a unit or the
step between two faces lies farther off), as a share of labelled + on-a-face
points. Then the
connected groups (points within --radius) of unlabelled roof-like points of
at least --groups points: size, centre, height and slope, to look at;
--points writes them, one "x y z building" line each. Python 3 standard
library only.
"""
import argparse
import math
import struct
import sys
from collections import defaultdict


def read_ply(path):
    with open(path, "rb") as f:
        count = 0
        fields = []
        kinds = {"double": "d", "float": "f", "int": "i", "uint": "I", "uchar": "B", "char": "b",
                 "short": "h", "ushort": "H"}
        while True:
            line = f.readline().decode("ascii").strip()
            parts = line.split()
            if parts[:2] == ["element", "vertex"]:
                count = int(parts[2])
            elif parts[:1] == ["property"]:
                fields.append((parts[2], kinds[parts[1]]))
            elif line == "end_header":
                break
        record = struct.Struct("<" + "".join(kind for _, kind in fields))
        data = f.read(record.size * count)
    names = [name for name, _ in fields]
    return [dict(zip(names, values)) for values in record.iter_unpack(data)]


def solve3(m, v):
    """m x = v for a symmetric 3 x 3 m by Cramer's rule; None when singular."""
    def det(a):
        return (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1])
                - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
                + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]))
    d = det(m)
    if abs(d) < 1e-12:
        return None
    out = []
    for col in range(3):
        a = [row[:] for row in m]
        for row in range(3):
            a[row][col] = v[row]
        out.append(det(a) / d)
    return out


def fit_plane(points):
    """Least-squares z = a x + b y + c about the points' centre: (a, b, rms) or None."""
    fit = fit_plane_about_centre(points)
    return None if fit is None else fit[3:]


def fit_plane_about_centre(points):
    """Least-squares plane through the points' centre: (cx, cy, cz, a, b, rms) or None,
    z = cz + a (x - cx) + b (y - cy)."""
    n = len(points)
    if n < 4:
        return None
    cx = sum(p[0] for p in points) / n
    cy = sum(p[1] for p in points) / n
    cz = sum(p[2] for p in points) / n
    sxx = sxy = syy = sxz = syz = 0.0
    for x, y, z in points:
        dx, dy, dz = x - cx, y - cy, z - cz
        sxx += dx * dx
        sxy += dx * dy
        syy += dy * dy
        sxz += dx * dz
        syz += dy * dz
    solution = solve3([[sxx, sxy, 0.0], [sxy, syy, 0.0], [0.0, 0.0, 1.0]], [sxz, syz, 0.0])
    if solution is None:
        return None
    a, b, _ = solution
    rms = math.sqrt(sum((z - cz - a * (x - cx) - b * (y - cy)) ** 2 for x, y, z in points) / n)
    return cx, cy, cz, a, b, rms


class Grid:
    def __init__(self, points, cell):
        self.cell = cell
        self.cells = defaultdict(list)
        for index, p in enumerate(points):
            self.cells[(math.floor(p[0] / cell), math.floor(p[1] / cell))].append(index)
        self.points = points

    def near(self, p, radius):
        i, j = math.floor(p[0] / self.cell), math.floor(p[1] / self.cell)
        reach = int(math.ceil(radius / self.cell))
        for di in range(-reach, reach + 1):
            for dj in range(-reach, reach + 1):
                for index in self.cells.get((i + di, j + dj), ()):
                    q = self.points[index]
                    if (q[0] - p[0]) ** 2 + (q[1] - p[1]) ** 2 <= radius * radius:
                        yield index


def roof_like(points, grid, index, radius, rms_limit, slope_limit):
    """Whether a plane through the point fits enough of its neighbours within rms_limit and is not steep.

    Planes through the point and two neighbours (a spread choice of pairs) are tried; the one that
    most neighbours lie within 2 rms_limit of is fitted again to those neighbours. Several levels
    (a wall's top, a lower roof, a unit) meet within a radius, so the plane is the best one among
    them, not one fitted to all. The neighbours on it must spread in both directions (not one scan
    line along a facade), and be at least a fifth of the neighbours, and six."""
    p = points[index]
    near = [points[i] for i in grid.near(p, radius) if i != index]
    if len(near) < 5:
        return False, None
    band = 2.0 * rms_limit
    best, best_count = None, 0
    step = max(1, len(near) // 12)
    for i in range(0, len(near), step):
        for j in range(i + 1, len(near), step):
            q, r = near[i], near[j]
            ux, uy, uz = q[0] - p[0], q[1] - p[1], q[2] - p[2]
            vx, vy, vz = r[0] - p[0], r[1] - p[1], r[2] - p[2]
            nx, ny, nz = uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx
            length = math.sqrt(nx * nx + ny * ny + nz * nz)
            if abs(nz) < 0.05 * radius * radius or length == 0.0:
                continue  # nearly collinear in plan, or a wall
            count = sum(1 for s in near
                        if abs((s[0] - p[0]) * nx + (s[1] - p[1]) * ny + (s[2] - p[2]) * nz) <= band * length)
            if count > best_count:
                best, best_count = (nx, ny, nz, length), count
    if best is None or best_count < max(6, len(near) // 5):
        return False, None
    nx, ny, nz, length = best
    on = [s for s in near if abs((s[0] - p[0]) * nx + (s[1] - p[1]) * ny + (s[2] - p[2]) * nz) <= band * length]
    on.append(p)
    fit = fit_plane(on)
    if fit is None:
        return False, None
    a, b, rms = fit
    # Spread in plan: the smaller principal spread of the points on the plane.
    n = len(on)
    cx, cy = sum(s[0] for s in on) / n, sum(s[1] for s in on) / n
    sxx = sum((s[0] - cx) ** 2 for s in on) / n
    syy = sum((s[1] - cy) ** 2 for s in on) / n
    sxy = sum((s[0] - cx) * (s[1] - cy) for s in on) / n
    smaller = (sxx + syy) / 2.0 - math.sqrt(((sxx - syy) / 2.0) ** 2 + sxy * sxy)
    slope = math.degrees(math.atan(math.hypot(a, b)))
    residual = abs(p[2] - (sum(s[2] for s in on) / n + a * (p[0] - cx) + b * (p[1] - cy)))
    return (rms <= rms_limit and slope < slope_limit and residual <= band and
            math.sqrt(max(smaller, 0.0)) >= 0.15 * radius), slope


def groups_of(points, members, radius):
    """Connected groups of the member indices, points within radius (in x, y and z) joining."""
    sub = [points[i] for i in members]
    grid = Grid(sub, radius)
    seen = [False] * len(sub)
    groups = []
    for start in range(len(sub)):
        if seen[start]:
            continue
        seen[start] = True
        stack, group = [start], []
        while stack:
            k = stack.pop()
            group.append(members[k])
            for other in grid.near(sub[k], radius):
                if not seen[other] and abs(sub[other][2] - sub[k][2]) <= radius:
                    seen[other] = True
                    stack.append(other)
        groups.append(group)
    return groups


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("ply")
    parser.add_argument("--radius", type=float, default=1.0)
    parser.add_argument("--rms", type=float, default=0.05)
    parser.add_argument("--slope", type=float, default=70.0)
    parser.add_argument("--groups", type=int, default=20)
    parser.add_argument("--points", help="write the unlabelled roof-like points here (x y z building per line)")
    args = parser.parse_args()

    records = read_ply(args.ply)
    buildings = defaultdict(list)
    for r in records:
        if r.get("building", 0) > 0 and r["roof"] == 1:
            buildings[r["building"]].append(r)
    total_labelled = total_free_roof = total_on_face = 0
    listed = open(args.points, "w") if args.points else None
    print("building  roof  faces  labelled  free-roof-like  free-other  roof-like-unlabelled  on-a-face-unlabelled")
    for k in sorted(buildings):
        rows = buildings[k]
        points = [(r["x"], r["y"], r["z"]) for r in rows]
        grid = Grid(points, args.radius)
        faces = len({r["segment"] for r in rows if r["segment"] > 0})
        labelled = sum(1 for r in rows if r["segment"] > 0)
        free_roof = []
        free_other = 0
        for index, r in enumerate(rows):
            if r["segment"] > 0:
                continue
            like, _ = roof_like(points, grid, index, args.radius, args.rms, args.slope)
            if like:
                free_roof.append(index)
            else:
                free_other += 1
        planes = {}
        for segment in {r["segment"] for r in rows if r["segment"] > 0}:
            planes[segment] = fit_plane_about_centre([p for p, r in zip(points, rows) if r["segment"] == segment])
        on_face = 0
        for index in free_roof:
            p = points[index]
            for segment in {rows[i]["segment"] for i in grid.near(p, args.radius) if rows[i]["segment"] > 0}:
                fit = planes[segment]
                if fit is None:
                    continue
                cx, cy, cz, a, b, rms = fit
                if abs(p[2] - (cz + a * (p[0] - cx) + b * (p[1] - cy))) <= 3.0 * rms:
                    on_face += 1
                    break
        share = len(free_roof) / max(labelled + len(free_roof), 1)
        on_face_share = on_face / max(labelled + on_face, 1)
        total_on_face += on_face
        if listed:
            for index in free_roof:
                listed.write(f"{points[index][0]:.3f} {points[index][1]:.3f} {points[index][2]:.3f} {k}\n")
        total_labelled += labelled
        total_free_roof += len(free_roof)
        print(f"b{k:<8} {len(rows):5d}  {faces:5d}  {labelled:8d}  {len(free_roof):14d}  {free_other:10d}  "
              f"{100.0 * share:19.1f} %  {on_face:5d} = {100.0 * on_face_share:11.1f} %")
        for group in sorted(groups_of(points, free_roof, args.radius), key=len, reverse=True):
            if len(group) < args.groups:
                break
            g = [points[i] for i in group]
            fit = fit_plane(g)
            slope = math.degrees(math.atan(math.hypot(fit[0], fit[1]))) if fit else float("nan")
            rms = fit[2] if fit else float("nan")
            cx = sum(p[0] for p in g) / len(g)
            cy = sum(p[1] for p in g) / len(g)
            zs = sorted(p[2] for p in g)
            print(f"    group {len(g):5d} points at ({cx:.1f}, {cy:.1f}), z {zs[0]:.2f}..{zs[-1]:.2f}, "
                  f"slope {slope:.0f} deg, rms {rms:.3f} m")
    share = total_free_roof / max(total_labelled + total_free_roof, 1)
    print(f"all       roof-like unlabelled {total_free_roof} of {total_labelled + total_free_roof}: "
          f"{100.0 * share:.1f} %; on a face {total_on_face}: "
          f"{100.0 * total_on_face / max(total_labelled + total_on_face, 1):.1f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
