// "separation": a push of about one world unit away from every touching neighbour,
// however deep the overlap.
#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"

namespace steering {

namespace {
constexpr Fixed kContactMargin = kFixedOne;  // discs closer than this count as touching
}  // namespace

FixedVec SeparationBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    // Half-size 2 * radius with the grid's 512-unit cells reaches every neighbour that can
    // pass the contact test below.
    forEachOtherAgentNear(agent, wrapMul(2, agent.radius), [&accumulator](const Agent& self, const Agent& other) {
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
