#pragma once
// Puts the process-wide world of steering_basic back to its state before set-up.
#include <gtest/gtest.h>

#include "programs/steering_basic/basic_world.h"

namespace steering_basic {

inline void resetBasicWorld() {
    agentArray.clear();
    leftButtonTarget = BasicAgent{};
    rightButtonTarget = BasicAgent{};
    debugOverlay = false;
    runtimeRandom = steering_walls::RuntimeRandom{};
}

class BasicWorldTest : public ::testing::Test {
protected:
    void SetUp() override { resetBasicWorld(); }
    void TearDown() override { resetBasicWorld(); }
};

}  // namespace steering_basic
