#pragma once
// A fresh world of steering_walls for each test; tests that drive the program read the
// world of its run instead.
#include <gtest/gtest.h>

#include <memory>

#include "programs/steering_walls/walls_world.h"

namespace steering_walls {

class WallsWorldTest : public ::testing::Test {
protected:
    // The world the test works on: its own unless the program's run has one.
    virtual WallsWorld& world() { return *ownWorld; }
    // Starts again from a world as a new run makes it.
    void freshWorld() { ownWorld = std::make_unique<WallsWorld>(); }

    std::unique_ptr<WallsWorld> ownWorld = std::make_unique<WallsWorld>();
};

}  // namespace steering_walls
