#pragma once
// What the two users of Recast & Detour share (scenario_detour's crowd runs and the
// bench_navigation_peer side-by-side): the map's open cells laid out as floor quads, the
// Recast build of a Detour mesh over them, and the processor clock both time with.
#include <vector>

#include <DetourNavMesh.h>

namespace peer {

// Floor triangles in Recast's frame (x and z on the map, y up): cell (c, r) spans
// c..c+1 by r..r+1, two triangles counter-clockwise seen from above.
struct FloorQuads {
    std::vector<float> verts;
    std::vector<int> tris;
    std::vector<unsigned char> areas;  // one per triangle
    void addCell(int column, int row, unsigned char area);
};

// How Recast voxelises the floor and what Detour's mesh is told of the agents.
struct RecastSettings {
    float cellSize = 0.25f;     // voxel edge, map units
    float cellHeight = 0.1f;
    float extent = 256.0f;      // the build covers 0..extent on both map axes
    int walkableHeightVoxels = 2;
    int erosionVoxels = 0;      // walls widened by this many voxels (the agent radius)
    bool detailMesh = false;    // a detail mesh as well (for DetourCrowd's heights)
    float walkableHeight = 0.2f;
    float walkableRadius = 0.0f;
    float walkableClimb = 0.1f;
    // Polygon flags from the polygon's area; null gives every polygon flag 1.
    unsigned short (*flagsOf)(unsigned char area) = nullptr;
};

// Recast over the floor, then Detour's mesh; null when a step fails or no polygon is left.
// The caller frees it with dtFreeNavMesh.
dtNavMesh* buildDetourMesh(const FloorQuads& floor, const RecastSettings& settings);

// Processor time of the calling thread, seconds: on a shared machine wall-clock time also
// counts the time other processes held the processor.
double processorSeconds();

}  // namespace peer
