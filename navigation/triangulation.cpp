// Point location, lookup, vertex insertion, edge flips and segment insertion on the
// navigation triangulation. Every side decision is an exact integer cross sign.
#include "navigation/triangulation.h"

#include <algorithm>

namespace nav {
namespace {

// A walk longer than this has met a triangulation on which the visibility walk cycles;
// the location then falls back to a scan of the table, which always answers.
constexpr int kMaxWalkSteps = 4 * kMaxTriangles;
// Flip attempts of one segment insertion; a valid triangulation needs far fewer
// (each crossed edge is flipped away after a bounded number of rounds).
constexpr int kMaxSegmentFlipRounds = 1 << 22;

struct Point64 {
    int64_t x;
    int64_t y;
};

// Vertex of triangle t at slot s, in world units (1/256 cell).
Point64 scaled(const NavMesh& mesh, int t, int s) {
    const NavPoint& p = vertexOf(mesh, t, s);
    return {static_cast<int64_t>(p.x) * 256, static_cast<int64_t>(p.y) * 256};
}

Point64 cellPoint(const NavMesh& mesh, int vertexIndex) {
    const NavPoint& p = mesh.points[vertexIndex];
    return {p.x, p.y};
}

// sign((a - p) x (b - p)): positive when p lies beyond the directed edge a -> b.
int sideOf(Point64 a, Point64 b, Point64 p) {
    return crossSign(a.x - p.x, a.y - p.y, b.x - p.x, b.y - p.y);
}

bool isLiveIndex(const NavMesh& mesh, int t) {
    return t >= 0 && t < mesh.triangleHighWater && isLive(mesh.triangles[t]);
}

int hintIndex(int64_t px, int64_t py) {
    const int64_t bx = std::clamp<int64_t>(px >> 14, 0, kHintBlocksPerSide - 1);
    const int64_t by = std::clamp<int64_t>(py >> 14, 0, kHintBlocksPerSide - 1);
    return static_cast<int>(by * kHintBlocksPerSide + bx);
}

// A live starting triangle for P's block, stored back into the hint grid.
int startTriangle(NavMesh& mesh, int block) {
    int t = mesh.hintGrid[block];
    if (isLiveIndex(mesh, t)) return t;
    const int bx = block % kHintBlocksPerSide;
    const int by = block / kHintBlocksPerSide;
    int candidates[4];
    int n = 0;
    if (bx >= 1) candidates[n++] = block - 1;
    if (bx < kHintBlocksPerSide - 1) candidates[n++] = block + 1;
    if (by >= 1) candidates[n++] = block - kHintBlocksPerSide;
    if (by < kHintBlocksPerSide - 1) candidates[n++] = block + kHintBlocksPerSide;
    t = kNoTriangle;
    for (int i = 0; i < n && t == kNoTriangle; ++i) {
        if (isLiveIndex(mesh, mesh.hintGrid[candidates[i]])) t = mesh.hintGrid[candidates[i]];
    }
    for (int i = 0; i < kHintBlocks && t == kNoTriangle; ++i) {
        if (isLiveIndex(mesh, mesh.hintGrid[i])) t = mesh.hintGrid[i];
    }
    for (int i = 0; i < mesh.triangleHighWater && t == kNoTriangle; ++i) {
        if (isLive(mesh.triangles[i])) t = i;
    }
    mesh.hintGrid[block] = t;
    return t;
}

// Rotates around vertex slot k of t toward p until t is the fan triangle whose corner at
// that vertex faces p. Updates t and k.
void pivot(const NavMesh& mesh, int& t, int& k, Point64 p) {
    const Point64 v = scaled(mesh, t, k);
    bool prevPositive = sideOf(v, scaled(mesh, t, prev(k)), p) > 0;
    // A full turn around any vertex visits each fan triangle once.
    for (int guard = 0; guard <= kMaxTriangles; ++guard) {
        const int g = sideOf(v, scaled(mesh, t, next(k)), p);
        if (prevPositive && g <= 0) return;
        const int n = mesh.triangles[t].neighbour[k];
        if (n < 0) return;
        const int back = neighbourSlot(mesh, n, t);
        if (back < 0) return;
        k = next(back);
        t = n;
        prevPositive = g > 0;
    }
}

bool contains(const NavMesh& mesh, int t, Point64 p) {
    const Point64 a = scaled(mesh, t, 0), b = scaled(mesh, t, 1), c = scaled(mesh, t, 2);
    return sideOf(a, b, p) <= 0 && sideOf(b, c, p) <= 0 && sideOf(c, a, p) <= 0;
}

int scanFor(const NavMesh& mesh, Point64 p) {
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (isLive(mesh.triangles[t]) && contains(mesh, t, p)) return t;
    }
    return kNoTriangle;
}

// Segment side of a cell point: sign of (b - a) x (p - a).
int segmentSide(Point64 a, Point64 b, Point64 p) {
    return crossSign(b.x - a.x, b.y - a.y, p.x - a.x, p.y - a.y);
}

}  // namespace

int locateTriangle(NavMesh& mesh, int32_t px, int32_t py) {
    // Points beyond the bounding square are located at its nearest point; the border
    // triangles there are outside triangles.
    const Point64 p{std::clamp<int64_t>(px, int64_t{kBoundMin} * 256, int64_t{kBoundMax} * 256),
                    std::clamp<int64_t>(py, int64_t{kBoundMin} * 256, int64_t{kBoundMax} * 256)};
    const int block = hintIndex(p.x, p.y);
    int t = startTriangle(mesh, block);
    if (t < 0) return kNoTriangle;
    for (int step = 0; step < kMaxWalkSteps; ++step) {
        const Point64 a = scaled(mesh, t, 0), b = scaled(mesh, t, 1), c = scaled(mesh, t, 2);
        const bool s0 = sideOf(a, b, p) > 0;
        const bool s1 = sideOf(b, c, p) > 0;
        const bool s2 = sideOf(c, a, p) > 0;
        if (!s0 && !s1 && !s2) {
            mesh.hintGrid[block] = t;
            return t;
        }
        const int positives = s0 + s1 + s2;
        if (positives == 1) {
            const int edge = s0 ? 0 : (s1 ? 1 : 2);
            const int n = mesh.triangles[t].neighbour[edge];
            if (n < 0) break;
            t = n;
            continue;
        }
        int k = (s0 && s1) ? 1 : ((s0 && s2) ? 0 : 2);
        const int before = t;
        pivot(mesh, t, k, p);
        if (t == before) {
            // The rotation could not leave the triangle (border fan): step across the
            // first edge P lies beyond that has a neighbour.
            const NavTriangle& tri = mesh.triangles[t];
            const bool beyond[3] = {s0, s1, s2};
            int n = kNoTriangle;
            for (int i = 0; i < 3 && n < 0; ++i) {
                if (beyond[i]) n = tri.neighbour[i];
            }
            if (n < 0) break;
            t = n;
        }
    }
    const int found = scanFor(mesh, p);
    if (found >= 0) {
        mesh.hintGrid[block] = found;
        return found;
    }
    return t;
}

int locateForQuery(NavMesh& mesh, int32_t px, int32_t py) {
    int t = locateTriangle(mesh, px, py);
    if (t < 0) return t;
    const Point64 p{px, py};
    const Point64 toward{kTieBreakX, kTieBreakY};
    for (int s = 0; s < 3; ++s) {
        const Point64 v = scaled(mesh, t, s);
        if (v.x == p.x && v.y == p.y) {
            int k = s;
            pivot(mesh, t, k, toward);
            return t;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const Point64 a = scaled(mesh, t, i), b = scaled(mesh, t, next(i));
        if (sideOf(a, b, p) == 0 && crossSign(b.x - a.x, b.y - a.y, toward.x - a.x, toward.y - a.y) > 0) {
            const int n = mesh.triangles[t].neighbour[i];
            return n >= 0 ? n : t;
        }
    }
    return t;
}

bool findVertex(NavMesh& mesh, int x, int y, int& triangle, int& slot) {
    const int t = locateTriangle(mesh, x * 256, y * 256);
    if (t < 0) return false;
    for (int s = 0; s < 3; ++s) {
        const NavPoint& v = vertexOf(mesh, t, s);
        if (v.x == x && v.y == y) {
            triangle = t;
            slot = s;
            return true;
        }
    }
    return false;
}

bool findEdgeToward(NavMesh& mesh, int ax, int ay, int bx, int by, int& triangle, int& slot) {
    int t = 0, k = 0;
    if (!findVertex(mesh, ax, ay, t, k)) return false;
    const int first = t;
    const int64_t dx = bx - ax, dy = by - ay;
    auto sgn = [](int64_t v) { return (v > 0) - (v < 0); };
    for (int guard = 0; guard <= kMaxTriangles; ++guard) {
        const NavPoint& r = vertexOf(mesh, t, next(k));
        const int64_t rx = r.x - ax, ry = r.y - ay;
        if (crossSign(rx, ry, dx, dy) == 0 && sgn(rx) == sgn(dx) && sgn(ry) == sgn(dy)) {
            triangle = t;
            slot = k;
            return true;
        }
        const int n = mesh.triangles[t].neighbour[k];
        if (n < 0) return false;
        const int back = neighbourSlot(mesh, n, t);
        if (back < 0) return false;
        k = next(back);
        t = n;
        if (t == first) return false;
    }
    return false;
}

namespace {

void repoint(NavMesh& mesh, int n, int from, int to) {
    if (n < 0) return;
    const int s = neighbourSlot(mesh, n, from);
    if (s >= 0) mesh.triangles[n].neighbour[s] = static_cast<int16_t>(to);
}

void splitTriangle(NavMesh& mesh, int t, int x, int y) {
    const int t2 = allocateTriangle(mesh);
    const int t3 = allocateTriangle(mesh);
    const int p = allocatePoint(mesh);
    mesh.points[p] = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    const NavTriangle old = mesh.triangles[t];
    NavTriangle& a = mesh.triangles[t];
    NavTriangle& b = mesh.triangles[t2];
    NavTriangle& c = mesh.triangles[t3];
    b = old;
    c = old;
    const uint16_t pv = static_cast<uint16_t>(p);
    a.vertex[2] = pv;  // (A, B, P)
    b.vertex[0] = pv;  // (P, B, C)
    c.vertex[1] = pv;  // (A, P, C)
    a.neighbour[0] = old.neighbour[0];
    a.neighbour[1] = static_cast<int16_t>(t2);
    a.neighbour[2] = static_cast<int16_t>(t3);
    b.neighbour[0] = static_cast<int16_t>(t);
    b.neighbour[1] = old.neighbour[1];
    b.neighbour[2] = static_cast<int16_t>(t3);
    c.neighbour[0] = static_cast<int16_t>(t);
    c.neighbour[1] = static_cast<int16_t>(t2);
    c.neighbour[2] = old.neighbour[2];
    repoint(mesh, old.neighbour[1], t, t2);
    repoint(mesh, old.neighbour[2], t, t3);
    a.edgeFlags = static_cast<uint8_t>((old.edgeFlags & 0x09) | 0x06);
    b.edgeFlags = static_cast<uint8_t>((old.edgeFlags & 0x12) | 0x05);
    c.edgeFlags = static_cast<uint8_t>((old.edgeFlags & 0x24) | 0x03);
    clearRegion(mesh, t);
    b.regionWord = 0;
    c.regionWord = 0;
    updateClearanceClasses(mesh, t);
    updateClearanceClasses(mesh, t2);
    updateClearanceClasses(mesh, t3);
}

// Splits t = (X, Y, Z) with X at slot i at vertex p on edge i; returns the new half
// (P, Y, Z). Edge i of both halves still points at the old neighbour.
int halfSplit(NavMesh& mesh, int t, int i, int p) {
    const int t2 = allocateTriangle(mesh);
    mesh.triangles[t2] = mesh.triangles[t];
    NavTriangle& a = mesh.triangles[t];
    NavTriangle& b = mesh.triangles[t2];
    const int ni = next(i), pi = prev(i);
    a.vertex[ni] = static_cast<uint16_t>(p);
    b.vertex[i] = static_cast<uint16_t>(p);
    const int outer = a.neighbour[ni];
    a.neighbour[ni] = static_cast<int16_t>(t2);
    b.neighbour[pi] = static_cast<int16_t>(t);
    repoint(mesh, outer, t, t2);
    a.edgeFlags = static_cast<uint8_t>((a.edgeFlags | (1u << ni)) & ~(1u << (kFixedShift + ni)));
    b.edgeFlags = static_cast<uint8_t>((b.edgeFlags | (1u << pi)) & ~(1u << (kFixedShift + pi)));
    clearRegion(mesh, t);
    b.regionWord = 0;
    updateClearanceClasses(mesh, t);
    updateClearanceClasses(mesh, t2);
    return t2;
}

void splitEdge(NavMesh& mesh, int t, int i, int x, int y) {
    const int p = allocatePoint(mesh);
    mesh.points[p] = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    const int c = mesh.triangles[t].neighbour[i];
    const int k = c >= 0 ? neighbourSlot(mesh, c, t) : -1;
    const int t2 = halfSplit(mesh, t, i, p);
    if (c < 0 || k < 0) return;  // a border edge: only one side to split
    const int c2 = halfSplit(mesh, c, k, p);
    mesh.triangles[t].neighbour[i] = static_cast<int16_t>(c2);
    mesh.triangles[c].neighbour[k] = static_cast<int16_t>(t2);
}

}  // namespace

bool insertPoint(NavMesh& mesh, int x, int y) {
    const int t = locateTriangle(mesh, x * 256, y * 256);
    if (t < 0) {
        failBuild(mesh, "triangle table holds no live triangle");
        return false;
    }
    for (int s = 0; s < 3; ++s) {
        const NavPoint& v = vertexOf(mesh, t, s);
        if (v.x == x && v.y == y) return true;
    }
    // Every split takes one vertex and two triangles; check first so that a full table
    // leaves the mesh untouched.
    if (mesh.pointHighWater + 1 > kMaxVertices) {
        failBuild(mesh, "vertex table full");
        return false;
    }
    if (mesh.triangleHighWater + 2 > kMaxTriangles) {
        failBuild(mesh, "triangle table full");
        return false;
    }
    const Point64 p{x, y};
    const NavPoint& va = vertexOf(mesh, t, 0);
    const NavPoint& vb = vertexOf(mesh, t, 1);
    const NavPoint& vc = vertexOf(mesh, t, 2);
    const Point64 a{va.x, va.y}, b{vb.x, vb.y}, c{vc.x, vc.y};
    if (crossSign(b.x - a.x, b.y - a.y, p.x - a.x, p.y - a.y) == 0) {
        splitEdge(mesh, t, 0, x, y);
    } else if (crossSign(c.x - b.x, c.y - b.y, p.x - b.x, p.y - b.y) == 0) {
        splitEdge(mesh, t, 1, x, y);
    } else if (crossSign(a.x - c.x, a.y - c.y, p.x - c.x, p.y - c.y) == 0) {
        splitEdge(mesh, t, 2, x, y);
    } else {
        splitTriangle(mesh, t, x, y);
    }
    return true;
}

int flipEdge(NavMesh& mesh, int t, int i) {
    const int n = mesh.triangles[t].neighbour[i];
    if (n < 0) return 0;
    const int k = neighbourSlot(mesh, n, t);
    if (k < 0) return 0;
    NavTriangle& a = mesh.triangles[t];
    NavTriangle& b = mesh.triangles[n];
    if (isFixed(a, i) || isFixed(b, k)) return 0;
    const int ni = next(i), pi = prev(i), nk = next(k), pk = prev(k);
    const Point64 x = cellPoint(mesh, a.vertex[i]);
    const Point64 y = cellPoint(mesh, a.vertex[ni]);
    const Point64 f = cellPoint(mesh, a.vertex[pi]);
    const Point64 g = cellPoint(mesh, b.vertex[pk]);
    if (crossSign(g.x - f.x, g.y - f.y, x.x - f.x, x.y - f.y) <= 0) return 0;
    if (crossSign(g.x - f.x, g.y - f.y, y.x - f.x, y.y - f.y) >= 0) return 0;

    const int outerB = a.neighbour[ni];  // across Y-F
    const int outerC = b.neighbour[nk];  // across X-G
    const uint8_t tf = a.edgeFlags, nf = b.edgeFlags;
    auto bit = [](uint8_t flags, int pos) { return (flags >> pos) & 1u; };

    a.vertex[ni] = b.vertex[pk];
    a.neighbour[i] = static_cast<int16_t>(outerC);
    a.neighbour[ni] = static_cast<int16_t>(n);
    b.vertex[nk] = static_cast<uint16_t>(mesh.triangles[t].vertex[pi]);
    b.neighbour[k] = static_cast<int16_t>(outerB);
    b.neighbour[nk] = static_cast<int16_t>(t);
    repoint(mesh, outerB, t, n);
    repoint(mesh, outerC, n, t);

    uint8_t newT = tf;
    newT = static_cast<uint8_t>(newT & ~((1u << i) | (1u << ni) | (1u << (kFixedShift + i)) | (1u << (kFixedShift + ni))));
    newT = static_cast<uint8_t>(newT | (bit(nf, nk) << i) | (bit(nf, kFixedShift + nk) << (kFixedShift + i)) |
                                (bit(tf, i) << ni));
    uint8_t newN = nf;
    newN = static_cast<uint8_t>(newN & ~((1u << k) | (1u << nk) | (1u << (kFixedShift + k)) | (1u << (kFixedShift + nk))));
    newN = static_cast<uint8_t>(newN | (bit(tf, ni) << k) | (bit(tf, kFixedShift + ni) << (kFixedShift + k)) |
                                (bit(nf, k) << nk));
    a.edgeFlags = newT;
    b.edgeFlags = newN;
    updateClearanceClasses(mesh, t);
    updateClearanceClasses(mesh, n);
    return 1;
}

int64_t twiceArea(const NavMesh& mesh, int t) {
    const NavPoint& a = vertexOf(mesh, t, 0);
    const NavPoint& b = vertexOf(mesh, t, 1);
    const NavPoint& c = vertexOf(mesh, t, 2);
    const int64_t cross = static_cast<int64_t>(b.x - a.x) * (c.y - a.y) - static_cast<int64_t>(b.y - a.y) * (c.x - a.x);
    return cross < 0 ? -cross : cross;
}

namespace {

// Triangle and slot of the directed edge u -> v, found by locating the edge's midpoint
// (only the two triangles of an edge contain it).
bool findEdge(NavMesh& mesh, int u, int v, int& triangle, int& slot) {
    const NavPoint& pu = mesh.points[u];
    const NavPoint& pv = mesh.points[v];
    const int t = locateTriangle(mesh, (pu.x + pv.x) * 128, (pu.y + pv.y) * 128);
    if (t < 0) return false;
    for (int s = 0; s < 3; ++s) {
        const NavTriangle& tri = mesh.triangles[t];
        if (tri.vertex[s] == u && tri.vertex[next(s)] == v) {
            triangle = t;
            slot = s;
            return true;
        }
        if (tri.vertex[s] == v && tri.vertex[next(s)] == u) {
            const int n = tri.neighbour[s];
            if (n < 0) return false;
            const int back = neighbourSlot(mesh, n, t);
            if (back < 0) return false;
            triangle = n;
            slot = back;
            return true;
        }
    }
    return false;
}

enum class Walk { Exists, Crossed, Collinear, Failed };

// Whether p, known to lie on the line A-B, lies strictly between A and B.
bool strictlyBetween(Point64 a, Point64 b, Point64 p) {
    const int64_t dot = (p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y);
    const int64_t length = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
    return dot > 0 && dot < length;
}

// Walks from vertex A toward B collecting the edges the open segment crosses into the
// segment queue. On Collinear, `through` is the first vertex lying on the segment and the
// queue holds the edges crossed before it (none when it is a neighbour of A).
Walk collectCrossings(NavMesh& mesh, int ax, int ay, int bx, int by, int& count, int& through) {
    int t = 0, k = 0;
    if (!findVertex(mesh, ax, ay, t, k)) return Walk::Failed;
    pivot(mesh, t, k, Point64{int64_t{bx} * 256, int64_t{by} * 256});
    const Point64 a{ax, ay}, b{bx, by};
    count = 0;
    const NavTriangle& start = mesh.triangles[t];
    const int r = start.vertex[next(k)];
    const Point64 rp = cellPoint(mesh, r);
    if (rp.x == b.x && rp.y == b.y) return Walk::Exists;
    if (segmentSide(a, b, rp) == 0) {
        if (!strictlyBetween(a, b, rp)) return Walk::Failed;  // the fan did not face B
        through = r;
        return Walk::Collinear;
    }
    const int q = start.vertex[prev(k)];
    const Point64 qp = cellPoint(mesh, q);
    if (qp.x == b.x && qp.y == b.y) return Walk::Exists;
    if (segmentSide(a, b, qp) == 0) {
        if (!strictlyBetween(a, b, qp)) return Walk::Failed;
        through = q;
        return Walk::Collinear;
    }
    if (segmentSide(a, b, rp) * segmentSide(a, b, qp) >= 0) return Walk::Failed;  // not facing B
    int e = next(k);
    EdgeKey* queue = mesh.build.segmentQueue;
    queue[count++] = EdgeKey{static_cast<uint16_t>(r), static_cast<uint16_t>(q)};
    for (;;) {
        const int l = mesh.triangles[t].neighbour[e];
        if (l < 0) return Walk::Failed;
        const int s = neighbourSlot(mesh, l, t);
        if (s < 0) return Walk::Failed;
        const NavTriangle& tri = mesh.triangles[l];
        const int m = tri.vertex[prev(s)];
        const Point64 mp = cellPoint(mesh, m);
        if (mp.x == b.x && mp.y == b.y) return Walk::Crossed;
        const int mSide = segmentSide(a, b, mp);
        if (mSide == 0) {
            through = m;
            return Walk::Collinear;
        }
        const int ySide = segmentSide(a, b, cellPoint(mesh, tri.vertex[next(s)]));
        t = l;
        if (ySide != mSide) {
            e = next(s);  // edge Y -> M
        } else {
            e = prev(s);  // edge M -> X
        }
        if (count >= kSegmentQueueCapacity) return Walk::Failed;
        queue[count++] = EdgeKey{tri.vertex[e], tri.vertex[next(e)]};
    }
}

// Flips the queued crossing edges until none crosses the segment A-B.
bool flipAway(NavMesh& mesh, Point64 a, Point64 b, int count) {
    EdgeKey* queue = mesh.build.segmentQueue;
    int head = 0;
    int size = count;
    for (int round = 0; size > 0; ++round) {
        if (round >= kMaxSegmentFlipRounds) return false;
        const EdgeKey edge = queue[head];
        head = (head + 1) % kSegmentQueueCapacity;
        --size;
        int t = 0, i = 0;
        if (!findEdge(mesh, edge.from, edge.to, t, i)) return false;
        if (flipEdge(mesh, t, i) == 0) {
            queue[(head + size) % kSegmentQueueCapacity] = edge;
            ++size;
            continue;
        }
        // The new diagonal runs from slot prev(i) to next(i) of t after the flip.
        const NavTriangle& tri = mesh.triangles[t];
        const int f = tri.vertex[prev(i)];
        const int g = tri.vertex[next(i)];
        const int sf = segmentSide(a, b, cellPoint(mesh, f));
        const int sg = segmentSide(a, b, cellPoint(mesh, g));
        if (sf * sg < 0) {
            queue[(head + size) % kSegmentQueueCapacity] = EdgeKey{static_cast<uint16_t>(f), static_cast<uint16_t>(g)};
            ++size;
        }
    }
    return true;
}

}  // namespace

bool insertSegment(NavMesh& mesh, int ax, int ay, int bx, int by) {
    // The segment is joined piece by piece: each pass ends at the first vertex that lies
    // on it, so every vertex on the segment becomes a link of the chain.
    for (int guard = 0; guard <= kMaxVertices; ++guard) {
        if (ax == bx && ay == by) return true;
        int count = 0;
        int through = -1;
        switch (collectCrossings(mesh, ax, ay, bx, by, count, through)) {
        case Walk::Exists:
            return true;
        case Walk::Collinear: {
            const int mx = mesh.points[through].x, my = mesh.points[through].y;
            if (!flipAway(mesh, Point64{ax, ay}, Point64{mx, my}, count)) {
                failBuild(mesh, "segment insertion did not converge");
                return false;
            }
            ax = mx;
            ay = my;
            continue;
        }
        case Walk::Crossed:
            if (!flipAway(mesh, Point64{ax, ay}, Point64{bx, by}, count)) {
                failBuild(mesh, "segment insertion did not converge");
                return false;
            }
            return true;
        case Walk::Failed:
            failBuild(mesh, "segment insertion lost its way");
            return false;
        }
    }
    failBuild(mesh, "segment insertion did not end");
    return false;
}

}  // namespace nav
