#pragma once
// A steering window on the headless backend, driven through real window messages.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/steering_program.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "programs/steering/view_state.h"
#include "programs/steering/steering_run.h"

namespace shell_test {

class SteeringShell : public ::testing::Test {
protected:
    void SetUp() override {
        win::host::resetWindowSystem();  // no window, class or message of an earlier test
        win::host::useHeadlessBackend();
        win::host::failPresentationStep(0);
        win::host::setTickCount(1000);
        runOwner = std::make_unique<steering::SteeringRun>();  // a new run: no map, no agents
        mainWindow = shell::createMainWindow(*runOwner, shell::programInstance(steering::steeringProgram), win::SW_SHOW);
        ASSERT_NE(mainWindow, nullptr);
        pump();
    }

    void TearDown() override {
        if (win::host::mainWindow() != nullptr) win::DestroyWindow(mainWindow);
        pump();
        shell::shutdownPresentation(run().presentation);
    }

    // An empty world (no map file, no navigation) in which agents can be added.
    void emptyWorld() {
        world().gridMap.init(256, 256);
        world().neighbourGrid.init(128, 128);
    }

    steering::SteeringRun& run() { return *runOwner; }
    steering::World& world() { return *runOwner->world; }

    // Dispatches everything queued; records whether the quit message came by.
    void pump() {
        win::MSG message;
        while (win::PeekMessage(&message, nullptr, 0, 0, win::PM_REMOVE)) {
            if (message.message == win::WM_QUIT) {
                quitSeen = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            win::TranslateMessage(&message);
            win::DispatchMessage(&message);
        }
    }

    void send(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        win::PostMessage(mainWindow, message, wParam, lParam);
        pump();
    }
    void keyDown(win::WPARAM key, uint32_t repeat = 1) { send(win::WM_KEYDOWN, key, static_cast<win::LPARAM>(repeat)); }
    void keyUp(win::WPARAM key) { send(win::WM_KEYUP, key, static_cast<win::LPARAM>(0xC0000001u)); }
    static win::LPARAM at(int x, int y) {
        return win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y));
    }
    void command(win::WORD id) { send(win::WM_COMMAND, id, 0); }

    // Reads a menu item's check mark (CheckMenuItem answers the previous state) and puts it back.
    bool isChecked(win::UINT id) const {
        const win::HMENU menu = win::GetMenu(mainWindow);
        const win::DWORD previous = win::CheckMenuItem(menu, id, win::MF_CHECKED);
        win::CheckMenuItem(menu, id, previous & win::MF_CHECKED);
        return (previous & win::MF_CHECKED) != 0;
    }

    std::unique_ptr<steering::SteeringRun> runOwner;
    win::HWND mainWindow = nullptr;  // the run's window
    bool quitSeen = false;
    int quitCode = -1;
};

}  // namespace shell_test
