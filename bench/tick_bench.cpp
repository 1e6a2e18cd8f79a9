// Cost of the game rules per tick as the snake grows.
//
// Every tick runs work proportional to the snake's length: the clamp walks all
// segments, the self-hit check tests every body entry, the food check makes one
// pass per segment and the body shift moves every entry. These benchmarks time
// one advancing tick and each check alone at lengths 1 to 100000, and fit the
// growth (expected O(N)). The shortest tick delay is 10 ms (level 8); every
// figure here has to stay far below that.
//
// The snake stands in a straight column heading up, away from its body, one
// step (11 units) between entries, in a world tall enough to hold it, so no
// tick is a self hit. That is also the costliest way to miss: every entry
// shares the head's x, so each overlap test gets past the x axis and fails
// only on y. The food waits in the same column below the tail, never reached,
// for the same reason. Positions stay integer valued and below 2^24, where
// single precision is exact; the column is set up again whenever the head has
// climbed far enough.
#include "game/collision.h"
#include "game/effects.h"
#include "game/food.h"
#include "game/state.h"
#include "game/tick.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

std::int64_t beeps = 0;

constexpr float step = 11.0F;
constexpr float columnX = 100.0F;
// Exactly representable in float, with room for a 100000-segment column below
// the head and a long climb above it.
constexpr float worldHeight = 16000000.0F;
constexpr float climbLimit = 15000000.0F;

// Places a snake of the given length as the tick leaves it: entry 1 shares the
// head's place, entry i (i >= 2) lies i - 1 steps below.
void layOutColumn(GameState& state) {
    const auto length = static_cast<std::size_t>(state.length);
    const float headY = step * static_cast<float>(length) + 100.0F;
    state.segX[0] = columnX;
    state.segY[0] = headY;
    for (std::size_t i = 1; i < length; ++i) {
        state.segX[i] = columnX;
        state.segY[i] = headY - step * static_cast<float>(i - 1);
    }
}

// A running game heading up with a snake of the given length.
GameState columnGame(int length) {
    GameState state;
    state.edgeStep = state.stepX;
    state.level = 8;
    state.tickDelay = 10;
    state.worldWidth = 250.0F;
    state.worldHeight = worldHeight;
    state.direction = DirUp;
    state.length = 1;
    while (state.length < length) {
        growSnake(state);
    }
    // In the head's column, over 100 units below the tail: never within reach.
    state.foodX = columnX;
    state.foodY = 0.0F;
    layOutColumn(state);
    return state;
}

// One advancing tick: edge handling, clamp, move, self-hit check, food check
// and body shift.
void BM_AdvanceTick(benchmark::State& st) {
    const int length = static_cast<int>(st.range(0));
    GameState state = columnGame(length);
    for (auto _ : st) {
        advanceGame(state);
        benchmark::DoNotOptimize(state.segX.data());
        benchmark::ClobberMemory();
        if (state.segY[0] > climbLimit) {
            st.PauseTiming();
            layOutColumn(state);
            st.ResumeTiming();
        }
    }
    if (state.paused != 0 || state.length != length) {
        st.SkipWithError("the benchmark snake hit itself or ate");
    }
    st.SetComplexityN(length);
}

// The food check with every pass missing: one overlap test per segment.
void BM_CheckFoodMiss(benchmark::State& st) {
    const int length = static_cast<int>(st.range(0));
    GameState state = columnGame(length);
    for (auto _ : st) {
        checkFood(state);
        benchmark::ClobberMemory();
    }
    if (state.length != length) {
        st.SkipWithError("the food was eaten");
    }
    st.SetComplexityN(length);
}

// The food check when the head is on the food: the first pass eats (beep, new
// place, one more segment), the others miss. The snake is put back to its
// length and the food under the head again outside the timed region. The
// storage keeps the one extra entry after the first round, so this is the
// eating tick without reallocation.
void BM_CheckFoodEat(benchmark::State& st) {
    const int length = static_cast<int>(st.range(0));
    GameState state = columnGame(length);
    randomState = 1;
    const std::int64_t beepsBefore = beeps;
    for (auto _ : st) {
        st.PauseTiming();
        state.length = length;
        state.foodX = state.segX[0];
        state.foodY = state.segY[0];
        st.ResumeTiming();
        checkFood(state);
        benchmark::ClobberMemory();
    }
    if (beeps - beepsBefore < st.iterations()) {
        st.SkipWithError("the food was not eaten on every iteration");
    }
    st.SetComplexityN(length);
}

// The worst single tick of the food check: eating when the storage is full, so
// growing by one reallocates and copies both coordinate arrays.
void BM_CheckFoodEatGrow(benchmark::State& st) {
    const int length = static_cast<int>(st.range(0));
    GameState state = columnGame(length);
    randomState = 1;
    std::int64_t reallocations = 0;
    for (auto _ : st) {
        st.PauseTiming();
        state.length = length;
        state.segX.resize(static_cast<std::size_t>(length));
        state.segY.resize(static_cast<std::size_t>(length));
        state.segX.shrink_to_fit();
        state.segY.shrink_to_fit();
        const float* before = state.segX.data();
        state.foodX = state.segX[0];
        state.foodY = state.segY[0];
        st.ResumeTiming();
        checkFood(state);
        benchmark::ClobberMemory();
        if (state.segX.data() != before) {
            ++reallocations;
        }
    }
    if (reallocations < st.iterations()) {
        st.SkipWithError("eating did not grow the storage on every iteration");
    }
    st.SetComplexityN(length);
}

// The self-hit check alone, no entry within reach.
void BM_CheckSelfHitMiss(benchmark::State& st) {
    const int length = static_cast<int>(st.range(0));
    GameState state = columnGame(length);
    // The head one step ahead of entry 1, as after the move of a tick.
    state.segY[0] += step;
    for (auto _ : st) {
        checkSelfHit(state);
        benchmark::ClobberMemory();
    }
    if (state.gameOver != 0) {
        st.SkipWithError("the benchmark snake hit itself");
    }
    st.SetComplexityN(length);
}

void lengths(benchmark::internal::Benchmark* b) {
    for (const int length : {1, 100, 1000, 10000, 100000}) {
        b->Arg(length);
    }
    b->ArgName("length")->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_AdvanceTick)->Apply(lengths);
BENCHMARK(BM_CheckFoodMiss)->Apply(lengths);
BENCHMARK(BM_CheckSelfHitMiss)->Apply(lengths);
BENCHMARK(BM_CheckFoodEat)->Apply(lengths);
BENCHMARK(BM_CheckFoodEatGrow)->Apply(lengths);

}  // namespace

// The rules sound the bell through this; here it only counts.
void beep() {
    ++beeps;
}

BENCHMARK_MAIN();
