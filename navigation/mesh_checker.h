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
MeshCheckResult checkMeshStructure(const NavMesh& mesh);

// Every live triangle's type against the cells of the 256 x 256 map it covers (outside
// the map: type 15).
MeshCheckResult checkMeshTypes(const NavMesh& mesh, const uint8_t* cells);

// Everything: the structure, plus (with the 256 x 256 map the mesh was built from) every
// triangle's type against the cells it covers, and the sides of the map and of every
// inserted rectangle of the map's cover lying on chains of edges wherever they separate
// different values. (Between equal values the flip pass may cross a side: it joins
// triangles of one type.)
MeshCheckResult checkMesh(const NavMesh& mesh, const uint8_t* cells);

}  // namespace nav
