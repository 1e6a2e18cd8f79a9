#include "game/report.h"

#include "game/state.h"
#include "support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The console report of a game over with the given length, tail included.
std::string reportText(int length) {
    return "\n\n=========================\nYour score is " + std::to_string(length) +
           "\nGame Over\n\n\nPlease visit  \nfor more info and update";
}

TEST(Report, ConsoleAndScoreFile) {
    struct Case {
        int length;
        int level;
        const char* line;
    };
    const Case cases[] = {
        {7, 3, "You score is : 7 at level 3"},
        {2, 0, "You score is : 2 at level 0"},  // level typed as text
        {1, -2147483647 - 1, "You score is : 1 at level -2147483648"},
        {12345, 2147483647, "You score is : 12345 at level 2147483647"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ConsoleCapture console;
        GameState state = startedGame();
        state.length = c.length;
        state.level = c.level;
        reportGameOver(state);
        EXPECT_EQ(readFile("User_score.txt"), textLine(c.line));
        EXPECT_NE(console.out.str().find("Your score is " + std::to_string(c.length) + "\n"),
                  std::string::npos);
        EXPECT_EQ(console.err.str(), "");
    }
}

TEST(Report, ConsoleBytes) {
    ScratchDir dir;
    ConsoleCapture console;
    GameState state = startedGame();
    state.length = 7;
    reportGameOver(state);
    EXPECT_EQ(console.out.str(), reportText(7));
    // Flushed after each of the first four lines; the tail waits in the buffer.
    EXPECT_EQ(console.out.flushes, 4);
}

TEST(Report, ReplacesThePreviousScore) {
    ScratchDir dir;
    ConsoleCapture console;
    {
        std::ofstream old("User_score.txt");
        old << "an older and much longer line of text\nand a second one\n";
    }
    GameState state = startedGame();
    state.length = 3;
    reportGameOver(state);
    state.length = 4;
    reportGameOver(state);
    EXPECT_EQ(readFile("User_score.txt"), textLine("You score is : 4 at level 1"));
}

// Where the score cannot be saved the game goes on and says so on stderr once.
TEST(Report, UnwritableScoreFileIsReportedOnStandardError) {
    const std::string expectedErr = "zelvix: could not save the score to User_score.txt\n";
    {
        ScratchDir dir;
        std::filesystem::create_directory("User_score.txt");
        ConsoleCapture console;
        GameState state = startedGame();
        reportGameOver(state);
        EXPECT_EQ(console.err.str(), expectedErr);
        EXPECT_EQ(console.out.str(), reportText(1));
        // The message must not flush the report's tail out with it.
        EXPECT_EQ(console.out.flushes, 4);
        EXPECT_TRUE(std::filesystem::is_directory("User_score.txt"));
    }
    if (std::filesystem::exists("/dev/full")) {
        ScratchDir dir;
        std::filesystem::create_symlink("/dev/full", "User_score.txt");
        ConsoleCapture console;
        GameState state = startedGame();
        reportGameOver(state);
        EXPECT_EQ(console.err.str(), expectedErr);
        EXPECT_EQ(console.out.flushes, 4);
    }
}

}  // namespace
