#pragma once
// Puts the process-wide world of steering_basic back to its state before set-up.
#include <gtest/gtest.h>

#include "programs/steering_basic/basic_world.h"

namespace steering_basic {

class BasicWorldTest : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(); }
    void TearDown() override { resetWorld(); }
};

}  // namespace steering_basic
