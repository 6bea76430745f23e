// The clearance rule for corner waypoints: the plain bisector move, and the shorter place
// used when an end of the corner's legs lies within the clearance of it.
#include "navigation/corner_move.h"

#include <cmath>

namespace nav {

namespace {

using P = CornerMovePoint;

P sub(P a, P b) { return {a.x - b.x, a.y - b.y}; }
P add(P a, P b) { return {a.x + b.x, a.y + b.y}; }
P scale(P a, double s) { return {a.x * s, a.y * s}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y; }
double cross(P a, P b) { return a.x * b.y - a.y * b.x; }
double norm(P a) { return std::sqrt(dot(a, a)); }

// Distance from the origin (the corner) to the line through a and b.
double lineClearance(P a, P b) {
    const P d = sub(b, a);
    const double l = norm(d);
    return l > 0 ? std::fabs(cross(a, d)) / l : norm(a);
}

// The unit normal n of the line through e (relative to the corner) that touches the circle
// of radius c round the corner: n . e == c, the one of the two with n on the side of `away`.
// False when e is not outside the circle.
bool touchingNormal(P e, double c, P away, P& n) {
    const double d = norm(e);
    if (!(d > c) || c < 0) return false;
    const double cs = c / d, sn = std::sqrt(1 - cs * cs);
    const P u = scale(e, 1 / d);
    const P plus{u.x * cs - u.y * sn, u.x * sn + u.y * cs};
    const P minus{u.x * cs + u.y * sn, -u.x * sn + u.y * cs};
    n = dot(plus, away) >= dot(minus, away) ? plus : minus;
    return true;
}

}  // namespace

bool bisectorCornerMove(P previous, P corner, P following, double clearance, P& moved) {
    const P toPrev = sub(previous, corner), toNext = sub(following, corner);
    const double lp = norm(toPrev), ln = norm(toNext);
    if (!(lp > 0) || !(ln > 0)) return false;
    const P inward = add(scale(toPrev, 1.0 / lp), scale(toNext, 1.0 / ln));
    const double li = norm(inward);
    if (!(li > 1e-6)) return false;
    moved = sub(corner, scale(inward, clearance / li));
    return true;
}

bool nearEndCornerMove(P previous, P corner, P following, double clearance, P& moved) {
    const P e0 = sub(previous, corner), e1 = sub(following, corner);
    const double nearer = std::fmin(norm(e0), norm(e1));
    if (!(clearance > 0) || !(nearer < clearance)) return false;
    const double cap = kNearEndShare * nearer;
    P plain{};
    if (!bisectorCornerMove(previous, corner, following, clearance, plain)) return false;
    const P w0 = sub(plain, corner);
    const double h0 = lineClearance(e0, w0), h1 = lineClearance(e1, w0);
    if (!(cap < h0) && !(cap < h1)) return false;
    const double c0 = std::fmin(h0, cap), c1 = std::fmin(h1, cap);
    const P away = scale(w0, 1 / clearance);
    P n0{}, n1{};
    if (!touchingNormal(e0, c0, away, n0) || !touchingNormal(e1, c1, away, n1)) return false;
    const double det = cross(n0, n1);
    if (std::fabs(det) < 1e-9) return false;
    // The plain move's path turns round the corner by less than a half turn, and each leg
    // touching a smaller circle turns the way at the meeting point by less again: the two
    // legs meet on the far side with the corner inside the turn, and as the plain place
    // keeps both clearances too, the meeting point's way is the shorter. Only a rounding
    // at a degenerate shape could put it behind the corner.
    const P w{(c0 * n1.y - c1 * n0.y) / det, (n0.x * c1 - n1.x * c0) / det};
    if (!(dot(w, away) > 0)) return false;
    moved = add(corner, w);
    return true;
}

}  // namespace nav
