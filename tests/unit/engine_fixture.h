// SPDX-License-Identifier: MIT
// Shared set-up for the engine tests: every global the engine reads back at its default on a
// cleared 512 x 512 canvas, and a scripted random source that fails the test when over-drawn.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "engine/canvas.h"
#include "engine/growth_pass.h"
#include "engine/settings.h"
#include "engine_state.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
};

// Hands out a fixed sequence of values; drawing past its end is a test failure.
class ScriptedRandom {
public:
    ScriptedRandom() = default;
    ScriptedRandom(std::initializer_list<double> values) : values_(values) {}
    ScriptedRandom& Add(double value, int times = 1) {
        values_.insert(values_.end(), static_cast<std::size_t>(times), value);
        return *this;
    }
    // One step without a sharp turn (probability 0) and the given curl pair.
    ScriptedRandom& Steps(int count, double a = 0.5, double b = 0.5) {
        for (int i = 0; i < count; ++i) Add(0.5).Add(a).Add(b);
        return *this;
    }
    double operator()() {
        if (next_ >= values_.size()) {
            ADD_FAILURE() << "drew more than the " << values_.size() << " scripted values";
            return 0.0;
        }
        return values_[next_++];
    }
    std::size_t drawn() const { return next_; }
    std::size_t left() const { return values_.size() - next_; }

private:
    std::vector<double> values_;
    std::size_t next_ = 0;
};

// One growth pass after the test has written the canvas by hand: the lit bits follow arr first.
template <class Random>
std::uint64_t RunPass(Random& rand) {
    SyncLitBits();
    return growth::GrowthPassWith(rand);
}

// Lit pixels (value above 0) of the canvas in use.
inline int LitCount() {
    int lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return lit;
}

// The random value that makes trunc(r * size) pick `index`.
inline double Pick(int index, int size) {
    return (index + 0.5) / size;
}
