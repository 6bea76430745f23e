#pragma once
// Invariant checks of a built navigation mesh, for tests, fuzzers and tools: winding,
// neighbour symmetry, table counters, types against the map, exact tiling of the bounding
// square, rectangle sides as chains of edges, and the border ring.
#include <cstdint>
#include <string>

#include "navigation/nav_mesh.h"

namespace nav {

struct MeshCheckResult {
    int errors = 0;          // number of violated invariants found
    std::string firstError;  // description of the first one, empty when errors == 0
    bool ok() const { return errors == 0; }
};

// Structure only: counters, slots, winding, neighbour symmetry, tiling by area and the
// border ring.
MeshCheckResult check_mesh_structure(const NavMesh& mesh);

// Everything: the structure, plus (with the 256 x 256 map the mesh was built from) every
// triangle's type against the cells it covers and every side of every inserted rectangle
// of the map's cover being a chain of edges.
MeshCheckResult check_mesh(const NavMesh& mesh, const uint8_t* cells);

}  // namespace nav
