#pragma once
// A fingerprint of a built mesh's geometry and types, so two builds (a tool's and a
// program's) can be compared without sharing a process.
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// FNV-1a over the used vertex slots (x, y) and triangle slots (vertices, neighbours, type,
// edge flags), plus the build's failure flag. Region labels and search marks, which path
// queries change, are left out.
uint64_t meshDigest(const NavMesh& mesh);

}  // namespace nav
