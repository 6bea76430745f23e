// Any bytes as a test case file: the reader either accepts them, with every value inside
// its documented range, or refuses them with one line that starts with the file name and a
// line number inside the text. An accepted case is laid out, rasterised and given its
// arrival zones, none of which may fail in any other way than a one-line refusal.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/scenario_reader.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t size) {
    std::fprintf(stderr, "scenario reader fuzz: %s (input of %zu bytes)\n", what, size);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const scenario::ReadResult r = scenario::parseScenario(text, "fuzz.xml", 1);
    if (!r.ok) {
        if (r.error.rfind("fuzz.xml:", 0) != 0) fail("refusal does not name the file", size);
        if (r.error.find('\n') != std::string::npos) fail("refusal is more than one line", size);
        const long line = std::strtol(r.error.c_str() + 9, nullptr, 10);
        long lines = 1;
        for (char c : text) lines += c == '\n';
        if (line < 1 || line > lines) fail("refusal names a line outside the text", size);
        return 0;
    }
    const scenario::Scenario& s = r.scenario;
    if (s.agents.size() > static_cast<std::size_t>(scenario::kMaxAgents)) fail("too many agents", size);
    for (const scenario::AgentSpec& a : s.agents) {
        if (!(a.radius >= 0.05 && a.radius <= 5.0) || !std::isfinite(a.position.x) || !std::isfinite(a.position.z)) {
            fail("agent value out of range", size);
        }
        for (const scenario::Goal& g : a.goals) {
            if (!(g.timeDuration > 0) || g.desiredSpeed < 0) fail("goal value out of range", size);
            if (g.targetAgent >= static_cast<int>(s.agents.size())) fail("target agent out of range", size);
        }
    }
    scenario::CaseLayout layout;
    std::string error;
    if (!scenario::layoutCase(s, layout, error)) {
        if (error.find('\n') != std::string::npos) fail("layout refusal is more than one line", size);
        return 0;
    }
    if (layout.columns < 1 || layout.columns > scenario::kCaseMaxCells || layout.rows < 1 || layout.rows > scenario::kCaseMaxCells) {
        fail("layout outside the agents' cells", size);
    }
    std::vector<uint8_t> cells(static_cast<std::size_t>(scenario::kMapCells) * scenario::kMapCells);
    scenario::rasteriseCase(s, layout, cells.data());
    for (int i = 0; i < scenario::kMapCells; ++i) {
        if (cells[i] != 15 || cells[static_cast<std::size_t>(i) * scenario::kMapCells] != 15) fail("map edge open", size);
    }
    scenario::ArrivalZones zones;
    scenario::buildArrivalZones(s, layout, cells.data(), zones);
    return 0;
}
