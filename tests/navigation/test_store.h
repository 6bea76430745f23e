#pragma once
// The navigation store and search state the navigation tests own: each test builds its map
// into testMesh and queries it with testSearch.
#include "navigation/nav_mesh.h"

inline nav::NavMesh testMesh;
inline nav::RouteSearch testSearch;
