// The XML reader of steering test cases: pugixml parses, this file walks the elements,
// checks every value and draws the random ones. Every refusal is one line naming the file,
// the line and the element.
#include "scenario/scenario_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <pugixml.hpp>

namespace scenario {

namespace {

// A small deterministic generator of its own (SplitMix64), so a case's random values are
// the same on every build and platform; doubles come from its top 53 bits.
struct CaseRandom {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
};

// Agent regions up to this size are placed without overlaps where possible.
constexpr double kCheckedRegionAgents = 1000;

// The point of a grid of the given step over the box (from its corner, both edges
// included) nearest `from` where isFree holds; `from` itself when none does.
template <typename IsFree>
Vec2 nearestFreeGridSpot(const Box& box, Vec2 from, double step, IsFree isFree) {
    const int columns = static_cast<int>(std::floor((box.xmax - box.xmin) / step)) + 1;
    const int rows = static_cast<int>(std::floor((box.zmax - box.zmin) / step)) + 1;
    Vec2 best = from;
    double bestSquared = -1.0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const Vec2 q{box.xmin + c * step, box.zmin + r * step};
            const double dx = q.x - from.x, dz = q.z - from.z;
            const double d = dx * dx + dz * dz;
            if ((bestSquared < 0.0 || d < bestSquared) && isFree(q)) {
                best = q;
                bestSquared = d;
            }
        }
    }
    return best;
}

struct Failure {
    std::string message;
};

class Reader {
public:
    Reader(std::string_view text, std::string fileName, uint32_t seed)
        : text_(text), file_(std::move(fileName)), random_{0x5EEDull * 0x100000001ull + seed}, seed_(seed) {}

    std::string where(const pugi::xml_node& node) const {
        return file_ + ":" + std::to_string(lineOf(static_cast<std::size_t>(node.offset_debug()))) + ": ";
    }
    std::size_t lineOf(std::size_t offset) const {
        if (offset > text_.size()) offset = text_.size();
        std::size_t line = 1;
        for (std::size_t i = 0; i < offset; ++i) line += text_[i] == '\n';
        return line;
    }
    [[noreturn]] void fail(const pugi::xml_node& node, const std::string& what) const {
        throw Failure{where(node) + node.name() + ": " + what};
    }

    double number(const pugi::xml_node& node) const {
        const char* s = node.child_value();
        while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') ++s;
        char* end = nullptr;
        errno = 0;
        const double v = std::strtod(s, &end);
        if (end == s) fail(node, "expected a number, found \"" + clip(node.child_value()) + "\"");
        while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
        if (*end != '\0') fail(node, "expected a number, found \"" + clip(node.child_value()) + "\"");
        if (!std::isfinite(v) || std::fabs(v) > 1e9) fail(node, "value out of range");
        return v;
    }
    double childNumber(const pugi::xml_node& parent, const char* name, double fallback) const {
        const pugi::xml_node c = parent.child(name);
        return c ? number(c) : fallback;
    }
    static std::string clip(const char* s) {
        std::string out;
        for (; *s && out.size() < 24; ++s) out += (*s == '\n' || *s == '\r') ? ' ' : *s;
        return out;
    }
    static bool isRandom(const pugi::xml_node& node) { return static_cast<bool>(node.child("random")); }
    static bool truthy(const pugi::xml_node& node) {
        const std::string v = node.child_value();
        return v.find("true") != std::string::npos || v.find('1') != std::string::npos;
    }

    // A vector element <x>..</x><y>..</y><z>..</z>: the ground-plane part.
    Vec2 vector(const pugi::xml_node& node) const {
        return Vec2{childNumber(node, "x", 0.0), childNumber(node, "z", 0.0)};
    }
    Box box(const pugi::xml_node& node) const {
        Box b{childNumber(node, "xmin", 0.0), childNumber(node, "xmax", 0.0),
              childNumber(node, "zmin", 0.0), childNumber(node, "zmax", 0.0)};
        if (b.xmin > b.xmax || b.zmin > b.zmax) fail(node, "minimum greater than maximum");
        return b;
    }
    Vec2 randomPoint(const Box& b) { return Vec2{random_.between(b.xmin, b.xmax), random_.between(b.zmin, b.zmax)}; }
    Vec2 randomDirection() {
        const double a = random_.between(0.0, 6.283185307179586);
        return Vec2{std::cos(a), std::sin(a)};
    }
    Vec2 unitOf(const pugi::xml_node& node, Vec2 v) const {
        const double len = std::sqrt(v.x * v.x + v.z * v.z);
        if (!(len > 1e-9)) fail(node, "direction has no length on the ground plane");
        return Vec2{v.x / len, v.z / len};
    }

    Scenario read() {
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!parsed) {
            throw Failure{file_ + ":" + std::to_string(lineOf(static_cast<std::size_t>(parsed.offset))) +
                          ": malformed XML: " + parsed.description()};
        }
        const pugi::xml_node root = doc.document_element();
        if (std::strcmp(root.name(), "SteerBenchTestCase") != 0) {
            fail(root, "not a steering test case (the root element must be SteerBenchTestCase)");
        }
        Scenario s;
        s.file = file_;
        s.seed = seed();
        readHeader(root, s);
        for (const pugi::xml_node& node : root.children()) {
            if (node.type() != pugi::node_element) continue;
            const std::string name = node.name();
            if (name == "suggestedCameraView") {
                if (!s.hasCamera) {
                    s.hasCamera = true;
                    s.camera.position = vector(node.child("position"));
                    s.camera.lookAt = vector(node.child("lookat"));
                }
            } else if (name == "obstacle") {
                addObstacle(node, box(node), s);
            } else if (name == "obstacleRegion") {
                readObstacleRegion(node, s);
            } else if (name == "agent") {
                if (s.agents.size() >= static_cast<std::size_t>(kMaxAgents)) fail(node, "more than 20000 agents");
                s.agents.push_back(readAgent(node, node.child("initialConditions"), s, false));
                names_.push_back(node.child_value("name"));
            } else if (name == "agentRegion") {
                readAgentRegion(node, s);
            }
        }
        resolveNames(s);
        return s;
    }

private:
    uint32_t seed() const { return seed_; }

    void readHeader(const pugi::xml_node& root, Scenario& s) {
        const pugi::xml_node header = root.child("header");
        s.name = header.child_value("name");
        s.description = header.child_value("description");
        const pugi::xml_node bounds = header.child("worldBounds");
        if (!bounds) fail(header ? header : root, "no worldBounds");
        s.worldBounds = box(bounds);
    }

    void addObstacle(const pugi::xml_node& node, const Box& b, Scenario& s) const {
        if (s.obstacles.size() >= static_cast<std::size_t>(kMaxObstacles)) fail(node, "more than 20000 obstacles");
        s.obstacles.push_back(b);
    }

    void readObstacleRegion(const pugi::xml_node& node, Scenario& s) {
        const pugi::xml_node countNode = node.child("numObstacles");
        const double count = countNode ? number(countNode) : 0.0;
        if (count < 0 || count != std::floor(count) || count > kMaxObstacles) fail(node, "numObstacles must be 0..20000");
        const double size = childNumber(node, "obstacleSize", 1.0);
        if (!(size > 0)) fail(node, "obstacleSize must be positive");
        const Box region = box(node.child("regionBounds"));
        if (region.xmax - region.xmin < size || region.zmax - region.zmin < size) {
            fail(node, "regionBounds smaller than one obstacle");
        }
        for (int i = 0; i < static_cast<int>(count); ++i) {
            const double x = random_.between(region.xmin, region.xmax - size);
            const double z = random_.between(region.zmin, region.zmax - size);
            addObstacle(node, Box{x, x + size, z, z + size}, s);
        }
    }

    Goal readGoal(const pugi::xml_node& node) {
        Goal g;
        const std::string kind = node.name();
        if (kind == "seekStaticTarget") g.kind = GoalKind::SeekStatic;
        else if (kind == "fleeStaticTarget") g.kind = GoalKind::FleeStatic;
        else if (kind == "seekDynamicTarget") g.kind = GoalKind::SeekDynamic;
        else if (kind == "fleeDynamicTarget") g.kind = GoalKind::FleeDynamic;
        else if (kind == "flowStaticDirection") g.kind = GoalKind::FlowStatic;
        else if (kind == "flowDynamicDirection") g.kind = GoalKind::FlowDynamic;
        else if (kind == "idle") g.kind = GoalKind::Idle;
        else fail(node, "unknown goal kind");
        g.desiredSpeed = childNumber(node, "desiredSpeed", 1.3);
        g.timeDuration = childNumber(node, "timeDuration", 1000.0);
        if (g.desiredSpeed < 0 || g.desiredSpeed > 20) fail(node, "desiredSpeed must be 0..20 m/s");
        if (g.kind != GoalKind::Idle && !(g.desiredSpeed > 0)) fail(node, "desiredSpeed must be positive");
        if (!(g.timeDuration > 0) || g.timeDuration > 1e6) fail(node, "timeDuration must be above 0 and at most 1000000 s");
        switch (g.kind) {
        case GoalKind::SeekStatic:
        case GoalKind::FleeStatic: {
            const pugi::xml_node t = node.child("targetLocation");
            if (isRandom(node) || (t && isRandom(t))) {
                g.target = randomPoint(bounds_);
            } else if (!t) {
                fail(node, "no targetLocation");
            } else {
                g.target = vector(t);
            }
            break;
        }
        case GoalKind::FlowStatic: {
            const pugi::xml_node t = node.child("targetDirection");
            if (isRandom(node) || (t && isRandom(t))) g.target = randomDirection();
            else if (!t) fail(node, "no targetDirection");
            else g.target = unitOf(t, vector(t));
            break;
        }
        case GoalKind::SeekDynamic:
        case GoalKind::FleeDynamic:
        case GoalKind::FlowDynamic: {
            const pugi::xml_node t = node.child("targetName");
            if (!t && !isRandom(node)) fail(node, "no targetName");
            g.targetAgent = -2;  // resolved once every agent is known
            dynamicTargets_.push_back({node, isRandom(node) || !t ? std::string() : std::string(t.child_value())});
            break;
        }
        case GoalKind::Idle:
            break;
        }
        return g;
    }

    AgentSpec readAgent(const pugi::xml_node& agent, const pugi::xml_node& initial, Scenario& s, bool inRegion) {
        bounds_ = s.worldBounds;
        AgentSpec a;
        a.name = agent.child_value("name");
        if (initial) {
            a.radius = childNumber(initial, "radius", 0.5);
            if (!(a.radius >= 0.05 && a.radius <= 5.0)) fail(initial.child("radius"), "radius must be 0.05..5 m");
            const pugi::xml_node pos = initial.child("position");
            if (!inRegion) {
                if (!pos) fail(initial, "no position");
                a.position = isRandom(pos) ? randomPoint(s.worldBounds) : vector(pos);
            }
            const pugi::xml_node dir = initial.child("direction");
            if (dir) a.direction = isRandom(dir) ? randomDirection() : unitOf(dir, vector(dir));
            a.speed = childNumber(initial, "speed", 0.0);
            if (a.speed < 0 || a.speed > 20) fail(initial.child("speed"), "speed must be 0..20 m/s");
        } else if (!inRegion) {
            fail(agent, "no initialConditions");
        }
        const pugi::xml_node sequence = agent.child("goalSequence");
        for (const pugi::xml_node& goal : sequence.children()) {
            if (goal.type() != pugi::node_element) continue;
            if (a.goals.size() >= static_cast<std::size_t>(kMaxGoals)) fail(goal, "more than 256 goals");
            a.goals.push_back(readGoal(goal));
        }
        return a;
    }

    void readAgentRegion(const pugi::xml_node& node, Scenario& s) {
        const pugi::xml_node countNode = node.child("numAgents");
        const double count = countNode ? number(countNode) : 0.0;
        if (count < 0 || count != std::floor(count) || count > kMaxAgents) fail(node, "numAgents must be 0..20000");
        if (s.agents.size() + static_cast<std::size_t>(count) > static_cast<std::size_t>(kMaxAgents)) {
            fail(node, "more than 20000 agents");
        }
        const Box region = box(node.child("regionBounds"));
        const pugi::xml_node initial = node.child("initialConditions");
        const std::size_t first = s.agents.size();
        for (int i = 0; i < static_cast<int>(count); ++i) {
            AgentSpec a = readAgent(node, initial, s, true);
            a.name.clear();
            // Not overlapping where possible: a few tries for a free spot; when all of them
            // touch an agent placed before, the free spot of a fine grid over the region
            // nearest the last try; where none is free, the last try. (Regions of thousands
            // place without the check: it grows with the square.)
            const Box inner{region.xmin + a.radius, std::max(region.xmin + a.radius, region.xmax - a.radius),
                            region.zmin + a.radius, std::max(region.zmin + a.radius, region.zmax - a.radius)};
            auto freeAt = [&](Vec2 q) {
                for (std::size_t j = first; j < s.agents.size(); ++j) {
                    const double dx = s.agents[j].position.x - q.x, dz = s.agents[j].position.z - q.z;
                    const double r = s.agents[j].radius + a.radius;
                    if (dx * dx + dz * dz < r * r) return false;
                }
                return true;
            };
            Vec2 p{};
            const bool checked = count <= kCheckedRegionAgents;
            bool free = false;
            for (int attempt = 0; attempt < (checked ? 32 : 1) && !free; ++attempt) {
                p = randomPoint(inner);
                free = !checked || freeAt(p);
            }
            if (!free) p = nearestFreeGridSpot(inner, p, a.radius / 4, freeAt);
            a.position = p;
            s.agents.push_back(std::move(a));
            names_.emplace_back();
        }
    }

    void resolveNames(Scenario& s) {
        // Dynamic targets were queued in the order their goals were read; walk the goals in
        // the same order to give each its agent.
        std::size_t next = 0;
        for (std::size_t a = 0; a < s.agents.size(); ++a) {
            for (Goal& g : s.agents[a].goals) {
                if (g.targetAgent != -2) continue;
                const auto& [node, name] = dynamicTargets_[next++];
                if (name.empty()) {
                    if (s.agents.size() < 2) fail(node, "a random target needs another agent");
                    int pick = static_cast<int>(random_.next() % (s.agents.size() - 1));
                    if (pick >= static_cast<int>(a)) ++pick;
                    g.targetAgent = pick;
                } else {
                    g.targetAgent = -1;
                    for (std::size_t j = 0; j < names_.size(); ++j) {
                        if (names_[j] == name) g.targetAgent = static_cast<int>(j);
                    }
                    if (g.targetAgent < 0) fail(node, "no agent named \"" + clip(name.c_str()) + "\"");
                }
            }
        }
    }

    std::string_view text_;
    std::string file_;
    CaseRandom random_;
    uint32_t seed_ = 0;
    Box bounds_;
    std::vector<std::string> names_;
    std::vector<std::pair<pugi::xml_node, std::string>> dynamicTargets_;
};

}  // namespace

ReadResult parseScenario(std::string_view text, const std::string& fileName, uint32_t seed) {
    ReadResult result;
    try {
        Reader reader(text, fileName, seed);
        result.scenario = reader.read();
        result.ok = true;
    } catch (const Failure& failure) {
        result.error = failure.message;
    } catch (const std::bad_alloc&) {
        result.error = fileName + ": out of memory";
    }
    return result;
}

ReadResult readScenarioFile(const std::string& path, uint32_t seed) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReadResult r;
        r.error = path + ": cannot read scenario: " + std::strerror(errno);
        return r;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            ReadResult r;
            r.error = path + ": scenario file is larger than 16 MiB";
            return r;
        }
    }
    if (in.bad()) {
        ReadResult r;
        r.error = path + ": cannot read scenario";
        return r;
    }
    return parseScenario(text, path, seed);
}

}  // namespace scenario
