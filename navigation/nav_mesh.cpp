// The navigation store and the small operations every navigation unit shares.
#include "navigation/nav_mesh.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace nav {


int stepLinkRule(uint8_t fromType, uint8_t toType) {
    if ((toType & 15) > (fromType & 15) + 1) return 0;
    return (toType & 2) ? 2 : 1;
}

int crossSign(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
    const __int128 p = static_cast<__int128>(ax) * by;
    const __int128 q = static_cast<__int128>(ay) * bx;
    return (p > q) - (p < q);
}

int32_t approxDistance(int32_t dx, int32_t dy) {
    const int64_t a = std::llabs(static_cast<int64_t>(dx));
    const int64_t b = std::llabs(static_cast<int64_t>(dy));
    const int64_t d = a > b ? a + (b >> 1) : b + (a >> 1);
    // Kept to its low 32 bits: distances are 32-bit everywhere in the navigation, and the
    // conversion (modular since C++20) gives the same value on every compiler.
    return static_cast<int32_t>(d);
}

int32_t fractionMultiply(int32_t a, int32_t b) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 14);
}

int32_t fractionDivide(int32_t a, int32_t b) {
    if (b == 0) return 0;
    int64_t num = a;
    int64_t den = b;
    if (num < 0) {
        num = -num;
        den = -den;
    }
    return static_cast<int32_t>((num << 14) / den);
}

uint32_t navIsqrt(uint32_t x) {
    uint32_t result = 0;
    uint32_t bit = 1u << 30;
    while (bit > x) bit >>= 2;
    while (bit != 0) {
        if (x >= result + bit) {
            x -= result + bit;
            result = (result >> 1) + bit;
        } else {
            result >>= 1;
        }
        bit >>= 2;
    }
    return result;
}

int clearanceClassOf(int dx, int dy) {
    static constexpr uint8_t kClassTable[16] = {0, 1, 1, 2, 3, 1, 1, 2, 3, 2, 2, 2, 3, 3, 3, 3};
    const int adx = std::abs(dx) < 3 ? std::abs(dx) : 3;
    const int ady = std::abs(dy) < 3 ? std::abs(dy) : 3;
    return kClassTable[adx + 4 * ady];
}

void updateClearanceClasses(NavMesh& mesh, int t) {
    NavTriangle& tri = mesh.triangles[t];
    uint16_t bits = 0;
    for (int i = 0; i < 3; ++i) {
        const NavPoint& a = mesh.points[tri.vertex[i]];
        const NavPoint& b = mesh.points[tri.vertex[next(i)]];
        bits = static_cast<uint16_t>(bits | (clearanceClassOf(b.x - a.x, b.y - a.y) << (2 * i)));
    }
    tri.regionWord = static_cast<uint16_t>((tri.regionWord & ~kClassBitsMask) | bits);
}

const uint8_t* passTableRow(NavMesh& mesh, int number) {
    if (!mesh.passTablesBuilt) {
        for (int v = 0; v < 64; ++v) {
            mesh.passTable[0][v] = 0;
            mesh.passTable[1][v] = 1;
            mesh.passTable[2][v] = (v & 0x2A) == 0x2A ? 1 : 0;  // bits 1, 3 and 5
            mesh.passTable[3][v] = v == 63 ? 1 : 0;
        }
        mesh.passTablesBuilt = true;
    }
    return mesh.passTable[number & 3];
}

bool edgePasses(const NavMesh& mesh, const uint8_t* table, int t, int edge) {
    static constexpr uint8_t kEdgeMask[3] = {60, 51, 15};
    return table[kEdgeMask[edge] | (mesh.triangles[t].regionWord & kClassBitsMask)] != 0;
}

namespace {

bool samePoint(NavPoint a, NavPoint b) { return a.x == b.x && a.y == b.y; }

// Record of triangle t: its corners, and for each neighbour the link class and the corner
// across the shared edge.
CorridorCell corridorCellOf(const NavMesh& mesh, int t) {
    const NavTriangle& tri = mesh.triangles[t];
    CorridorCell cell;
    for (int i = 0; i < 3; ++i) {
        cell.neighbour[i] = tri.neighbour[i];
        cell.corner[i] = mesh.points[tri.vertex[i]];
    }
    for (int i = 0; i < 3; ++i) {
        const int c = tri.neighbour[i];
        // Slots past the high-water mark are unused, so they read as outside.
        if (c < 0 || c >= mesh.triangleHighWater) continue;
        const NavTriangle& other = mesh.triangles[c];
        if (isOutsideType(other.type) || mesh.linkRule == nullptr) continue;
        const int rule = mesh.linkRule(tri.type, other.type);
        const int link = rule == 0 ? 0 : rule == 2 ? 2 : 1;
        cell.links = static_cast<uint8_t>(cell.links | (link << (2 * i)));
        // The neighbour's corners less the two of the shared edge leave the one across.
        bool used[3] = {false, false, false};
        bool matched = true;
        for (const NavPoint end : {cell.corner[i], cell.corner[next(i)]}) {
            int found = -1;
            for (int s = 0; s < 3 && found < 0; ++s) {
                if (!used[s] && samePoint(mesh.points[other.vertex[s]], end)) found = s;
            }
            if (found < 0) {
                matched = false;
                break;
            }
            used[found] = true;
        }
        if (!matched) {
            cell.irregular = static_cast<uint8_t>(cell.irregular | (1u << i));
            continue;
        }
        for (int s = 0; s < 3; ++s) {
            if (!used[s]) cell.across[i] = mesh.points[other.vertex[s]];
        }
    }
    return cell;
}

}  // namespace

const CorridorCell* corridorCells(NavMesh& mesh) {
    if (!mesh.corridorCellsReady || mesh.corridorCellsBuild != mesh.buildSerial ||
        mesh.corridorCellsRule != mesh.linkRule) {
        for (int t = 0; t < mesh.triangleHighWater; ++t) mesh.corridorCells[t] = corridorCellOf(mesh, t);
        mesh.corridorCellsBuild = mesh.buildSerial;
        mesh.corridorCellsRule = mesh.linkRule;
        mesh.corridorCellsReady = true;
    }
    return mesh.corridorCells;
}

int neighbourSlot(const NavMesh& mesh, int b, int a) {
    const NavTriangle& tri = mesh.triangles[b];
    for (int i = 0; i < 3; ++i) {
        if (tri.neighbour[i] == a) return i;
    }
    return -1;
}

int allocatePoint(NavMesh& mesh) {
    if (mesh.pointHighWater >= kMaxVertices) return -1;
    const int index = mesh.pointHighWater++;
    ++mesh.pointLive;
    mesh.points[index].y = 0;
    return index;
}

int allocateTriangle(NavMesh& mesh) {
    if (mesh.triangleHighWater >= kMaxTriangles) return -1;
    const int index = mesh.triangleHighWater++;
    ++mesh.triangleLive;
    mesh.triangles[index].type = 0;
    return index;
}

void clearRegion(NavMesh& mesh, int t) {
    NavTriangle& tri = mesh.triangles[t];
    const int id = regionOf(tri);
    if (id == 0) return;
    --mesh.regions[id].count;
    mesh.regions[id].valid = 0;
    ++mesh.regions[0].count;
    setRegionId(tri, 0);
}

uint8_t newGeneration(NavMesh& mesh) {
    if (mesh.markGeneration == 255) {
        std::memset(mesh.marks, 0, sizeof mesh.marks);
        mesh.markGeneration = 1;
    } else {
        ++mesh.markGeneration;
    }
    return mesh.markGeneration;
}

void failBuild(NavMesh& mesh, const char* table) {
    if (mesh.buildFailed) return;
    mesh.buildFailed = true;
    mesh.buildFailure = table;
}

void navReset(NavMesh& mesh) {
    ++mesh.buildSerial;
    for (NavTriangle& tri : mesh.triangles) tri.type = kUnusedType;
    for (NavPoint& p : mesh.points) p.y = kUnusedVertexY;
    mesh.triangleHighWater = mesh.triangleLive = 2;
    mesh.pointHighWater = mesh.pointLive = 4;
    mesh.points[0] = {kBoundMin, kBoundMin};
    mesh.points[1] = {kBoundMax, kBoundMin};
    mesh.points[2] = {kBoundMax, kBoundMax};
    mesh.points[3] = {kBoundMin, kBoundMax};
    mesh.triangles[0] = NavTriangle{{3, 1, 0}, {1, kNoNeighbour, kNoNeighbour}, kOutsideType, 7, 0};
    mesh.triangles[1] = NavTriangle{{1, 3, 2}, {0, kNoNeighbour, kNoNeighbour}, kOutsideType, 7, 0};
    updateClearanceClasses(mesh, 0);
    updateClearanceClasses(mesh, 1);
    for (NavRegion& r : mesh.regions) r = NavRegion{};
    for (int32_t& h : mesh.hintGrid) h = 0;
    // The border of the square: both triangles have two border edges each.
    mesh.boundaryRingLength = 4;
    mesh.boundaryRing[0] = 0;
    mesh.boundaryRing[1] = 0;
    mesh.boundaryRing[2] = 1;
    mesh.boundaryRing[3] = 1;
    mesh.stats = BuildStats{};
    mesh.buildFailed = false;
    mesh.buildFailure = nullptr;
}

}  // namespace nav
