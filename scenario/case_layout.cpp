// The one rule from a case's metres to our world's cells, the rasterising of its obstacles,
// and the arrival zones round its targets.
#include "scenario/case_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <queue>

namespace scenario {

namespace {

constexpr uint8_t kOpen = 0;
constexpr uint8_t kWall = 15;
constexpr double kPackedShare = 0.5;  // share of a zone's area the crowd's discs may fill

void grow(Box& b, Vec2 p, double r) {
    b.xmin = std::min(b.xmin, p.x - r);
    b.xmax = std::max(b.xmax, p.x + r);
    b.zmin = std::min(b.zmin, p.z - r);
    b.zmax = std::max(b.zmax, p.z + r);
}

bool isSeek(const Goal& g) { return g.kind == GoalKind::SeekStatic; }

bool inside(const Box& b, Vec2 p) { return p.x >= b.xmin && p.x <= b.xmax && p.z >= b.zmin && p.z <= b.zmax; }

std::string fmt(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

}  // namespace

bool layoutCase(const Scenario& s, CaseLayout& layout, std::string& error) {
    Box region = s.worldBounds;
    const double limit = kCaseMaxCells * kCellMetres;
    if (region.xmax - region.xmin > limit || region.zmax - region.zmin > limit) {
        // A large world with a small case in it: the content and a margin round it.
        Box content{1e300, -1e300, 1e300, -1e300};
        for (const AgentSpec& a : s.agents) {
            grow(content, a.position, a.radius);
            for (const Goal& g : a.goals) {
                if (isSeek(g)) grow(content, g.target, a.radius);
            }
        }
        if (content.xmin > content.xmax) content = Box{0, 0, 0, 0};
        region = Box{std::max(region.xmin, content.xmin - kContentMargin), std::min(region.xmax, content.xmax + kContentMargin),
                     std::max(region.zmin, content.zmin - kContentMargin), std::min(region.zmax, content.zmax + kContentMargin)};
    }
    const double width = region.xmax - region.xmin, height = region.zmax - region.zmin;
    if (width > limit || height > limit) {
        error = s.file + ": case needs " + fmt(width) + " x " + fmt(height) + " m; the agents' part of the map holds " +
                fmt(limit) + " x " + fmt(limit) + " m (cells 1..126 at 1 m a cell)";
        return false;
    }
    layout.region = region;
    layout.columns = std::max(1, static_cast<int>(std::ceil(width / kCellMetres - 1e-9)));
    layout.rows = std::max(1, static_cast<int>(std::ceil(height / kCellMetres - 1e-9)));
    for (std::size_t i = 0; i < s.agents.size(); ++i) {
        const AgentSpec& a = s.agents[i];
        if (!inside(region, a.position)) {
            error = s.file + ": agent " + std::to_string(i) + " at (" + fmt(a.position.x) + ", " + fmt(a.position.z) +
                    ") lies outside the case's region";
            return false;
        }
        for (const Goal& g : a.goals) {
            if (isSeek(g) && !inside(region, g.target)) {
                error = s.file + ": agent " + std::to_string(i) + "'s target (" + fmt(g.target.x) + ", " +
                        fmt(g.target.z) + ") lies outside the case's region";
                return false;
            }
        }
    }
    return true;
}

void rasteriseCase(const Scenario& s, const CaseLayout& layout, uint8_t* cells) {
    std::fill(cells, cells + kMapCells * kMapCells, kWall);
    for (int r = 0; r < layout.rows; ++r) {
        std::fill(cells + (r + kCaseFirstCell) * kMapCells + kCaseFirstCell,
                  cells + (r + kCaseFirstCell) * kMapCells + kCaseFirstCell + layout.columns, kOpen);
    }
    for (const Box& o : s.obstacles) {
        // Cells whose centres the footprint covers (half-open, so touching boxes share no cell).
        const double c0 = (o.xmin - layout.region.xmin) / kCellMetres - 0.5;
        const double c1 = (o.xmax - layout.region.xmin) / kCellMetres - 0.5;
        const double r0 = (o.zmin - layout.region.zmin) / kCellMetres - 0.5;
        const double r1 = (o.zmax - layout.region.zmin) / kCellMetres - 0.5;
        const int cFirst = std::max(0, static_cast<int>(std::ceil(std::max(c0, -1.0))));
        const int rFirst = std::max(0, static_cast<int>(std::ceil(std::max(r0, -1.0))));
        const int cEnd = std::min(layout.columns, static_cast<int>(std::ceil(std::min(c1, 1000.0))));
        const int rEnd = std::min(layout.rows, static_cast<int>(std::ceil(std::min(r1, 1000.0))));
        for (int r = rFirst; r < rEnd; ++r) {
            for (int c = cFirst; c < cEnd; ++c) cells[(r + kCaseFirstCell) * kMapCells + c + kCaseFirstCell] = kWall;
        }
    }
}

namespace {

// Cells of the zone round `target`: the `count` open cells nearest by walking distance
// (cell centre to cell centre, straight steps 1, diagonal steps sqrt 2 where both side cells
// are open), from the target's own cell.
std::vector<int> zoneAround(const uint8_t* cells, int startCell, int count, std::vector<double>& dist,
                            std::vector<uint8_t>& taken) {
    std::vector<int> zone;
    if (cells[startCell] != kOpen) return zone;
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open;
    std::vector<int> touched{startCell};  // every cell whose distance was set, to reset after
    dist[startCell] = 0.0;
    open.push({0.0, startCell});
    while (!open.empty() && static_cast<int>(zone.size()) < count) {
        const auto [d, cell] = open.top();
        open.pop();
        if (d > dist[cell] || taken[cell]) continue;
        taken[cell] = 1;
        zone.push_back(cell);
        const int c = cell % kMapCells, r = cell / kMapCells;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                if (dr == 0 && dc == 0) continue;
                const int nc = c + dc, nr = r + dr;
                if (nc < 0 || nr < 0 || nc >= kMapCells || nr >= kMapCells) continue;
                const int next = nr * kMapCells + nc;
                if (cells[next] != kOpen) continue;
                if (dr != 0 && dc != 0 && (cells[r * kMapCells + nc] != kOpen || cells[nr * kMapCells + c] != kOpen)) continue;
                const double nd = d + ((dr != 0 && dc != 0) ? 1.4142135623730951 : 1.0);
                if (nd < dist[next]) {
                    if (dist[next] == 1e300) touched.push_back(next);
                    dist[next] = nd;
                    open.push({nd, next});
                }
            }
        }
    }
    for (const int cell : touched) {
        dist[cell] = 1e300;
        taken[cell] = 0;
    }
    std::sort(zone.begin(), zone.end());
    return zone;
}

int cellOf(const CaseLayout& layout, Vec2 p) {
    const int c = static_cast<int>(std::floor((p.x - layout.region.xmin) / kCellMetres)) + kCaseFirstCell;
    const int r = static_cast<int>(std::floor((p.z - layout.region.zmin) / kCellMetres)) + kCaseFirstCell;
    if (c < 0 || r < 0 || c >= kMapCells || r >= kMapCells) return -1;
    return r * kMapCells + c;
}

}  // namespace

void buildArrivalZones(const Scenario& s, const CaseLayout& layout, const uint8_t* cells, ArrivalZones& zones) {
    zones = ArrivalZones{};
    std::vector<double> discArea;  // per zone: the discs of the agents sharing its target
    std::map<std::pair<double, double>, int> zoneAt;  // target point -> zone
    zones.zoneOf.resize(s.agents.size());
    for (std::size_t a = 0; a < s.agents.size(); ++a) {
        const AgentSpec& agent = s.agents[a];
        std::vector<int> counted;
        for (const Goal& g : agent.goals) {
            int zone = -1;
            if (isSeek(g)) {
                const auto [found, added] = zoneAt.try_emplace({g.target.x, g.target.z}, static_cast<int>(zones.zoneTarget.size()));
                zone = found->second;
                if (added) {
                    zones.zoneTarget.push_back(g.target);
                    discArea.push_back(0.0);
                }
                if (std::find(counted.begin(), counted.end(), zone) == counted.end()) {
                    counted.push_back(zone);
                    discArea[zone] += 3.141592653589793 * agent.radius * agent.radius;
                }
            }
            zones.zoneOf[a].push_back(zone);
        }
    }
    std::vector<double> dist(static_cast<std::size_t>(kMapCells) * kMapCells, 1e300);
    std::vector<uint8_t> taken(dist.size(), 0);
    for (std::size_t z = 0; z < zones.zoneTarget.size(); ++z) {
        // At most every cell of the map: the count stays an int however large the crowd.
        const double wanted = std::ceil(discArea[z] / kPackedShare / (kCellMetres * kCellMetres) - 1e-9);
        const int count = static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(kMapCells) * kMapCells));
        const int start = cellOf(layout, zones.zoneTarget[z]);
        zones.zoneCells.push_back(start < 0 ? std::vector<int>() : zoneAround(cells, start, count, dist, taken));
    }
}

bool insideArrivalZone(const ArrivalZones& zones, const CaseLayout& layout, int agent, int goal, Vec2 position,
                       double radius) {
    if (agent < 0 || static_cast<std::size_t>(agent) >= zones.zoneOf.size()) return false;
    const auto& goals = zones.zoneOf[agent];
    if (goal < 0 || static_cast<std::size_t>(goal) >= goals.size() || goals[goal] < 0) return false;
    const int zone = goals[goal];
    const Vec2 t = zones.zoneTarget[zone];
    const double dx = position.x - t.x, dz = position.z - t.z;
    if (dx * dx + dz * dz <= 4.0 * radius * radius) return true;
    const int cell = cellOf(layout, position);
    return cell >= 0 && zoneHolds(zones, zone, cell);
}

bool zoneHolds(const ArrivalZones& zones, int zone, int cell) {
    const std::vector<int>& z = zones.zoneCells[zone];
    return std::binary_search(z.begin(), z.end(), cell);
}

}  // namespace scenario
