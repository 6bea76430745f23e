#pragma once
// A fresh world of steering_basic for each test; tests that drive the program read the
// world of its run instead.
#include <gtest/gtest.h>

#include <memory>

#include "programs/steering_basic/basic_world.h"

namespace steering_basic {

class BasicWorldTest : public ::testing::Test {
protected:
    // The world the test works on: its own unless the program's run has one.
    virtual BasicWorld& world() { return *ownWorld; }
    // Starts again from a world as a new run makes it.
    void freshWorld() { ownWorld = std::make_unique<BasicWorld>(); }

    std::unique_ptr<BasicWorld> ownWorld = std::make_unique<BasicWorld>();
};

}  // namespace steering_basic
