#include "game/collision.h"

#include "game/state.h"
#include "game/tick.h"
#include "support.h"

#include <gtest/gtest.h>

namespace {

TEST(SquaresOverlap, CoordinatesWithinTheReachCount) {
    struct Case {
        float a, b;
        bool overlap;
    };
    const Case cases[] = {
        {100, 100, true},   {110, 100, true}, {90, 100, true},   {111, 100, false},
        {89, 100, false},   {122, 125, true}, {139, 130, true},  {100.5F, 110.5F, true},
        {-4, -4, true},     {243, 239, true}, {265, 253, false}, {0, 10, true},
        {0, 10.01F, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(squaresOverlap(c.a, c.b, 10), c.overlap) << c.a << " vs " << c.b;
    }
}

TEST(SelfHit, EveryOverlappingEntryRunsTheGameOverActions) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = startedGame();
    for (int i = 0; i < 3; ++i) {
        growSnake(state);
    }
    // Entries 1 and 3 overlap the head, entry 2 is 11 units away.
    state.segX[1] = 104.0F;
    state.segY[1] = 150.0F;
    state.segX[2] = 111.0F;
    state.segY[2] = 150.0F;
    state.segX[3] = 100.0F;
    state.segY[3] = 160.0F;
    checkSelfHit(state);
    EXPECT_EQ(beepCount, 2);
    EXPECT_EQ(state.gameOver, 1);
    EXPECT_EQ(state.paused, 1);
    const std::string report = "\n\n=========================\nYour score is 4\nGame Over\n"
                               "\n\nPlease visit  \nfor more info and update";
    EXPECT_EQ(console.out.str(), report + report);
    EXPECT_EQ(readFile("User_score.txt"), textLine("You score is : 4 at level 1"));
}

TEST(SelfHit, SelfHitTickStillEatsAndShifts) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = startedGame();
    growSnake(state);
    growSnake(state);
    state.segX[1] = 111.0F;
    state.segY[1] = 150.0F;
    state.segX[2] = 111.0F;
    state.segY[2] = 150.0F;
    state.foodX = 111.0F;
    state.foodY = 150.0F;
    advanceGame(state);  // head lands on entry 2 and on the food
    EXPECT_EQ(state.gameOver, 1);
    EXPECT_EQ(state.length, 4);
    EXPECT_EQ(beepCount, 3);  // two overlapping entries, one food
    EXPECT_NE(console.out.str().find("Your score is 3\n"), std::string::npos);
    EXPECT_EQ(readFile("User_score.txt"), textLine("You score is : 3 at level 1"));
    EXPECT_FLOAT_EQ(state.segX[1], 111.0F);
}

TEST(Food, EatenTwiceWhenTheNewPlaceIsWithinReach) {
    GameState state = startedGame();
    // The first placement in a 250 x 275 world is (36, 212): put the head there.
    state.segX[0] = 36.0F;
    state.segY[0] = 212.0F;
    state.foodX = 40.0F;
    state.foodY = 205.0F;
    checkFood(state);
    EXPECT_EQ(state.length, 3);
    EXPECT_EQ(beepCount, 2);
    EXPECT_FLOAT_EQ(state.foodX, 79.0F);
    EXPECT_FLOAT_EQ(state.foodY, 6.0F);
}

TEST(Food, DoubleEatLeavesTheLastSegmentAtTheOrigin) {
    GameState state = startedGame();
    state.direction = DirUp;
    state.segX[0] = 36.0F;
    state.segY[0] = 201.0F;  // moves to (36, 212)
    state.foodX = 36.0F;
    state.foodY = 212.0F;
    advanceGame(state);
    ASSERT_EQ(state.length, 3);
    EXPECT_FLOAT_EQ(state.segX[1], 36.0F);
    EXPECT_FLOAT_EQ(state.segY[1], 212.0F);
    EXPECT_FLOAT_EQ(state.segX[2], 0.0F);
    EXPECT_FLOAT_EQ(state.segY[2], 0.0F);
    advanceGame(state);  // from now on it follows the snake
    EXPECT_FLOAT_EQ(state.segX[2], 36.0F);
    EXPECT_FLOAT_EQ(state.segY[2], 212.0F);
}

TEST(Food, EdgesJustTouchingAreEaten) {
    struct Case {
        float headX, headY;
        int length;
    };
    const Case cases[] = {
        {135, 140, 2}, {115, 120, 2}, {135, 120, 2}, {136, 130, 1}, {125, 141, 1}};
    for (const Case& c : cases) {
        GameState state = startedGame();
        state.segX[0] = c.headX;
        state.segY[0] = c.headY;
        checkFood(state);
        EXPECT_EQ(state.length, c.length) << c.headX << "," << c.headY;
    }
}

// A long game keeps its storage in step with the length: new entries start at
// 0.0 and every tick reads and writes only live entries.
TEST(LongGame, StorageGrowsWithTheSnake) {
    for (const int target : {1001, 10000, 100000}) {
        GameState state = startedGame();
        state.foodX = -500.0F;
        while (state.length < target) {
            growSnake(state);
        }
        ASSERT_GE(state.segX.size(), static_cast<std::size_t>(target));
        ASSERT_EQ(state.segX.size(), state.segY.size());
        EXPECT_FLOAT_EQ(state.segX[target - 1], 0.0F);
        EXPECT_FLOAT_EQ(state.segY[target - 1], 0.0F);
        // Lay the body out in a column below the head so the run is legal.
        for (int i = 1; i < target; ++i) {
            state.segX[i] = 100.0F;
            state.segY[i] = -1000.0F - static_cast<float>(i);
        }
        advanceGame(state);
        EXPECT_EQ(state.gameOver, 0);
        EXPECT_FLOAT_EQ(state.segX[1], 111.0F);
        EXPECT_FLOAT_EQ(state.segX[target - 1], 100.0F);
        // Only entries beyond the upper bounds are clamped: the column keeps its y.
        EXPECT_FLOAT_EQ(state.segY[target - 1], -1000.0F - static_cast<float>(target - 2));
    }
}

TEST(LongGame, EatingPastTheFirstThousandKeepsGrowing) {
    GameState state = startedGame();
    while (state.length <= 1100) {
        state.foodX = state.segX[0];
        state.foodY = state.segY[0];
        checkFood(state);
    }
    EXPECT_EQ(beepCount, state.length - 1);
    ASSERT_GE(state.segX.size(), static_cast<std::size_t>(state.length));
    EXPECT_FLOAT_EQ(state.segX[1050], 0.0F);
    EXPECT_FLOAT_EQ(state.segY[state.length - 1], 0.0F);
}

}  // namespace
