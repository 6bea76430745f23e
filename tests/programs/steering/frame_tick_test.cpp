// The frame gate, the tick's frame, the presentation set-up and its failures, the paint
// handler and the shared entry loop.
#include <cstring>

#include "steering/agent.h"
#include "tests/programs/steering/steering_fixture.h"
#include "programs/steering/drawing_resources.h"

namespace shell_test {
namespace {


constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGreen = 0x00C800;  // 0x00RRGGBB of the wall brush

class FrameTick : public SteeringShell {
protected:
    void SetUp() override {
        SteeringShell::SetUp();
        emptyWorld();
        ASSERT_TRUE(shell::initPresentation(run().presentation, mainWindow, 640, 480));
    }

    static bool paintPending() {
        win::MSG message;
        return win::PeekMessage(&message, nullptr, 0, 0, win::PM_NOREMOVE) && message.message == win::WM_PAINT;
    }

    static uint32_t clientPixel(int x, int y) {
        const win::host::Image image = win::host::clientImage();
        if (image.width != 640 || image.height != 480) return 0xDEADBEEF;
        return image.pixels[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)] & 0xFFFFFF;
    }

    // A green square drawn straight into the off-screen surface, to see whether a tick clears it.
    void drawMarker() {
        win::SelectObject(run().presentation.offscreenDC, steering::asGdiObject(run().drawing.greenBrush));
        win::Rectangle(run().presentation.offscreenDC, 300, 300, 340, 340);
    }

    void repaint() {
        win::InvalidateRect(mainWindow, nullptr, win::FALSE);
        pump();
    }
};

TEST_F(FrameTick, GateAcceptsOnlyAfterMoreThanTenMilliseconds) {
    uint32_t lastTickTime = 0;
    win::host::setTickCount(1000);
    EXPECT_TRUE(shell::passFrameGate(lastTickTime));
    EXPECT_EQ(lastTickTime, 1000u);
    win::host::setTickCount(1010);
    EXPECT_FALSE(shell::passFrameGate(lastTickTime));
    EXPECT_EQ(lastTickTime, 1000u);
    win::host::setTickCount(1011);
    EXPECT_TRUE(shell::passFrameGate(lastTickTime));
    EXPECT_EQ(lastTickTime, 1011u);
}

TEST_F(FrameTick, GateSurvivesTheMillisecondCounterWrapping) {
    uint32_t lastTickTime = 0xFFFFFFF0u;
    win::host::setTickCount(5);  // 21 ms later, across the wrap
    EXPECT_TRUE(shell::passFrameGate(lastTickTime));
    EXPECT_EQ(lastTickTime, 5u);
    lastTickTime = 0xFFFFFFFAu;
    win::host::setTickCount(4);  // exactly 10 ms later
    EXPECT_FALSE(shell::passFrameGate(lastTickTime));
    // A clock that went backwards reads as a huge interval: the tick runs.
    lastTickTime = 5000;
    win::host::setTickCount(4000);
    EXPECT_TRUE(shell::passFrameGate(lastTickTime));
}

TEST_F(FrameTick, AcceptedTickClearsToWhiteAndAsksForAPaint) {
    drawMarker();
    win::host::setTickCount(1000);
    ASSERT_TRUE(run().frameTick());
    EXPECT_TRUE(paintPending());
    pump();
    EXPECT_FALSE(paintPending());
    EXPECT_EQ(clientPixel(320, 320), kWhite);
    EXPECT_EQ(clientPixel(600, 400), kWhite);
}

TEST_F(FrameTick, SecondTickWithinTenMillisecondsTouchesNothing) {
    keyUp(win::VK_INSERT);
    win::host::setTickCount(1000);
    ASSERT_TRUE(run().frameTick());
    pump();
    drawMarker();
    std::vector<steering::FixedVec> before;
    for (const steering::Agent& a : world().agentList) before.push_back(a.position);

    win::host::setTickCount(1010);
    EXPECT_FALSE(run().frameTick());
    EXPECT_FALSE(paintPending());  // the window was not invalidated
    std::size_t i = 0;
    for (const steering::Agent& a : world().agentList) EXPECT_EQ(a.position, before[i++]);
    repaint();
    EXPECT_EQ(clientPixel(320, 320), kGreen);  // the surface was not cleared

    win::host::setTickCount(1011);
    EXPECT_TRUE(run().frameTick());
    pump();
    EXPECT_EQ(clientPixel(320, 320), kWhite);
}

TEST_F(FrameTick, AgentsAreDrawnWhereTheViewShowsThem) {
    // An agent at world (1500, 1500) appears around pixel (100, 100) at scale 15.
    steering::Agent agent;
    makeAgentTemplate(agent, world().agentRandom);
    agent.place({steering::toFixed(1500), steering::toFixed(1500)}, {0, 0});
    world().agentList.add(agent);
    win::host::setTickCount(1000);
    ASSERT_TRUE(run().frameTick());
    pump();
    int drawn = 0;
    for (int y = 90; y <= 110; ++y) {
        for (int x = 90; x <= 110; ++x) drawn += clientPixel(x, y) != kWhite ? 1 : 0;
    }
    EXPECT_GT(drawn, 0);
    // Scrolled far away, the agent is outside the visible rectangle and nothing is drawn there.
    run().view.viewOriginX = 30000.0;
    win::host::setTickCount(1100);
    ASSERT_TRUE(run().frameTick());
    pump();
    drawn = 0;
    for (int y = 90; y <= 110; ++y) {
        for (int x = 90; x <= 110; ++x) drawn += clientPixel(x, y) != kWhite ? 1 : 0;
    }
    EXPECT_EQ(drawn, 0);
}

TEST_F(FrameTick, GridOverlayDrawsOnlyWhenToggledOn) {
    // The neighbour grid's lines every 512 units fall on pixel columns 34, 68, ... at scale 15.
    win::host::setTickCount(1000);
    ASSERT_TRUE(run().frameTick());
    pump();
    int blue = 0;
    for (int y = 100; y < 400; ++y) blue += clientPixel(34, y) != kWhite ? 1 : 0;
    EXPECT_EQ(blue, 0);
    command(steering::kCommandGrid);
    win::host::setTickCount(1100);
    ASSERT_TRUE(run().frameTick());
    pump();
    blue = 0;
    for (int y = 100; y < 400; ++y) blue += clientPixel(34, y) != kWhite ? 1 : 0;
    EXPECT_GT(blue, 100);
}

TEST_F(FrameTick, TicksNeverReplaceAPenOrBrush) {
    for (win::WORD id : {steering::kCommandNeighbours, steering::kCommandGrid, steering::kCommandVectors,
                         steering::kCommandPaths, steering::kCommandTriangles}) {
        command(id);
    }
    keyUp(win::VK_INSERT);
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(200, 200));
    const steering::DrawingResources before = run().drawing;
    for (int i = 0; i < 20; ++i) {
        win::host::advanceTickCount(11);
        ASSERT_TRUE(run().frameTick());
        pump();
    }
    EXPECT_EQ(std::memcmp(&before, &run().drawing, sizeof before), 0);
}

TEST_F(FrameTick, ReleaseDeletesTheDrawingResourcesThenThePresentation) {
    win::host::setTickCount(1000);
    ASSERT_TRUE(run().frameTick());  // leaves the blue pen selected
    pump();
    run().releaseDrawingResources();
    EXPECT_EQ(run().presentation.offscreenDC, nullptr);
    EXPECT_FALSE(shell::clearOffscreen(run().presentation));
}

TEST(CpuInfo, FollowsTheIdentificationRule) {
    const shell::CpuInfo info = shell::buildCpuInfo();
    EXPECT_EQ(info.vendor[12], '\0');
    EXPECT_EQ(std::strlen(info.vendor), 12u);
    if (!win::cpuidAvailable()) {
        EXPECT_STREQ(info.vendor, "AnonymousCPU");
        EXPECT_EQ(info.signature, 0u);
        EXPECT_EQ(info.hasTimeStampCounter, 0);
        return;
    }
    uint32_t regs[4];
    win::cpuid(1, regs);
    EXPECT_EQ(info.signature, regs[0]);
    EXPECT_EQ(info.featureFlags, regs[3]);
    const uint32_t family = info.signature != 0 ? (info.signature >> 8) & 0xF : 4;
    EXPECT_EQ(info.hasTimeStampCounter != 0, family >= 5 && (info.featureFlags & 0x10) != 0);
    win::cpuid(0, regs);
    char expected[13] = {};
    std::memcpy(expected, &regs[1], 4);
    std::memcpy(expected + 4, &regs[3], 4);
    std::memcpy(expected + 8, &regs[2], 4);
    EXPECT_STREQ(info.vendor, expected);
}

// Each set-up step made to fail in turn: set-up reports false, and the tick and the
// paint handler keep working without the objects that were never created.
class PresentationFailure : public SteeringShell, public ::testing::WithParamInterface<int> {};

TEST_P(PresentationFailure, TickAndPaintCarryOnWithoutMissingObjects) {
    const int step = GetParam();
    emptyWorld();
    keyUp(win::VK_INSERT);
    win::host::failPresentationStep(step);
    EXPECT_FALSE(shell::initPresentation(run().presentation, mainWindow, 640, 480));
    EXPECT_EQ(run().presentation.offscreenDC != nullptr, step >= 8);

    win::host::setTickCount(1000);
    EXPECT_TRUE(run().frameTick());
    EXPECT_EQ(shell::clearOffscreen(run().presentation), step >= 7);  // the off-screen surface exists from step 7 on
    pump();  // delivers and handles the paint
    if (step >= 7) {
        // Filled white whether or not its device context was had; only five agents drawn.
        const win::host::Image shown = win::host::clientImage();
        std::size_t white = 0;
        for (uint32_t pixel : shown.pixels) white += pixel == 0xFFFFFF;
        EXPECT_GT(white, shown.pixels.size() * 9 / 10) << "step " << step;
    }
    win::MSG message;
    EXPECT_FALSE(win::PeekMessage(&message, nullptr, 0, 0, win::PM_NOREMOVE)) << "paint must validate the window";
    EXPECT_EQ(world().agentList.size(), 5u);
    shell::shutdownPresentation(run().presentation);
    EXPECT_EQ(run().presentation.offscreenDC, nullptr);
}

INSTANTIATE_TEST_SUITE_P(EverySetUpStep, PresentationFailure, ::testing::Range(1, 11));

TEST(Presentation, ShutdownWithoutSetUpReleasesNothing) {
    win::host::useHeadlessBackend();
    shell::Presentation presentation;
    shell::shutdownPresentation(presentation);
    shell::shutdownPresentation(presentation);
    EXPECT_EQ(presentation.offscreenDC, nullptr);
    EXPECT_FALSE(shell::clearOffscreen(presentation));
}

// The shared entry: window, presentation, set-up, loop, release; the quit code comes back.
namespace entry {

// What the run saw; each run of the test starts from zero (the suite may repeat in one process).
struct Seen {
    int ticks = 0;
    int passes = 0;
    int ticksAfterMessages = 0;
    bool setupRan = false;
    bool setupSawPresentation = false;
    bool released = false;
};
Seen seen;

void setup(shell::ProgramRun& run) {
    seen.setupRan = true;
    seen.setupSawPresentation = run.presentation.offscreenDC != nullptr;
    // A burst of messages: each pass handles one, and a tick follows each of them.
    for (int i = 0; i < 20; ++i) win::PostMessage(run.window(), win::WM_MOUSEMOVE, 0, 0);
}
bool tick(uint32_t& lastTickTime) { return shell::passFrameGate(lastTickTime); }
void release(shell::ProgramRun& run) {
    seen.released = true;
    shell::shutdownPresentation(run.presentation);
}
win::LRESULT procedure(win::HWND w, win::UINT m, win::WPARAM wp, win::LPARAM lp) {
    if (m == win::WM_DESTROY) {
        win::PostQuitMessage(7);
        return 0;
    }
    return win::DefWindowProc(w, m, wp, lp);
}
// A run that records its steps.
class RecordingRun : public shell::ProgramRun {
public:
    win::LRESULT handleMessage(win::HWND w, win::UINT m, win::WPARAM wp, win::LPARAM lp) override {
        return procedure(w, m, wp, lp);
    }
    void setupWorld() override { setup(*this); }
    bool frameTick() override { return tick(lastTickTime); }
    void releaseDrawingResources() override { release(*this); }
    int agentCount() const override { return 0; }
    int traceAgent(int, char*, int) const override { return -1; }
};
std::unique_ptr<shell::ProgramRun> makeRecordingRun() { return std::make_unique<RecordingRun>(); }

void beforeTick(void*, bool) {
    ++seen.passes;
    win::host::advanceTickCount(11);  // every pass may tick
}
// The context is the run.
void afterTick(void* context, bool removed, bool accepted) {
    if (!accepted) return;
    ++seen.ticks;
    if (removed) ++seen.ticksAfterMessages;
    if (seen.ticks == 30) win::PostMessage(static_cast<shell::ProgramRun*>(context)->window(), win::WM_CLOSE, 0, 0);
}

}  // namespace entry

TEST(Entry, RunsTheStepsInOrderAndReturnsTheQuitCode) {
    win::host::resetWindowSystem();  // the class must get this test's procedure
    win::host::useHeadlessBackend();
    win::host::setTickCount(0);
    entry::seen = entry::Seen{};
    const shell::Program program = {"steering", steering::programResources, entry::makeRecordingRun, ""};
    const std::unique_ptr<shell::ProgramRun> programRun = program.makeRun();
    const int code = shell::runEntry(program, *programRun, shell::programInstance(steering::steeringProgram), win::SW_SHOW,
                                     {programRun.get(), entry::beforeTick, entry::afterTick});
    EXPECT_EQ(code, 7);
    EXPECT_TRUE(entry::seen.setupRan);
    EXPECT_TRUE(entry::seen.setupSawPresentation);
    EXPECT_TRUE(entry::seen.released);
    // The pass that handles the close still offers a tick: 30 + 1.
    EXPECT_EQ(entry::seen.ticks, 31);
    EXPECT_GE(entry::seen.ticksAfterMessages, 20);  // messages never starve the tick
    EXPECT_GE(entry::seen.passes, 30);
}

}  // namespace
}  // namespace shell_test
