#pragma once
// Where a corner waypoint goes when a path with a clearance bends round a wall corner.
// Pure geometry in world units (doubles); the planner checks the legs against the mesh.

namespace nav {

struct CornerMovePoint {
    double x, y;
};

// Where an end of a corner's legs lies within the clearance of it, each leg clears the
// corner by at most this share of that end's distance.
inline constexpr double kNearEndShare = 0.5;

// The plain move: the corner moved by `clearance` along the bisector of its legs, away
// from the wall. False when a leg has no length or the legs run straight through it.
bool bisectorCornerMove(CornerMovePoint previous, CornerMovePoint corner, CornerMovePoint following,
                        double clearance, CornerMovePoint& moved);

// The move when an end of the corner's legs (the previous waypoint or the following one)
// lies within the clearance of the corner: an agent there already stands that close, and
// the whole clearance would send the path away and back. The plain move gives each leg a
// clearance (its line's distance from the corner); a leg keeps that, but never more than
// kNearEndShare x the nearer end's distance. The waypoint is where the two legs, each
// touching the circle of its own clearance round the corner on the side away from the
// wall, meet; that way is never longer than the plain move's. False (keep the plain move)
// when no end is that near, or when the plain legs already keep no more.
bool nearEndCornerMove(CornerMovePoint previous, CornerMovePoint corner, CornerMovePoint following,
                       double clearance, CornerMovePoint& moved);

}  // namespace nav
