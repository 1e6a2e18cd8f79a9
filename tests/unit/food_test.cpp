#include "game/food.h"

#include "game/state.h"
#include "support.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(Random, FirstValuesFromTheStartingState) {
    randomState = 1;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (const int value : expected) {
        EXPECT_EQ(nextRandom(), value);
    }
}

TEST(Random, StaysWithinFifteenBits) {
    randomState = 1;
    for (int i = 0; i < 100000; ++i) {
        const int value = nextRandom();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST(PlaceFood, DefaultWorldSequence) {
    GameState state = startedGame();
    const std::vector<std::pair<float, float>> expected = {{36, 212}, {79, 6}, {164, 219}};
    for (const auto& [x, y] : expected) {
        placeFood(state, 250, 275);
        EXPECT_FLOAT_EQ(state.foodX, x);
        EXPECT_FLOAT_EQ(state.foodY, y);
    }
}

TEST(PlaceFood, DefaultWorldKeepsEveryPlaceWithinTheField) {
    GameState state = startedGame();
    for (int i = 0; i < 5000; ++i) {
        placeFood(state, 250, 275);
        ASSERT_GE(state.foodX, 0.0F);
        ASSERT_LE(state.foodX, 235.0F);
        ASSERT_GE(state.foodY, 0.0F);
        ASSERT_LE(state.foodY, 233.0F);
    }
}

// The n-th place of a run (counted from 1) in a world of the given size.
std::pair<float, float> nthPlace(int n, int width, int height) {
    GameState state = startedGame();
    for (int i = 0; i < n; ++i) {
        placeFood(state, width, height);
    }
    return {state.foodX, state.foodY};
}

TEST(PlaceFood, LowWorldsStepFoodBackBelowTheField) {
    struct Case {
        int n, width, height;
        float x, y;
    };
    const Case cases[] = {
        {56, 250, 250, 16, 207},  // square window: was (16, 229), in the panel
        {9, 333, 250, 315, 205},  // 1024 x 768: was (315, 271), above the window
        {3, 250, 275, 164, 219},  // tall enough: untouched
    };
    for (const Case& c : cases) {
        const auto [x, y] = nthPlace(c.n, c.width, c.height);
        EXPECT_FLOAT_EQ(x, c.x) << c.width << "x" << c.height << " #" << c.n;
        EXPECT_FLOAT_EQ(y, c.y) << c.width << "x" << c.height << " #" << c.n;
    }
}

TEST(PlaceFood, WideWorldKeepsEveryPlaceInTheFieldAndXAsDrawn) {
    // A maximised landscape window: 1920 x 1050 gives a 457 x 250 world.
    const int width = 457;
    const int height = 250;
    GameState state = startedGame();
    for (int i = 0; i < 100; ++i) {
        const std::uint32_t before = randomState;
        int drawX = nextRandom() % width - 5;
        randomState = before;
        if (drawX < 0) {
            drawX += 11;
        } else if (drawX > width - 15) {
            drawX -= 11;
        }
        placeFood(state, width, height);
        ASSERT_FLOAT_EQ(state.foodX, static_cast<float>(drawX)) << "place " << i + 1;
        ASSERT_GE(state.foodY, 0.0F) << "place " << i + 1;
        ASSERT_LE(state.foodY, height - state.panelHeight) << "place " << i + 1;
    }
}

TEST(PlaceFood, EachBoundPushesBackOnce) {
    // Walk the sequence until draws below 0 and above 235 have both come up.
    GameState state = startedGame();
    randomState = 1;
    bool sawLow = false;
    bool sawHigh = false;
    for (int i = 0; i < 20000 && !(sawLow && sawHigh); ++i) {
        const std::uint32_t before = randomState;
        const int drawX = nextRandom() % 250 - 5;
        randomState = before;
        placeFood(state, 250, 275);
        if (drawX < 0) {
            sawLow = true;
            ASSERT_FLOAT_EQ(state.foodX, static_cast<float>(drawX) + 11.0F);
        } else if (drawX > 235) {
            sawHigh = true;
            ASSERT_FLOAT_EQ(state.foodX, static_cast<float>(drawX) - 11.0F);
        } else {
            ASSERT_FLOAT_EQ(state.foodX, static_cast<float>(drawX));
        }
    }
    EXPECT_TRUE(sawLow);
    EXPECT_TRUE(sawHigh);
}

TEST(PlaceFood, ZeroWidthDoesNotDivideByZero) {
    GameState state = startedGame();
    placeFood(state, 0, 0);
    // Both bounds of each axis cross in a world that small: pushed in, then
    // out; y then steps down past the top of a field 35 units below zero.
    EXPECT_FLOAT_EQ(state.foodX, -5.0F);
    EXPECT_FLOAT_EQ(state.foodY, -38.0F);
}

}  // namespace
