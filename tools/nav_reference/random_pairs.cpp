#include "tools/nav_reference/random_pairs.h"

namespace navref {
namespace {

constexpr int kSide = 256;

// Deterministic 31-bit linear congruential generator.
struct Lcg {
    uint32_t state;
    int below(int n) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>(((state >> 1) & 0x7FFFFFFF) % static_cast<uint32_t>(n));
    }
};

}  // namespace

std::vector<int> cell_components(const uint8_t* cells) {
    std::vector<int> label(kSide * kSide, -2), stack;
    int next = 0;
    for (int s = 0; s < kSide * kSide; ++s) {
        if (label[s] != -2) continue;
        const int type = cells[s] & 15;
        if (type == 15) {
            label[s] = -1;
            continue;
        }
        label[s] = next;
        stack.assign(1, s);
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int x = i % kSide, y = i / kSide;
            const int around[4] = {x > 0 ? i - 1 : -1, x < kSide - 1 ? i + 1 : -1, y > 0 ? i - kSide : -1,
                                   y < kSide - 1 ? i + kSide : -1};
            for (int j : around) {
                if (j >= 0 && label[j] == -2 && (cells[j] & 15) == type) {
                    label[j] = next;
                    stack.push_back(j);
                }
            }
        }
        ++next;
    }
    return label;
}

std::vector<QueryPair> random_pairs(const uint8_t* cells, int count, uint32_t seed, bool connected, int reach) {
    const std::vector<int> label = cell_components(cells);
    std::vector<std::vector<int>> members;
    std::vector<int> walkable;
    for (int i = 0; i < kSide * kSide; ++i) {
        if (label[i] < 0 || i % kSide >= reach || i / kSide >= reach) continue;
        if (label[i] >= static_cast<int>(members.size())) members.resize(label[i] + 1);
        members[label[i]].push_back(i);
        walkable.push_back(i);
    }
    std::vector<QueryPair> out;
    if (walkable.empty() || (!connected && members.size() < 2)) return out;
    Lcg rnd{seed};
    auto point = [&](int cell, int& x, int& y) {
        x = (cell % kSide) * 256 + rnd.below(256);
        y = (cell / kSide) * 256 + rnd.below(256);
    };
    // Enough attempts for any map with a component of two cells; gives up otherwise.
    for (int attempts = 0; static_cast<int>(out.size()) < count && attempts < 100 * count + 1000; ++attempts) {
        const int a = walkable[rnd.below(static_cast<int>(walkable.size()))];
        int b;
        if (connected) {
            const std::vector<int>& same = members[label[a]];
            if (same.size() < 2) continue;
            b = same[rnd.below(static_cast<int>(same.size()))];
        } else {
            b = walkable[rnd.below(static_cast<int>(walkable.size()))];
            if (label[a] == label[b]) continue;
        }
        QueryPair p;
        point(a, p.fromX, p.fromY);
        point(b, p.toX, p.toY);
        out.push_back(p);
    }
    return out;
}

}  // namespace navref
