// "separation": a push of about one world unit away from every touching neighbour,
// however deep the overlap.
#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/separation.h"

namespace steering {

namespace {
constexpr Fixed kContactMargin = kFixedOne;  // discs closer than this count as touching
}  // namespace

Fixed separationReach(Fixed radius) {
    // A touching neighbour's centre is nearer than radius + its radius + the margin on both
    // axes (approxLength is never below either axis), so its square in the grid, which
    // covers its disc, overlaps the square of half-size radius + margin round this agent:
    // that square's cells hold every touching neighbour. The reach is the smaller of that
    // and 2 * radius, the square read before; both find the same touching neighbours, and
    // their pushes are whole numbers summed, so the order of the visit does not matter.
    // (Both assume coordinate differences within half the Fixed range, as on any map.)
    const Fixed wide = wrapMul(2, radius);
    const int64_t tight = int64_t{radius} + kContactMargin;
    return int64_t{wide} <= tight ? wide : static_cast<Fixed>(tight);
}

FixedVec SeparationBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    // Only the neighbours' positions and radii are read: the grid's copies do.
    forEachOtherAgentCopyNear(agent, separationReach(agent.radius), [&accumulator](const Agent& self, const NeighbourCopy& other, const Agent&) {
        const FixedVec d = self.position - other.position;
        const Fixed a = approxLength(d);
        // Agents on the very same point ignore each other: there is no direction to push.
        if (a < wrapAdd(wrapAdd(self.radius, other.radius), kContactMargin) && a != 0) {
            accumulator += divided(d, a);
        }
    });
    return accumulator;
}

}  // namespace steering
