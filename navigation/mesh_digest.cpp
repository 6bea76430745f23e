#include "navigation/mesh_digest.h"

namespace nav {

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

void mix(uint64_t& hash, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        hash ^= (value >> (8 * i)) & 0xFF;
        hash *= kFnvPrime;
    }
}

}  // namespace

uint64_t meshDigest(const NavMesh& mesh) {
    uint64_t hash = kFnvOffset;
    mix(hash, mesh.buildFailed ? 1u : 0u, 1);
    mix(hash, static_cast<uint32_t>(mesh.pointHighWater), 4);
    for (int32_t i = 0; i < mesh.pointHighWater; ++i) {
        mix(hash, static_cast<uint16_t>(mesh.points[i].x), 2);
        mix(hash, static_cast<uint16_t>(mesh.points[i].y), 2);
    }
    mix(hash, static_cast<uint32_t>(mesh.triangleHighWater), 4);
    for (int32_t i = 0; i < mesh.triangleHighWater; ++i) {
        const NavTriangle& t = mesh.triangles[i];
        for (int k = 0; k < 3; ++k) {
            mix(hash, t.vertex[k], 2);
            mix(hash, static_cast<uint16_t>(t.neighbour[k]), 2);
        }
        mix(hash, t.type, 1);
        mix(hash, t.edgeFlags, 1);
    }
    return hash;
}

}  // namespace nav
