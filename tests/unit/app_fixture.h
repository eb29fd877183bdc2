// A fresh simulated world and program state for each test of the window and the event loop.
#pragma once

#include "sim/sim.h"
#include "state/app_state.h"
#include "window/events.h"

#include <gtest/gtest.h>

constexpr std::int64_t Milliseconds = 1000000; // in nanoseconds of virtual time
constexpr std::int64_t Seconds = 1000 * Milliseconds;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimReset();
        App = AppState{};
        ResetEventQueue();
    }
};
