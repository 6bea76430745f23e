#include "tools/scenario_peer/recast_floor.h"

#include <ctime>

#include <DetourNavMeshBuilder.h>
#include <Recast.h>

namespace peer {

void FloorQuads::addCell(int column, int row, unsigned char area) {
    const int base = static_cast<int>(verts.size() / 3);
    const float c = static_cast<float>(column), r = static_cast<float>(row);
    const float corners[4][2] = {{c, r}, {c + 1, r}, {c + 1, r + 1}, {c, r + 1}};
    for (const auto& p : corners) verts.insert(verts.end(), {p[0], 0.0f, p[1]});
    // Counter-clockwise seen from above (y up) so that Recast takes them as floor.
    tris.insert(tris.end(), {base, base + 2, base + 1, base, base + 3, base + 2});
    areas.insert(areas.end(), 2, area);
}

dtNavMesh* buildDetourMesh(const FloorQuads& floor, const RecastSettings& s) {
    rcContext ctx(false);
    const float cs = s.cellSize, ch = s.cellHeight;
    const float bmin[3] = {0, -1, 0}, bmax[3] = {s.extent, 1, s.extent};
    const int width = static_cast<int>(s.extent / cs);
    rcHeightfield* hf = rcAllocHeightfield();
    rcCompactHeightfield* chf = rcAllocCompactHeightfield();
    rcContourSet* cset = rcAllocContourSet();
    rcPolyMesh* pmesh = rcAllocPolyMesh();
    rcPolyMeshDetail* detail = s.detailMesh ? rcAllocPolyMeshDetail() : nullptr;
    bool ok = rcCreateHeightfield(&ctx, *hf, width, width, bmin, bmax, cs, ch) &&
              rcRasterizeTriangles(&ctx, floor.verts.data(), static_cast<int>(floor.verts.size() / 3),
                                   floor.tris.data(), floor.areas.data(), static_cast<int>(floor.areas.size()), *hf, 1) &&
              rcBuildCompactHeightfield(&ctx, s.walkableHeightVoxels, 1, *hf, *chf) &&
              (s.erosionVoxels == 0 || rcErodeWalkableArea(&ctx, s.erosionVoxels, *chf)) &&
              rcBuildDistanceField(&ctx, *chf) && rcBuildRegions(&ctx, *chf, 0, 0, 0) &&
              rcBuildContours(&ctx, *chf, 0.1f, 0, *cset) && rcBuildPolyMesh(&ctx, *cset, 6, *pmesh) &&
              (detail == nullptr || rcBuildPolyMeshDetail(&ctx, *pmesh, *chf, cs * 6, ch, *detail));
    dtNavMesh* mesh = nullptr;
    if (ok && pmesh->npolys > 0) {
        for (int i = 0; i < pmesh->npolys; ++i) pmesh->flags[i] = s.flagsOf != nullptr ? s.flagsOf(pmesh->areas[i]) : 1;
        dtNavMeshCreateParams params{};
        params.verts = pmesh->verts;
        params.vertCount = pmesh->nverts;
        params.polys = pmesh->polys;
        params.polyAreas = pmesh->areas;
        params.polyFlags = pmesh->flags;
        params.polyCount = pmesh->npolys;
        params.nvp = pmesh->nvp;
        if (detail != nullptr) {
            params.detailMeshes = detail->meshes;
            params.detailVerts = detail->verts;
            params.detailVertsCount = detail->nverts;
            params.detailTris = detail->tris;
            params.detailTriCount = detail->ntris;
        }
        params.walkableHeight = s.walkableHeight;
        params.walkableRadius = s.walkableRadius;
        params.walkableClimb = s.walkableClimb;
        rcVcopy(params.bmin, pmesh->bmin);
        rcVcopy(params.bmax, pmesh->bmax);
        params.cs = cs;
        params.ch = ch;
        params.buildBvTree = true;
        unsigned char* data = nullptr;
        int size = 0;
        if (dtCreateNavMeshData(&params, &data, &size)) {
            mesh = dtAllocNavMesh();
            if (!dtStatusSucceed(mesh->init(data, size, DT_TILE_FREE_DATA))) {
                dtFreeNavMesh(mesh);
                mesh = nullptr;
            }
        }
    }
    rcFreeHeightField(hf);
    rcFreeCompactHeightfield(chf);
    rcFreeContourSet(cset);
    rcFreePolyMesh(pmesh);
    if (detail != nullptr) rcFreePolyMeshDetail(detail);
    return mesh;
}

double processorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace peer
