#pragma once
// The one navigation store: vertex and triangle tables, regions, visit marks, point
// location hints, edge clearance data, the border ring and the working state of a path
// query. Everything is a fixed array inside NavMesh; nothing here touches the heap.
// The shared low-level operations that every navigation unit uses live here too.
#include <cstddef>
#include <cstdint>

#include "navigation/nav_log.h"
#include "navigation/navigation.h"

namespace nav {

// ---- Capacities ----------------------------------------------------------------------

// Vertex slots. A rectangle of the cover adds at most four corners, and the demonstration
// map stays far below this; a map that needs more makes the build fail cleanly.
constexpr int kMaxVertices = 6500;
// Triangle slots: a planar triangulation has about twice as many triangles as vertices.
constexpr int kMaxTriangles = 13000;
// Region ids 1..299 plus entry 0 (triangles carrying no region).
constexpr int kMaxRegions = 300;
// One point-location hint per 64 x 64-cell block of the 256 x 256 map.
constexpr int kHintBlocksPerSide = 4;
constexpr int kHintBlocks = kHintBlocksPerSide * kHintBlocksPerSide;
// Border edges of the whole triangulation. The bounding square's sides are never split,
// so the ring has four entries; the room above that only guards against a broken mesh.
constexpr int kBoundaryRingCapacity = 64;
// Side of the path queries' cell table (see cellTriangles): the map's 256 x 256 cells.
constexpr int kCellTableSide = 256;
// Breadth-first fill queue. Sized to the triangle table so that no front of pending
// triangles can ever overwrite unread entries.
constexpr int kFillQueueCapacity = kMaxTriangles;
// Gates of one gate query, like the waypoints of a PathResult.
constexpr int kMaxGates = kMaxPathWaypoints;
// Entries of the improvement pass's stack; the pass ends once it holds kImproveStackStop
// entries, which leaves room for the three neighbours pushed after the last flip.
constexpr int kImproveStackCapacity = 1001;
constexpr int kImproveStackStop = 996;

// ---- Special values -------------------------------------------------------------------

constexpr int16_t kUnusedVertexY = -32768;  // y of an unused NavPoint slot
constexpr uint8_t kUnusedType = 255;        // type of an unused NavTriangle slot
constexpr uint8_t kOutsideType = 15;        // outside the map; also wall cells (low 4 bits)
constexpr int16_t kNoNeighbour = -1;
constexpr int kNoTriangle = -1;

// Bounding square corners, in cells: one map width beyond the map on every side.
constexpr int kBoundMin = -256;
constexpr int kBoundMax = 512;
// Point used to break ties for query points on an edge or a vertex, in world units:
// one cell beyond the map's lower-right corner.
constexpr int32_t kTieBreakX = 257 * 256;
constexpr int32_t kTieBreakY = 257 * 256;

// edgeFlags bits: bit i (0..2) edge i may be flipped; bit 3+i edge i is fixed.
constexpr uint8_t kFlippableMask = 0x07;
constexpr uint8_t kFixedShift = 3;
// regionWord: bits 6..15 region id, bits 0..5 three 2-bit clearance classes (edge i in
// bits 2i..2i+1).
constexpr int kRegionShift = 6;
constexpr uint16_t kClassBitsMask = 0x003F;

// ---- Records ---------------------------------------------------------------------------

struct NavPoint {
    int16_t x = 0;  // cells, -256..512
    int16_t y = 0;  // cells, -256..512; kUnusedVertexY marks an unused slot
};

struct NavTriangle {
    uint16_t vertex[3] = {0, 0, 0};       // indices into NavMesh::points; negative winding
    int16_t neighbour[3] = {0, 0, 0};     // neighbour[i] lies across edge i; -1 none
    uint8_t type = 0;                     // map cell value covered; 15 outside; 255 unused
    uint8_t edgeFlags = 0;                // see kFlippableMask / kFixedShift
    uint16_t regionWord = 0;              // region id << 6 | clearance classes
};
static_assert(sizeof(NavTriangle) == 16, "the triangle record is 16 bytes");

// What the corridor search reads of one triangle, gathered per build into 32 bytes so that
// expanding a triangle reads one record instead of its neighbours' records and six
// vertices. links holds two bits per edge: 0 the neighbour is never entered (none, beyond
// the table, outside or wall, or the link rule answers 0), 1 a plain link, 2 a costly one
// (rule answer 2). across[i] is the corner of neighbour i that is not on edge i; bit i of
// irregular says that neighbour does not share edge i's two corners, and its distance then
// comes from its own vertices.
struct CorridorCell {
    int16_t neighbour[3] = {kNoNeighbour, kNoNeighbour, kNoNeighbour};
    uint8_t links = 0;
    uint8_t irregular = 0;
    NavPoint corner[3];
    NavPoint across[3];
};
static_assert(sizeof(CorridorCell) == 32, "a corridor cell is half a cache line");

struct NavRegion {
    int16_t count = 0;  // triangles carrying this id (entry 0: triangles with no region)
    uint8_t valid = 0;  // 1: the id labels a complete connected set
};

struct Gate {
    int32_t x0 = 0, y0 = 0;  // end 0, world units
    int32_t x1 = 0, y1 = 0;  // end 1, world units
    int32_t cx = 0, cy = 0;  // where the reference path crosses the gate, world units
    int32_t side = 0;        // -1 undecided, 0 measure from end 0, 1 from end 1, 2 transient
};
static_assert(sizeof(Gate) == 28, "a gate is 28 bytes");

struct GatePath {
    int32_t fromX = 0, fromY = 0, toX = 0, toY = 0;  // world units
    Gate gates[kMaxGates];
    int32_t gateCount = 0;  // 0..kMaxGates
};

struct Funnel {
    PathPoint apex;   // world units
    PathPoint left;   // world units
    PathPoint right;  // world units
};

// Heap entry of the corridor search: the key beside the triangle, so that sifting reads the
// heap alone.
struct RouteHeapEntry {
    int32_t key = 0;
    int32_t triangle = 0;
};

// The corridor cache: how many searches it keeps, and the longest corridor (in steps) it
// keeps. Agents that are stuck ask again and again from the same triangle for the same
// goal; their corridors come from here instead of a new search.
constexpr int kCorridorCacheEntries = 4096;
constexpr int kCorridorCacheSteps = 63;

// One corridor search: what it depends on besides the mesh, and its answer.
struct CachedCorridor {
    uint32_t generation = 0;  // the entry holds an answer when this is the cache's generation
    int32_t start = 0, destination = 0;
    int32_t targetCellX = 0, targetCellY = 0;
    int32_t steps = -1;                          // as findRoute answers: -1 when unreachable
    int16_t route[kCorridorCacheSteps + 1] = {};  // start..destination
};

struct NavMesh;

// Corridors found on one mesh as built, with one link rule, under pass tables that let every
// edge pass (the class bits, which queries raise, then play no part): a search is a function
// of its start and destination triangles and the target's cell alone, so its answer can be
// given again. Entries are direct-mapped by those four values.
struct CorridorCache {
    CachedCorridor entries[kCorridorCacheEntries];
    // Entries of other generations are empty; a new generation empties them all at once
    // (and on wrapping to 0 they are cleared for real).
    uint32_t generation = 1;
    const NavMesh* mesh = nullptr;
    uint32_t build = 0;
    CellLinkRule rule = nullptr;
    uint64_t hits = 0;    // searches answered from the cache
    uint64_t misses = 0;  // searches made (and kept when short enough)
};

// Working state of one path query, owned by the caller beside the mesh and overwritten by
// every query (route planning and smoothing). One per thread of queries.
struct RouteSearch {
    int32_t fromX = 0, fromY = 0, toX = 0, toY = 0;  // world units
    int32_t startTriangle = kNoTriangle;
    int32_t goalTriangle = kNoTriangle;
    // Corridor of triangles, route[0..routeSteps]; routeSteps is -1 when there is none.
    int32_t route[kMaxTriangles] = {};
    int32_t routeSteps = -1;
    // Best-first search: key and parent per triangle slot, binary min-heap of triangles
    // with their keys in heap[1..heapSize] (slot 0 is unused).
    int32_t key[kMaxTriangles] = {};
    int32_t parent[kMaxTriangles] = {};
    RouteHeapEntry heap[kMaxTriangles + 1] = {};
    int32_t heapSize = 0;
    // Region fill: circular queue of triangle indices.
    int32_t fillQueue[kFillQueueCapacity] = {};
    int32_t fillRead = 0;       // next slot to read
    int32_t fillWrite = 0;      // next slot to write
    int32_t fillLength = 0;     // entries pending
    int32_t fillLengthMax = 0;  // largest fillLength ever reached
    // passTable row selected for the current query (0..3).
    int32_t passTableIndex = 1;
    // Portal k of the corridor cutGates walks (from route[k] into route[k + 1]), read once
    // for both of its funnel walks.
    PathPoint portalLeft[kMaxTriangles] = {};
    PathPoint portalRight[kMaxTriangles] = {};
    // Gates of the last gate query and the taut reference path they were cut from.
    GatePath gatePath;
    PathResult referencePath;
    Funnel funnelQ;
    Funnel funnelS;
    // Corridors of earlier queries (see CorridorCache); findRoute reads and fills it.
    CorridorCache corridorCache;
};

// Scratch storage of the build: the skyline of the rectangle cover, the improvement
// pass's stack and the edges a segment insertion still has to flip away.
struct EdgeKey {
    uint16_t from = 0;  // vertex index
    uint16_t to = 0;    // vertex index
};
// Edges crossed by one segment: never more than there are triangles.
constexpr int kSegmentQueueCapacity = kMaxTriangles;

struct BuildScratch {
    int32_t skyline[256] = {};  // first uncovered row of each map column, cells
    int32_t improveStack[kImproveStackCapacity] = {};
    int32_t improveStackSize = 0;
    EdgeKey segmentQueue[kSegmentQueueCapacity];
};

// What the last build did, for tools, benchmarks and the trace.
struct BuildStats {
    int32_t rectangles = 0;          // rectangles reported by the cover (value 0 included)
    int32_t rectanglesInserted = 0;  // rectangles inserted (value != 0)
    int32_t flips = 0;               // flips made by the improvement passes
    int32_t improveStackMax = 0;     // largest improvement stack depth reached
};

struct NavMesh {
    NavPoint points[kMaxVertices];
    int32_t pointHighWater = 0;  // slots in use from slot 0 on
    int32_t pointLive = 0;

    NavTriangle triangles[kMaxTriangles];
    int32_t triangleHighWater = 0;
    int32_t triangleLive = 0;

    NavRegion regions[kMaxRegions];

    // Visit marks: a triangle is visited in this generation when marks[t] == markGeneration.
    uint8_t markGeneration = 255;
    uint8_t marks[kMaxTriangles] = {};

    int32_t hintGrid[kHintBlocks] = {};  // triangle index per 64 x 64-cell block, [by*4+bx]

    int32_t boundaryRing[kBoundaryRingCapacity] = {};  // border triangles in walking order
    int32_t boundaryRingLength = 0;

    // Four pass tables indexed by (edge mask | the triangle's six class bits).
    uint8_t passTable[4][64] = {};
    bool passTablesBuilt = false;
    uint8_t clearanceLevel = 1;  // queries use passTable[clearanceLevel]; 1 passes everything

    // Set when a build ran out of a table; every path query then answers "no path".
    bool buildFailed = false;
    const char* buildFailure = nullptr;  // which table ran out (static text)
    bool everReset = false;              // the first build resets the store once more

    BuildStats stats;
    BuildScratch build;
    // Counts this mesh's builds: what caches of a build's derived tables are keyed on
    // (with the mesh's address).
    uint32_t buildSerial = 0;

    // Which cell types connect; set by the owner before a build, read by every query.
    CellLinkRule linkRule = stepLinkRule;
    // The corridor search's records (see corridorCells), for the build and link rule named.
    alignas(64) CorridorCell corridorCells[kMaxTriangles];
    uint32_t corridorCellsBuild = 0;
    CellLinkRule corridorCellsRule = nullptr;
    bool corridorCellsReady = false;
    // The path queries' triangle per map cell (see cellTriangles), for the build named.
    int16_t cellTriangle[kCellTableSide * kCellTableSide] = {};
    uint32_t cellTriangleBuild = 0;
    bool cellTriangleReady = false;
    uint64_t cellTriangleAnswers = 0;  // query ends the table answered without a walk
    // Where builds and queries trace; null (the default) traces nothing. Not owned.
    NavLog* log = nullptr;
    // Text of the last query diagnostic (a missing portal, a path or gate list cut at its
    // limit). The funnel walk reads the mesh as const and still writes here.
    static constexpr std::size_t kDiagnosticCapacity = 160;  // the longest text with four 11-digit numbers
    mutable char pathDiagnostic[kDiagnosticCapacity] = {};
};

// The mesh's trace when one is attached and switched on, else null.
inline NavLog* activeLog(const NavMesh& mesh) { return mesh.log != nullptr && mesh.log->on() ? mesh.log : nullptr; }

// ---- Small helpers ---------------------------------------------------------------------

constexpr int next(int i) { return i == 2 ? 0 : i + 1; }
constexpr int prev(int i) { return i == 0 ? 2 : i - 1; }
constexpr bool isOutsideType(uint8_t type) { return (type & 15) == 15; }
inline bool isLive(const NavTriangle& t) { return t.type != kUnusedType; }
inline int regionOf(const NavTriangle& t) { return t.regionWord >> kRegionShift; }
inline void setRegionId(NavTriangle& t, int id) {
    t.regionWord = static_cast<uint16_t>((id << kRegionShift) | (t.regionWord & kClassBitsMask));
}
inline int edgeClass(const NavTriangle& t, int edge) { return (t.regionWord >> (2 * edge)) & 3; }
inline bool isFlippable(const NavTriangle& t, int edge) { return (t.edgeFlags >> edge) & 1; }
inline bool isFixed(const NavTriangle& t, int edge) { return (t.edgeFlags >> (kFixedShift + edge)) & 1; }

// ---- Shared low-level operations -------------------------------------------------------

// Sign of ax*by - ay*bx, exact for any 64-bit input whose products fit 128 bits.
int crossSign(int64_t ax, int64_t ay, int64_t bx, int64_t by);
// Larger absolute difference plus half the smaller (halving by shift).
int32_t approxDistance(int32_t dx, int32_t dy);
// (a * b) >> 14 with the 64-bit product; low 32 bits kept.
int32_t fractionMultiply(int32_t a, int32_t b);
// (a << 14) / b with the dividend made non-negative first (sign moved to b);
// a zero divisor gives 0.
int32_t fractionDivide(int32_t a, int32_t b);
// Truncated square root.
uint32_t navIsqrt(uint32_t x);

// clearanceClass of an edge spanning (dx, dy) cells.
int clearanceClassOf(int dx, int dy);
// Recompute the six class bits of triangle t from its vertices.
void updateClearanceClasses(NavMesh& mesh, int t);
// Pass table `number` (its low two bits, 0..3); the four tables are built on first use.
const uint8_t* passTableRow(NavMesh& mesh, int number);
// Whether crossing edge i of triangle t passes under pass table `table`.
bool edgePasses(const NavMesh& mesh, const uint8_t* table, int t, int edge);

// The corridor records of triangles 0..triangleHighWater-1, made again when the mesh was
// rebuilt or its link rule changed since they were last made. Everything else a query
// changes (region labels, clearance classes, marks) is not in them.
const CorridorCell* corridorCells(NavMesh& mesh);
// The corridor records when they were made for the mesh as it stands, else null.
inline const CorridorCell* currentCorridorCells(const NavMesh& mesh) {
    const bool current = mesh.corridorCellsReady && mesh.corridorCellsBuild == mesh.buildSerial &&
                         mesh.corridorCellsRule == mesh.linkRule;
    return current ? mesh.corridorCells : nullptr;
}

// Slot i of triangle b with neighbour[i] == a, or -1.
int neighbourSlot(const NavMesh& mesh, int b, int a);

// Allocate a slot at the high-water mark; -1 when the table is full (the caller then
// fails the build).
int allocatePoint(NavMesh& mesh);
int allocateTriangle(NavMesh& mesh);

// Take triangle t out of its region (counts and valid flags updated); class bits stay.
void clearRegion(NavMesh& mesh, int t);

// Start a new mark generation (255 wraps to 1 after clearing every mark).
uint8_t newGeneration(NavMesh& mesh);
inline bool isMarked(const NavMesh& mesh, int t) { return mesh.marks[t] == mesh.markGeneration; }
inline void mark(NavMesh& mesh, int t) { mesh.marks[t] = mesh.markGeneration; }

// Vertex of triangle t at slot s, in cells.
inline const NavPoint& vertexOf(const NavMesh& mesh, int t, int s) {
    return mesh.points[mesh.triangles[t].vertex[s]];
}
// Vertex at slot s of triangle t in whole world units (256 per cell).
inline PathPoint vertexWorld(const NavMesh& mesh, int t, int s) {
    const NavPoint& p = vertexOf(mesh, t, s);
    return {p.x * 256, p.y * 256};
}

// Brings the store to the bounding square: two outside triangles over -256..512.
// Clears buildFailed. Keeps clearanceLevel, marks and their generation.
void navReset(NavMesh& mesh);

// Records a build failure (first one wins): sets buildFailed and the table's name.
void failBuild(NavMesh& mesh, const char* table);

}  // namespace nav
