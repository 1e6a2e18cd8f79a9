#include "game/tick.h"

#include "game/state.h"
#include "support.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <ostream>

namespace {

void ticks(GameState& state, int count) {
    for (int i = 0; i < count; ++i) {
        advanceGame(state);
    }
}

TEST(Tick, StartOfARunEatsTheFirstFood) {
    ScratchDir dir;
    GameState state = startedGame();
    ticks(state, 2);
    EXPECT_FLOAT_EQ(state.segX[0], 122.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 150.0F);
    steer(state, GLUT_KEY_DOWN);
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segX[0], 122.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 139.0F);
    EXPECT_EQ(state.length, 2);
    EXPECT_EQ(beepCount, 1);
    EXPECT_FLOAT_EQ(state.foodX, 36.0F);
    EXPECT_FLOAT_EQ(state.foodY, 212.0F);
    // The new segment takes the old tail's place, which was the head's new one.
    EXPECT_FLOAT_EQ(state.segX[1], 122.0F);
    EXPECT_FLOAT_EQ(state.segY[1], 139.0F);
    EXPECT_EQ(state.gameOver, 0);
}

TEST(Tick, HeadingRightStopsOneStepBeyondTheEdge) {
    GameState state = startedGame();
    for (float x = 111.0F; x <= 243.0F; x += 11.0F) {
        advanceGame(state);
        ASSERT_FLOAT_EQ(state.segX[0], x);
    }
    ticks(state, 5);
    EXPECT_FLOAT_EQ(state.segX[0], 243.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 150.0F);
}

// A lone head held beyond each edge stays there, and turned along the edge it
// is first pulled back one step.
struct EdgeCase {
    const char* name;
    int heading;
    float x, y;  // where the head is held
    int turn;
    float afterTurnX, afterTurnY;
};

void PrintTo(const EdgeCase& c, std::ostream* os) {
    *os << c.name;
}

class EdgeHold : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeHold, HoldsThenPullsBack) {
    const EdgeCase& c = GetParam();
    GameState state = startedGame();
    state.direction = c.heading;
    state.segX[0] = c.x;
    state.segY[0] = c.y;
    ticks(state, 3);
    EXPECT_FLOAT_EQ(state.segX[0], c.x);
    EXPECT_FLOAT_EQ(state.segY[0], c.y);
    steer(state, c.turn);
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segX[0], c.afterTurnX);
    EXPECT_FLOAT_EQ(state.segY[0], c.afterTurnY);
    EXPECT_EQ(state.gameOver, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, EdgeHold,
    ::testing::Values(EdgeCase{"right", DirRight, 243, 150, GLUT_KEY_UP, 232, 161},
                      EdgeCase{"left", DirLeft, -10, 150, GLUT_KEY_UP, 1, 161},
                      EdgeCase{"top", DirUp, 100, 238, GLUT_KEY_LEFT, 89, 227},
                      EdgeCase{"bottom", DirDown, 100, -4, GLUT_KEY_RIGHT, 111, 7}),
    [](const auto& info) { return std::string(info.param.name); });

// With a body, running into an edge is a self hit; in a 264-wide world the
// right edge holds the snake without one.
struct EdgeGameOverCase {
    const char* name;
    float worldWidth, worldHeight;
    int heading;
    int ticksToRun;
    int gameOver;
};

void PrintTo(const EdgeGameOverCase& c, std::ostream* os) {
    *os << c.name;
}

class EdgeWithBody : public ::testing::TestWithParam<EdgeGameOverCase> {};

TEST_P(EdgeWithBody, EndsTheGameOrHolds) {
    const EdgeGameOverCase& c = GetParam();
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = twoSegmentGame(c.worldWidth, c.worldHeight);
    state.direction = c.heading;
    ticks(state, c.ticksToRun);
    EXPECT_EQ(state.gameOver, c.gameOver);
    EXPECT_EQ(state.paused, c.gameOver);
    EXPECT_EQ(beepCount, c.gameOver);
}

INSTANTIATE_TEST_SUITE_P(
    Worlds, EdgeWithBody,
    ::testing::Values(EdgeGameOverCase{"rightDefault", 250, 275, DirRight, 15, 1},
                      EdgeGameOverCase{"leftDefault", 250, 275, DirLeft, 12, 1},
                      EdgeGameOverCase{"topDefault", 250, 275, DirUp, 10, 1},
                      EdgeGameOverCase{"bottomDefault", 250, 275, DirDown, 16, 1},
                      EdgeGameOverCase{"right264Holds", 264, 250, DirRight, 40, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tick, GameOverAtTheRightEdgeComesOnTheTickAfterReachingIt) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = twoSegmentGame();
    ticks(state, 13);  // the head has just reached 243
    EXPECT_FLOAT_EQ(state.segX[0], 243.0F);
    EXPECT_EQ(state.gameOver, 0);
    advanceGame(state);  // entry 1 is clamped to 239, within reach of 243
    EXPECT_EQ(state.gameOver, 1);
}

TEST(Steering, SinglePressNeverReverses) {
    struct Case {
        int heading;
        int key;
        int expected;
    };
    const Case cases[] = {
        {DirRight, GLUT_KEY_LEFT, DirRight}, {DirLeft, GLUT_KEY_RIGHT, DirLeft},
        {DirUp, GLUT_KEY_DOWN, DirUp},       {DirDown, GLUT_KEY_UP, DirDown},
        {DirRight, GLUT_KEY_UP, DirUp},      {DirRight, GLUT_KEY_DOWN, DirDown},
        {DirUp, GLUT_KEY_LEFT, DirLeft},     {DirUp, GLUT_KEY_RIGHT, DirRight},
        {DirDown, GLUT_KEY_LEFT, DirLeft},   {DirLeft, GLUT_KEY_UP, DirUp},
        {DirRight, GLUT_KEY_HOME, DirRight}, {DirRight, GLUT_KEY_F2, DirRight},
        {7, GLUT_KEY_DOWN, DirDown},
    };
    for (const Case& c : cases) {
        GameState state = startedGame();
        state.direction = c.heading;
        steer(state, c.key);
        EXPECT_EQ(state.direction, c.expected) << "heading " << c.heading << " key " << c.key;
        EXPECT_EQ(state.paused, 0);
    }
}

TEST(Steering, TwoPressesWithinOneTickTurnStraightBack) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = startedGame();
    state.foodX = -500.0F;
    ticks(state, 1);  // head at 111
    growSnake(state);
    growSnake(state);
    state.segX[1] = 111.0F;  // a straight body behind the head, as a run leaves it
    state.segX[2] = 100.0F;
    state.segY[1] = state.segY[2] = 150.0F;
    steer(state, GLUT_KEY_UP);
    steer(state, GLUT_KEY_LEFT);
    EXPECT_EQ(state.direction, DirLeft);
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segX[0], 100.0F);
    EXPECT_EQ(state.gameOver, 1);
    EXPECT_EQ(beepCount, 1);
}

TEST(Steering, TwoPressesWithLengthTwoIsNoSelfHit) {
    GameState state = twoSegmentGame();
    advanceGame(state);  // head and entry 1 at 111
    steer(state, GLUT_KEY_UP);
    steer(state, GLUT_KEY_LEFT);
    advanceGame(state);  // head at 100, entry 1 at 111: 11 apart
    EXPECT_FLOAT_EQ(state.segX[0], 100.0F);
    EXPECT_EQ(state.gameOver, 0);
}

TEST(Pause, F1TogglesAndAPausedTickChangesNothing) {
    GameState state = startedGame();
    steer(state, GLUT_KEY_F1);
    EXPECT_EQ(state.paused, 1);
    EXPECT_EQ(state.pausedShown, 1);
    steer(state, GLUT_KEY_DOWN);  // steering still works while paused
    ticks(state, 4);
    EXPECT_FLOAT_EQ(state.segX[0], 100.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 150.0F);
    steer(state, GLUT_KEY_F1);
    EXPECT_EQ(state.paused, 0);
    EXPECT_EQ(state.pausedShown, 0);
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segY[0], 139.0F);
}

TEST(Pause, F1AfterGameOverResumesAndThenShowsPaused) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = twoSegmentGame();
    state.direction = DirDown;
    ticks(state, 16);
    ASSERT_EQ(state.gameOver, 1);
    EXPECT_EQ(state.pausedShown, 0);
    const float heldY = state.segY[0];
    steer(state, GLUT_KEY_RIGHT);
    ticks(state, 2);
    EXPECT_FLOAT_EQ(state.segY[0], heldY);  // stands still while over
    steer(state, GLUT_KEY_F1);
    EXPECT_EQ(state.paused, 0);
    EXPECT_EQ(state.pausedShown, 0);
    advanceGame(state);  // moves again, right
    EXPECT_FLOAT_EQ(state.segX[0], 111.0F);
    EXPECT_EQ(state.gameOver, 1);  // never cleared
    steer(state, GLUT_KEY_F1);
    EXPECT_EQ(state.paused, 1);
    EXPECT_EQ(state.pausedShown, 1);
}

TEST(Pause, LookingAwayPausesOnlyAGameThatRuns) {
    // paused, pausedShown, gameOver before; paused, pausedShown after. Running;
    // paused by F1; over; over, then resumed by F1.
    const int cases[][5] = {{0, 0, 0, 1, 1}, {1, 1, 0, 1, 1}, {1, 0, 1, 1, 0}, {0, 0, 1, 0, 0}};
    for (const auto& c : cases) {
        GameState state = startedGame();
        state.paused = c[0];
        state.pausedShown = c[1];
        state.gameOver = c[2];
        pauseRunningGame(state);
        EXPECT_EQ(state.paused, c[3]) << c[0] << c[1] << c[2];
        EXPECT_EQ(state.pausedShown, c[4]) << c[0] << c[1] << c[2];
    }
}

TEST(Tick, DoesNotAdvanceBeforeTheWorldIsSized) {
    GameState state = startedGame(0.0F, 0.0F);
    ticks(state, 3);
    EXPECT_FLOAT_EQ(state.segX[0], 100.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 150.0F);
}

TEST(Tick, UnknownHeadingMovesUp) {
    GameState state = startedGame();
    state.direction = 0;
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segX[0], 100.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 161.0F);
}

TEST(Tick, ShrunkWindowClampsAtTheNextAdvancingTick) {
    GameState state = startedGame();
    state.foodX = -500.0F;
    growSnake(state);
    growSnake(state);
    state.direction = DirLeft;
    state.segX[0] = 200.0F;
    state.segY[0] = 200.0F;
    state.segX[1] = 211.0F;
    state.segY[1] = 200.0F;
    state.segX[2] = 222.0F;
    state.segY[2] = 200.0F;
    state.worldWidth = 150.0F;  // shrunk while the snake lies beyond the new edges
    state.worldHeight = 180.0F;
    state.paused = 1;
    advanceGame(state);
    EXPECT_FLOAT_EQ(state.segX[2], 222.0F);  // a paused tick does not clamp
    state.paused = 0;
    advanceGame(state);
    // Head: pulled back to 189, clamped to 139, moved left to 128; y pulled
    // back to 189, clamped to 169.
    EXPECT_FLOAT_EQ(state.segX[0], 128.0F);
    EXPECT_FLOAT_EQ(state.segY[0], 169.0F);
    EXPECT_FLOAT_EQ(state.segX[1], 128.0F);
    EXPECT_FLOAT_EQ(state.segY[1], 169.0F);
    EXPECT_FLOAT_EQ(state.segX[2], 139.0F);  // old entry 1, clamped
    EXPECT_FLOAT_EQ(state.segY[2], 169.0F);
}

}  // namespace
