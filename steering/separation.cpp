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

namespace {
using WordLanes = uint32_t __attribute__((vector_size(16)));

// absRaw lane by lane.
[[gnu::always_inline]] inline WordLanes absLanes(WordLanes v) {
    const WordLanes sign = __builtin_bit_cast(WordLanes, __builtin_bit_cast(CopyLanes, v) >> 31);
    return (v ^ sign) - sign;
}

// touchingLanes with the agent's position and radius plus the margin as lanes: approxLength
// and the comparisons written for lanes (the same wrapping 32-bit arithmetic).
[[gnu::always_inline]] inline CopyLanes touching(WordLanes x0, WordLanes y0, WordLanes reachBase, CopyLanes x, CopyLanes y,
                                                 CopyLanes radii) {
    const WordLanes a = absLanes(x0 - __builtin_bit_cast(WordLanes, x));
    const WordLanes b = absLanes(y0 - __builtin_bit_cast(WordLanes, y));
    const WordLanes aBigger = __builtin_bit_cast(WordLanes, a > b);
    const WordLanes big = b ^ ((a ^ b) & aBigger);
    const WordLanes small = a ^ b ^ big;
    const CopyLanes length = __builtin_bit_cast(CopyLanes, big + (small >> 1));
    const CopyLanes reach = __builtin_bit_cast(CopyLanes, reachBase + __builtin_bit_cast(WordLanes, radii));
    return (length < reach) & (length != 0);
}
}  // namespace

CopyLanes touchingLanes(FixedVec position, Fixed radius, CopyLanes x, CopyLanes y, CopyLanes radii) {
    return touching(WordLanes{} + static_cast<uint32_t>(position.x), WordLanes{} + static_cast<uint32_t>(position.y),
                    WordLanes{} + static_cast<uint32_t>(wrapAdd(radius, kContactMargin)), x, y, radii);
}

FixedVec SeparationBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    const FixedVec here = agent.position;
    const Fixed reachBase = wrapAdd(agent.radius, kContactMargin);
    const WordLanes x0 = WordLanes{} + static_cast<uint32_t>(here.x);
    const WordLanes y0 = WordLanes{} + static_cast<uint32_t>(here.y);
    const WordLanes base = WordLanes{} + static_cast<uint32_t>(reachBase);
    // Only the neighbours' positions and radii are read: the grid's copies do. The screen
    // passes exactly the touching ones, four at a time; the test below stands by itself.
    forEachOtherAgentCopyScreened(
        agent, separationReach(agent.radius),
        [&](CopyLanes x, CopyLanes y, CopyLanes radii) { return touching(x0, y0, base, x, y, radii); },
        [&](const Agent&, const NeighbourCopy& other, const Agent&) {
            const FixedVec d = here - other.position;
            const Fixed a = approxLength(d);
            // Agents on the very same point ignore each other: there is no direction to push.
            // (wrapAdd is associative: this is the two radii, then the margin.)
            if (a < wrapAdd(reachBase, other.radius) && a != 0) {
                accumulator += pushFrom(d, a);
            }
        });
    return accumulator;
}

}  // namespace steering
