// Scores of a run from its positions: the goals are followed again from where the agents
// were, with the same arrival zones and goal times the simulators use.
#include "scenario/scores.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/nav_reference/exact_shortest_path.h"

namespace scenario {

namespace {

double distance(Vec2 a, Vec2 b) { return std::hypot(a.x - b.x, a.z - b.z); }

// How far a disc reaches into the wall cells round it: radius - distance from its centre to
// the nearest wall cell (its whole radius or more when the centre is in one); <= 0: clear.
double wallOverlap(const uint8_t* cells, const CaseLayout& layout, Vec2 p, double radius) {
    const double cx = (p.x - layout.region.xmin) / kCellMetres + kCaseFirstCell;
    const double cz = (p.z - layout.region.zmin) / kCellMetres + kCaseFirstCell;
    const double reach = radius / kCellMetres;
    double deepest = 0.0;
    for (int r = static_cast<int>(std::floor(cz - reach)); r <= static_cast<int>(std::floor(cz + reach)); ++r) {
        for (int c = static_cast<int>(std::floor(cx - reach)); c <= static_cast<int>(std::floor(cx + reach)); ++c) {
            const bool wall = r < 0 || c < 0 || r >= kMapCells || c >= kMapCells || cells[r * kMapCells + c] == 15;
            if (!wall) continue;
            const double dx = std::max({static_cast<double>(c) - cx, 0.0, cx - (c + 1.0)});
            const double dz = std::max({static_cast<double>(r) - cz, 0.0, cz - (r + 1.0)});
            const double d = std::hypot(dx, dz) * kCellMetres;
            deepest = std::max(deepest, radius - d);
        }
    }
    return deepest;
}

// Whether the point lies inside a wall cell (or beyond the map).
bool centreInWall(const uint8_t* cells, const CaseLayout& layout, Vec2 p) {
    const int c = static_cast<int>(std::floor((p.x - layout.region.xmin) / kCellMetres + kCaseFirstCell));
    const int r = static_cast<int>(std::floor((p.z - layout.region.zmin) / kCellMetres + kCaseFirstCell));
    return r < 0 || c < 0 || r >= kMapCells || c >= kMapCells || cells[r * kMapCells + c] == 15;
}

navref::Point worldPoint(const CaseLayout& layout, Vec2 p) {
    return navref::Point{static_cast<int64_t>(std::llround(layout.worldX(p.x))),
                         static_cast<int64_t>(std::llround(layout.worldY(p.z)))};
}

// Exact walking distance in metres; the straight line when no route exists.
double walking(const navref::ExactShortestPaths& exact, const CaseLayout& layout, Vec2 a, Vec2 b) {
    const double d = exact.shortest_length(worldPoint(layout, a), worldPoint(layout, b));
    return d < 0 ? distance(a, b) : d / kWorldUnitsPerMetre;
}

bool endsByTime(const Goal& g) { return g.kind != GoalKind::SeekStatic && g.kind != GoalKind::SeekDynamic; }

}  // namespace

RunScores scoreRun(const Scenario& s, const CaseLayout& layout, const uint8_t* cells, const ArrivalZones& zones,
                   const RunRecord& run) {
    RunScores out;
    out.caseName = s.name;
    out.system = run.system;
    out.agents = run.agentCount;
    out.steps = run.steps;
    out.seconds = run.steps * run.secondsPerStep;
    const int n = run.agentCount;
    const double dt = run.secondsPerStep;
    out.perAgent.assign(static_cast<std::size_t>(n), AgentScore{});
    std::vector<int> doneStep(static_cast<std::size_t>(n), -1);
    const navref::ExactShortestPaths exact(cells, 0);

    // Goals, walking, effort and wall episodes, agent by agent.
    for (int a = 0; a < n; ++a) {
        const AgentSpec& spec = s.agents[a];
        AgentScore& score = out.perAgent[a];
        const int goals = static_cast<int>(spec.goals.size());
        int goal = 0, goalStart = 0;
        bool allReached = true, inWall = false;
        std::vector<Vec2> arrivals;  // where it stood when it reached each static seek goal
        Vec2 last = run.at(0, a);
        for (int step = 0; step <= run.steps && run.isPresent(step, a); ++step) {
            const Vec2 p = run.at(step, a);
            if (step > 0) {
                const double moved = distance(p, last);
                score.walkedMetres += moved;
                score.effort += (moved / dt) * (moved / dt) * dt;
            }
            last = p;
            const double depth = wallOverlap(cells, layout, p, spec.radius);
            if (centreInWall(cells, layout, p)) ++score.centreInWallSamples;
            if (depth > 0 && !inWall) ++score.obstacleCollisions;
            inWall = depth > 0;
            score.deepestOverlap = std::max(score.deepestOverlap, std::max(depth, 0.0) / spec.radius);
            out.deepestObstacleOverlap = std::max(out.deepestObstacleOverlap, std::max(depth, 0.0) / spec.radius);
            // A goal ends when reached or when its time is up; several may end in one sample.
            while (goal < goals) {
                const Goal& g = spec.goals[goal];
                bool reached = false;
                if (g.kind == GoalKind::SeekStatic) {
                    reached = insideArrivalZone(zones, layout, a, goal, p, spec.radius);
                } else if (g.kind == GoalKind::SeekDynamic && g.targetAgent >= 0) {
                    reached = distance(p, run.at(step, g.targetAgent)) <= spec.radius + s.agents[g.targetAgent].radius;
                }
                const bool timeUp = (step - goalStart) * dt >= g.timeDuration - 1e-9;
                if (!reached && !timeUp) break;
                if (reached) {
                    ++score.goalsReached;
                    if (g.kind == GoalKind::SeekStatic) arrivals.push_back(p);
                } else if (!endsByTime(g)) {
                    allReached = false;
                }
                ++goal;
                goalStart = step;
            }
            if (goal == goals && doneStep[a] < 0) {
                doneStep[a] = step;
                score.doneSeconds = step * dt;
                break;
            }
        }
        score.reachedAll = goal == goals && allReached;
        // Routes from the start through the points where it reached its static seek goals
        // (an agent arrives short of the target point, inside its zone), or through the
        // target points themselves when it did not reach them all.
        std::vector<Vec2> through = arrivals;
        if (!score.reachedAll) {
            through.clear();
            for (const Goal& g : spec.goals) {
                if (g.kind == GoalKind::SeekStatic) through.push_back(g.target);
            }
        }
        Vec2 from = spec.position;
        for (const Vec2 to : through) {
            score.shortestMetres += walking(exact, layout, from, to);
            score.straightMetres += distance(from, to);
            from = to;
        }
        if (!score.reachedAll) {
            // Still out: how far its current (or first missed) seek target is on foot.
            for (int k = std::min(goal, goals - 1); k >= 0 && k < goals; ++k) {
                if (spec.goals[k].kind == GoalKind::SeekStatic) {
                    score.remainingMetres = walking(exact, layout, last, spec.goals[k].target);
                    break;
                }
            }
        }
    }

    // Agent-agent episodes: a pair's episode begins in the first sample where both are
    // present and their discs overlap after a sample where they did not.
    std::vector<uint8_t> touching(static_cast<std::size_t>(n) * n, 0);
    std::vector<uint8_t> deep(static_cast<std::size_t>(n) * n, 0);
    for (int step = 0; step <= run.steps; ++step) {
        for (int a = 0; a < n; ++a) {
            if (!run.isPresent(step, a)) continue;
            const Vec2 pa = run.at(step, a);
            const double ra = s.agents[a].radius;
            for (int b = a + 1; b < n; ++b) {
                uint8_t& was = touching[static_cast<std::size_t>(a) * n + b];
                uint8_t& wasDeep = deep[static_cast<std::size_t>(a) * n + b];
                if (!run.isPresent(step, b)) {
                    was = 0;
                    wasDeep = 0;
                    continue;
                }
                const double rb = s.agents[b].radius;
                const Vec2 pb = run.at(step, b);
                const double dx = pa.x - pb.x, dz = pa.z - pb.z;
                const double reach = ra + rb;
                if (dx * dx + dz * dz >= reach * reach) {
                    was = 0;
                    wasDeep = 0;
                    continue;
                }
                if (4.0 * (dx * dx + dz * dz) < reach * reach) {
                    if (!wasDeep) ++out.deepOverlapEpisodes;
                    ++out.deepOverlapPairSamples;
                    wasDeep = 1;
                } else {
                    wasDeep = 0;
                }
                const double depth = (reach - std::sqrt(dx * dx + dz * dz)) / std::min(ra, rb);
                if (!was) {
                    ++out.agentCollisions;
                    ++out.perAgent[a].agentCollisions;
                    ++out.perAgent[b].agentCollisions;
                }
                was = 1;
                out.deepestAgentOverlap = std::max(out.deepestAgentOverlap, depth);
                out.perAgent[a].deepestOverlap = std::max(out.perAgent[a].deepestOverlap, depth);
                out.perAgent[b].deepestOverlap = std::max(out.perAgent[b].deepestOverlap, depth);
            }
        }
    }

    // Totals.
    out.doneByStep.assign(static_cast<std::size_t>(run.steps) + 1, 0);
    double ratioShortest = 0.0, ratioStraight = 0.0, effort = 0.0;
    int withRoute = 0;
    for (int a = 0; a < n; ++a) {
        const AgentScore& score = out.perAgent[a];
        out.obstacleCollisions += score.obstacleCollisions;
        out.centreInWallSamples += score.centreInWallSamples;
        effort += score.effort;
        if (score.reachedAll) {
            ++out.done;
            for (int step = doneStep[a]; step <= run.steps; ++step) ++out.doneByStep[step];
            if (score.shortestMetres > 0 && score.straightMetres > 0) {
                ratioShortest += score.walkedMetres / score.shortestMetres;
                ratioStraight += score.walkedMetres / score.straightMetres;
                ++withRoute;
            }
        } else {
            ++out.stillOut;
            out.meanRemainingMetres += score.remainingMetres;
            out.maxRemainingMetres = std::max(out.maxRemainingMetres, score.remainingMetres);
        }
    }
    if (out.stillOut > 0) out.meanRemainingMetres /= out.stillOut;
    if (withRoute > 0) {
        out.walkedOverShortest = ratioShortest / withRoute;
        out.walkedOverStraight = ratioStraight / withRoute;
    }
    if (n > 0) out.effortPerAgent = effort / n;
    if (run.agentSteps > 0) out.processorMicrosPerAgentStep = run.processorSeconds * 1e6 / static_cast<double>(run.agentSteps);
    // T50 / T95 / T100: the first sample with at least that share of the agents done.
    const auto timeFor = [&](double share) {
        const int need = std::max(1, static_cast<int>(std::ceil(share * n - 1e-9)));
        for (int step = 0; step <= run.steps; ++step) {
            if (out.doneByStep[step] >= need) return step * dt;
        }
        return -1.0;
    };
    if (n > 0) {
        out.t50 = timeFor(0.5);
        out.t95 = timeFor(0.95);
        out.t100 = timeFor(1.0);
    }
    return out;
}

namespace {

void add(std::string& out, const char* key, double v, bool comma = true) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "\"%s\": %.6g%s", key, v, comma ? ", " : "");
    out += buffer;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string scoresJson(const RunScores& r, bool withAgents) {
    std::string out = "{\"case\": " + quoted(r.caseName) + ", \"system\": " + quoted(r.system) + ", ";
    add(out, "agents", r.agents);
    add(out, "done", r.done);
    add(out, "t50", r.t50);
    add(out, "t95", r.t95);
    add(out, "t100", r.t100);
    add(out, "stillOut", r.stillOut);
    add(out, "meanRemainingMetres", r.meanRemainingMetres);
    add(out, "maxRemainingMetres", r.maxRemainingMetres);
    add(out, "agentCollisions", r.agentCollisions);
    add(out, "obstacleCollisions", r.obstacleCollisions);
    add(out, "deepestAgentOverlap", r.deepestAgentOverlap);
    add(out, "deepestObstacleOverlap", r.deepestObstacleOverlap);
    add(out, "deepOverlapEpisodes", r.deepOverlapEpisodes);
    add(out, "deepOverlapPairSamples", r.deepOverlapPairSamples);
    add(out, "centreInWallSamples", r.centreInWallSamples);
    add(out, "walkedOverShortest", r.walkedOverShortest);
    add(out, "walkedOverStraight", r.walkedOverStraight);
    add(out, "effortPerAgent", r.effortPerAgent);
    add(out, "processorMicrosPerAgentStep", r.processorMicrosPerAgentStep);
    add(out, "steps", r.steps);
    add(out, "seconds", r.seconds);
    out += "\"doneByStep\": [";
    for (std::size_t i = 0; i < r.doneByStep.size(); ++i) out += (i ? "," : "") + std::to_string(r.doneByStep[i]);
    out += "]";
    if (withAgents) {
        out += ", \"perAgent\": [";
        for (std::size_t i = 0; i < r.perAgent.size(); ++i) {
            const AgentScore& a = r.perAgent[i];
            out += i ? ", {" : "{";
            out += std::string("\"reachedAll\": ") + (a.reachedAll ? "true" : "false") + ", ";
            add(out, "doneSeconds", a.doneSeconds);
            add(out, "goalsReached", a.goalsReached);
            add(out, "remainingMetres", a.remainingMetres);
            add(out, "agentCollisions", a.agentCollisions);
            add(out, "obstacleCollisions", a.obstacleCollisions);
            add(out, "centreInWallSamples", a.centreInWallSamples);
            add(out, "deepestOverlap", a.deepestOverlap);
            add(out, "walkedMetres", a.walkedMetres);
            add(out, "shortestMetres", a.shortestMetres);
            add(out, "straightMetres", a.straightMetres);
            add(out, "effort", a.effort, false);
            out += "}";
        }
        out += "]";
    }
    return out + "}\n";
}

}  // namespace scenario
