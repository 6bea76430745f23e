// Drawing stays fast at the extreme views: one accepted frame of steering on maptest.raw
// with 51 agents (and 10 more made far zoomed out, each covering most of the neighbour
// grid) and every overlay on, at the starting zoom, after 60 zooms in, after 60 zooms out,
// scrolled to the map's far corner, and 55 zooms in at the map's centre. The extreme cases should cost no
// more than the starting view (their loops are bounded by the map and the culling).
#include <benchmark/benchmark.h>

#include "platform/win.h"
#include "programs/steering/steering_program.h"
#include "tools/headless/session.h"
#include "programs/steering/steering_run.h"
#include "programs/steering/view_state.h"

namespace {

using namespace win;

headless::Session& crowdWithOverlays() {
    // Lives as long as the process: no teardown after the platform state is gone.
    static headless::Session& harness = *new headless::Session;
    static const bool started = [] {
        if (!harness.start(steering::steeringProgram, {.reopenClosedWindow = true})) return false;
        for (WORD command : {40007, 40008, 40009, 40010, 40012}) harness.post(WM_COMMAND, command, 0);
        harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(100, 300));
        for (int i = 0; i < 10; ++i) harness.press(VK_INSERT);
        for (int i = 0; i < 12; ++i) harness.press(VK_NEXT);
        for (int i = 0; i < 2; ++i) harness.press(VK_INSERT);
        harness.runAs<steering::SteeringRun>().view = steering::ViewState{};
        harness.leftClick(400, 100);
        return true;
    }();
    (void)started;
    return harness;
}

// View cases: 0 starting zoom, 1 sixty zooms in, 2 sixty zooms out, 3 far corner,
// 4 fifty-five zooms in at the map's centre.
void setView(int which) {
    headless::Session& harness = crowdWithOverlays();
    steering::ViewState& view = harness.runAs<steering::SteeringRun>().view;
    view = steering::ViewState{};
    switch (which) {
        case 1: for (int i = 0; i < 60; ++i) harness.press(VK_PRIOR); break;
        case 2: for (int i = 0; i < 60; ++i) harness.press(VK_NEXT); break;
        case 3:
            view.viewOriginX = steering::kScrollLimit;
            view.viewOriginY = steering::kScrollLimit;
            break;
        case 4:
            for (int i = 0; i < 55; ++i) harness.press(VK_PRIOR);
            view.viewOriginX = steering::kScrollLimit / 2;
            view.viewOriginY = steering::kScrollLimit / 2;
            break;
        default: break;
    }
}

void BM_FrameAtView(benchmark::State& state) {
    headless::Session& harness = crowdWithOverlays();
    setView(static_cast<int>(state.range(0)));
    int64_t frames = 0;
    for (auto _ : state) {
        frames += harness.tick() ? 1 : 0;
    }
    state.counters["frames"] = static_cast<double>(frames);
    harness.runAs<steering::SteeringRun>().view = steering::ViewState{};
}
BENCHMARK(BM_FrameAtView)->ArgName("view")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
