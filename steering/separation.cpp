// "separation": a push of about one world unit away from every touching neighbour,
// however deep the overlap.
#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/neighbour_visits.h"
#include "steering/separation.h"

namespace steering {

namespace {
constexpr Fixed kContactMargin = kFixedOne;  // discs closer than this count as touching

using DoublePair = double __attribute__((vector_size(16)));
using IntPair = int32_t __attribute__((vector_size(8)));
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

namespace {
[[gnu::always_inline]] inline FixedVec pushFrom(FixedVec d, Fixed a) {
    if (!quotientFitsDouble(d.x, a) || !quotientFitsDouble(d.y, a)) [[unlikely]] return divided(d, a);
    // quotientByDouble on both lanes: the products by 2^16 are exact, the lanes' divisions
    // are the scalar ones, and the quotients (below 2^22) convert by truncation as the
    // scalar cast does.
    const DoublePair dividend = DoublePair{static_cast<double>(d.x), static_cast<double>(d.y)} * 65536.0;
    const DoublePair quotient = dividend / static_cast<double>(a);
    const IntPair whole = __builtin_convertvector(quotient, IntPair);
    return {whole[0], whole[1]};
}
}  // namespace

FixedVec separationPush(FixedVec d, Fixed a) { return pushFrom(d, a); }

FixedVec SeparationBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    // Only the neighbours' positions and radii are read: the grid's copies do.
    forEachOtherAgentCopyNear(agent, separationReach(agent.radius), [&accumulator](const Agent& self, const NeighbourCopy& other, const Agent&) {
        const FixedVec d = self.position - other.position;
        const Fixed a = approxLength(d);
        // Agents on the very same point ignore each other: there is no direction to push.
        if (a < wrapAdd(wrapAdd(self.radius, other.radius), kContactMargin) && a != 0) {
            accumulator += pushFrom(d, a);
        }
    });
    return accumulator;
}

}  // namespace steering
