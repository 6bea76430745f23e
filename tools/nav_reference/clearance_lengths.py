#!/usr/bin/python3
"""Brute-force lengths of the shortest way for a disc, to judge a planner's clearance paths.

For each start/goal pair (world units, 256 per cell) this finds, on a fine lattice of points
(SPACING units apart, straight links in every direction up to 8 steps), the shortest way
for a point and the shortest way whose every point stays CLEARANCE units from every blocking
cell (beyond the map, walls, ground of another type than the start's). Both are slight
overestimates of the true lengths (by the lattice's spacing and directions: about 0.5 % at
4 units), so their ratio is the length any planner must pay for keeping its agents that
far from walls on that pair.

Needs python3-numpy and python3-scipy.

usage: clearance_lengths.py MAP.raw CLEARANCE SPACING AX AY BX BY [AX AY BX BY ...]
"""
import math
import sys

import numpy as np
from scipy.sparse import coo_matrix
from scipy.sparse.csgraph import dijkstra

CELL = 256
MARGIN = 6      # cells round the pair's box that the lattice covers
REACH = 8       # longest link, in lattice steps


def wall_distance(cells, walkable, xs, ys, box):
    """Distance of each lattice point to the nearest blocking cell (negative inside one)."""
    x0, y0, x1, y1 = box
    px, py = np.meshgrid(xs, ys)
    dist = np.full(px.shape, np.inf)
    for cy in range(y0 - 1, y1 + 1):
        for cx in range(x0 - 1, x1 + 1):
            inside_map = 0 <= cx < 256 and 0 <= cy < 256
            if inside_map and (cells[cy, cx] & 15) == walkable:
                continue
            dx = np.maximum(np.maximum(cx * CELL - px, 0), px - (cx + 1) * CELL)
            dy = np.maximum(np.maximum(cy * CELL - py, 0), py - (cy + 1) * CELL)
            inside = ((px > cx * CELL) & (px < (cx + 1) * CELL)
                      & (py > cy * CELL) & (py < (cy + 1) * CELL))
            dist = np.minimum(dist, np.where(inside, -1.0, np.hypot(dx, dy)))
    return dist


def shortest(free, spacing, start, goal):
    ny, nx = free.shape
    index = np.arange(nx * ny).reshape(ny, nx)
    rows, cols, weights = [], [], []
    for dx in range(-REACH, REACH + 1):
        for dy in range(-REACH, REACH + 1):
            if (dx, dy) == (0, 0) or math.gcd(abs(dx), abs(dy)) != 1:
                continue
            src = (slice(max(0, -dy), ny - max(0, dy)), slice(max(0, -dx), nx - max(0, dx)))
            ok = free[src].copy()
            steps = max(abs(dx), abs(dy))
            iy, ix = np.mgrid[src]
            for k in range(1, 4 * steps + 1):  # the link's points, read at the nearest lattice point
                t = k / (4 * steps)
                ok &= free[np.rint(iy + t * dy).astype(int), np.rint(ix + t * dx).astype(int)]
            rows.append(index[src][ok])
            cols.append(index[src][ok] + dy * nx + dx)
            weights.append(np.full(ok.sum(), spacing * math.hypot(dx, dy)))
    graph = coo_matrix((np.concatenate(weights), (np.concatenate(rows), np.concatenate(cols))),
                       shape=(nx * ny, nx * ny)).tocsr()
    return dijkstra(graph, indices=index[start])[index[goal]]


def nearest_free(free, xs, ys, x, y):
    ny, nx = free.shape
    ix, iy = int(round((x - xs[0]) / (xs[1] - xs[0]))), int(round((y - ys[0]) / (ys[1] - ys[0])))
    best = None
    for jy in range(max(0, iy - 16), min(ny, iy + 17)):
        for jx in range(max(0, ix - 16), min(nx, ix + 17)):
            if free[jy, jx]:
                d = math.hypot(xs[jx] - x, ys[jy] - y)
                if best is None or d < best[0]:
                    best = (d, (jy, jx))
    return best


def main(argv):
    if len(argv) < 8 or (len(argv) - 4) % 4:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    try:
        cells = np.fromfile(argv[1], dtype=np.uint8)
        clearance, spacing = float(argv[2]), int(argv[3])
        values = [int(v) for v in argv[4:]]
    except OSError as error:
        print(f"{argv[1]}: {error.strerror}", file=sys.stderr)
        return 2
    except ValueError as error:
        print(f"clearance_lengths: {error}", file=sys.stderr)
        return 2
    if clearance < 0 or spacing < 1:
        print("clearance_lengths: the clearance must be at least 0 and the spacing at least 1", file=sys.stderr)
        return 2
    if cells.size != 256 * 256:
        print(f"{argv[1]}: not a 256 x 256 map ({cells.size} bytes)", file=sys.stderr)
        return 2
    cells = cells.reshape(256, 256)
    for ax, ay, bx, by in zip(values[0::4], values[1::4], values[2::4], values[3::4]):
        if not all(0 <= v < 256 * CELL for v in (ax, ay, bx, by)):
            print(f"{ax} {ay} to {bx} {by}: an end lies off the map", file=sys.stderr)
            return 2
        walkable = cells[ay // CELL, ax // CELL] & 15
        if walkable == 15:
            print(f"{ax} {ay} to {bx} {by}: the start lies in a wall", file=sys.stderr)
            return 2
        box = (min(ax, bx) // CELL - MARGIN, min(ay, by) // CELL - MARGIN,
               max(ax, bx) // CELL + MARGIN + 1, max(ay, by) // CELL + MARGIN + 1)
        xs = np.arange(box[0] * CELL, box[2] * CELL + 1, spacing)
        ys = np.arange(box[1] * CELL, box[3] * CELL + 1, spacing)
        dist = wall_distance(cells, walkable, xs, ys, box)
        lengths = []
        for free in (dist >= 1, dist >= clearance):
            s, g = nearest_free(free, xs, ys, ax, ay), nearest_free(free, xs, ys, bx, by)
            if s is None or g is None:
                lengths.append(math.inf)
                continue
            lengths.append(s[0] + shortest(free, spacing, s[1], g[1]) + g[0])
        print(f"{ax} {ay} to {bx} {by}: point {lengths[0]:.0f}, clearance {clearance:g}"
              f" {lengths[1]:.0f}, ratio {lengths[1] / lengths[0]:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
