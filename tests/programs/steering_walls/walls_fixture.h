#pragma once
// Puts the process-wide world of steering_walls back to its state before set-up, so that
// a test does not depend on the ones that ran before it in the same process.
#include <gtest/gtest.h>

#include "programs/steering_walls/walls_world.h"

namespace steering_walls {

class WallsWorldTest : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(); }
    void TearDown() override { resetWorld(); }
};

}  // namespace steering_walls
