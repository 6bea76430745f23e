#pragma once
// navtool's own navigation: the mesh it builds from the map it was given and the working
// state of its path queries.
#include "navigation/nav_mesh.h"

namespace navtool {

inline nav::NavMesh mesh;
inline nav::RouteSearch search;

}  // namespace navtool
