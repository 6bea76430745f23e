// "separation": a push of about one world unit away from every touching neighbour,
// however deep the overlap.
#include "steering/agent.h"
#include "steering/behaviours.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_visits.h"
#include "steering/separation.h"
#include "steering/world.h"

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

bool useSortedAgents(World& world, const Agent& agent) {
    SortedAgentCells& sorted = world.neighbourGrid.sortedAgents;
    if (world.navigationMode != NavigationMode::Shortest) {
        // Classic and the other modes read the grid alone; the index stops following it.
        if (sorted.active()) sorted.deactivate();
        return false;
    }
    if (!sorted.active()) sorted.activate(world.neighbourGrid);
    return sorted.covers(agent.position, agent.radius);
}

FixedVec SeparationBehaviour::computeForce(Agent& agent) const {
    FixedVec accumulator{};
    // Only the neighbours' positions and radii are read.
    auto push = [&accumulator, &agent](const auto& other) {
        const FixedVec d = agent.position - other.position;
        const Fixed a = approxLength(d);
        // Agents on the very same point ignore each other: there is no direction to push.
        if (a < wrapAdd(wrapAdd(agent.radius, other.radius), kContactMargin) && a != 0) {
            accumulator += divided(d, a);
        }
    };
    if (useSortedAgents(*agent.world, agent)) {
        // A touching neighbour's centre is nearer than the two radii and the margin on both
        // axes; with every agent on the non-negative quarter of the plane and radii of at
        // most SortedAgentCells::kMaxRadius no difference here wraps, so the neighbours the
        // grid's square finds and passes are exactly those passed here.
        SortedAgentCells& sorted = agent.world->neighbourGrid.sortedAgents;
        const int64_t halfSize = int64_t{agent.radius} + sorted.maxRadius() + kContactMargin;
        sorted.prepare();
        const Fixed* const xs = sorted.xs();
        const Fixed* const ys = sorted.ys();
        const Fixed* const radii = sorted.radii();
        const uint32_t px = static_cast<uint32_t>(agent.position.x), py = static_cast<uint32_t>(agent.position.y);
        const uint32_t reach = static_cast<uint32_t>(agent.radius) + static_cast<uint32_t>(kContactMargin);
        sorted.forEachRun(agent.position, halfSize, &agent, [&](uint32_t begin, uint32_t end, uint32_t self) {
            // The same test as push, without branches, a block at a time (the compiler runs
            // it on several candidates at once); then push for the few that pass.
            constexpr uint32_t kBlock = 64;
            for (uint32_t first = begin; first < end; first += kBlock) {
                const uint32_t count = end - first < kBlock ? end - first : kBlock;
                uint8_t touching[kBlock];
                for (uint32_t i = 0; i < count; ++i) {
                    const uint32_t k = first + i;
                    const uint32_t dx = px - static_cast<uint32_t>(xs[k]);
                    const uint32_t dy = py - static_cast<uint32_t>(ys[k]);
                    const uint32_t ax = static_cast<int32_t>(dx) < 0 ? 0u - dx : dx;
                    const uint32_t ay = static_cast<int32_t>(dy) < 0 ? 0u - dy : dy;
                    const uint32_t big = ax > ay ? ax : ay;
                    const uint32_t small = ax > ay ? ay : ax;
                    const int32_t a = static_cast<int32_t>(big + (small >> 1));
                    const int32_t limit = static_cast<int32_t>(reach + static_cast<uint32_t>(radii[k]));
                    touching[i] = static_cast<uint8_t>((a < limit) & (a != 0));
                }
                for (uint32_t i = 0; i < count; ++i) {
                    if (touching[i] == 0) continue;
                    const uint32_t k = first + i;
                    if (k == self) continue;
                    const FixedVec d = agent.position - FixedVec{xs[k], ys[k]};
                    accumulator += divided(d, approxLength(d));
                }
            }
        });
        return accumulator;
    }
    forEachOtherAgentCopyNear(agent, separationReach(agent.radius),
                              [&push](const Agent&, const NeighbourCopy& other, const Agent&) { push(other); });
    return accumulator;
}

}  // namespace steering
