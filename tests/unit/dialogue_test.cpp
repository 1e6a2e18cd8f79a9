#include "app/dialogue.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

namespace {

struct LevelCase {
    const char* input;
    int level;
    int delay;
    const char* unread;  // what the read must leave in the stream
};

void PrintTo(const LevelCase& c, std::ostream* os) {
    *os << '"' << c.input << '"';
}

class LevelRead : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelRead, ParsesLevelAndLeavesTheRest) {
    const LevelCase& c = GetParam();
    std::istringstream in(c.input);
    const int level = readLevel(in);
    EXPECT_EQ(level, c.level);
    EXPECT_EQ(delayForLevel(level), c.delay);
    in.clear();
    const std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rest, c.unread);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LevelRead,
    ::testing::Values(LevelCase{"1\n", 1, 220, "\n"}, LevelCase{"2\n", 2, 180, "\n"},
                      LevelCase{"3\n", 3, 120, "\n"}, LevelCase{"4\n", 4, 100, "\n"},
                      LevelCase{"5\n", 5, 80, "\n"}, LevelCase{"6\n", 6, 60, "\n"},
                      LevelCase{"7\n", 7, 30, "\n"}, LevelCase{"8\n", 8, 10, "\n"},
                      LevelCase{"0\n", 0, 100, "\n"}, LevelCase{"9\n", 9, 100, "\n"},
                      LevelCase{"-3\n", -3, 100, "\n"}, LevelCase{"+6\n", 6, 60, "\n"},
                      LevelCase{"abc\n", 0, 100, "abc\n"}, LevelCase{"7x\n", 7, 30, "x\n"},
                      LevelCase{"010\n", 8, 10, "\n"}, LevelCase{"08\n", 0, 100, "8\n"},
                      LevelCase{"0x5\n", 5, 80, "\n"}, LevelCase{"0X1f z", 31, 100, " z"},
                      LevelCase{"-0x10", -16, 100, ""}));

INSTANTIATE_TEST_SUITE_P(
    Limits, LevelRead,
    ::testing::Values(
        // Past 32 bits in any base clamps to the nearest end of the range.
        LevelCase{"0xFFFFFFFF\n", INT_MAX, 100, "\n"}, LevelCase{"2147483647", INT_MAX, 100, ""},
        LevelCase{"2147483648", INT_MAX, 100, ""}, LevelCase{"-2147483648", INT_MIN, 100, ""},
        LevelCase{"-2147483649", INT_MIN, 100, ""}, LevelCase{"-0x80000001", INT_MIN, 100, ""},
        LevelCase{"077777777777", INT_MAX, 100, ""},
        // At most 15 characters, sign and prefix included, make the number.
        LevelCase{"1234567890123456\n", INT_MAX, 100, "6\n"},
        LevelCase{"000000000000008\n", 0, 100, "8\n"},
        LevelCase{"0000000000000008\n", 0, 100, "8\n"}, LevelCase{"+00000000000007\n", 7, 30, "\n"},
        LevelCase{"+000000000000007\n", 0, 100, "7\n"},
        LevelCase{"0x0000000000003\n", 3, 120, "\n"},
        LevelCase{"0x00000000000003\n", 0, 100, "3\n"}));

INSTANTIATE_TEST_SUITE_P(
    NoNumber, LevelRead,
    ::testing::Values(LevelCase{"", 0, 100, ""}, LevelCase{"  \n\n\t ", 0, 100, ""},
                      LevelCase{"-\n", 0, 100, "\n"}, LevelCase{"+ 5\n", 0, 100, " 5\n"},
                      LevelCase{"\n\n   \n 5\n", 5, 80, "\n"}, LevelCase{"\r\n\v\f 2", 2, 180, ""},
                      LevelCase{"0x\n", 0, 100, "\n"}, LevelCase{"0xg", 0, 100, "g"},
                      LevelCase{"\xff\xfe"
                                "1",
                                0, 100,
                                "\xff\xfe"
                                "1"},
                      LevelCase{"1.5\n", 1, 220, ".5\n"}));

TEST(LevelRead, StopsAtEndOfInputInsideTheNumber) {
    std::istringstream in("  -12");
    EXPECT_EQ(readLevel(in), -12);
}

TEST(LevelRead, TakesOnlyFifteenCharactersOfAVeryLongNumber) {
    const std::string digits(500, '9');
    std::istringstream in(digits + "\n");
    EXPECT_EQ(readLevel(in), INT_MAX);
    in.clear();
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest.size(), digits.size() - 15);
}

TEST(Banner, IsWrittenByteForByte) {
    std::ostringstream out;
    printBanner(out);
    EXPECT_EQ(out.str(), "Zelvix version 1.2b console\n"
                         "******************************\n\n"
                         "level 1 = extremely slow\n"
                         "level 5 = moderate speed\n"
                         "level 8 = insanely fast\n\n"
                         "Select Zelvix game level (1 to 8)\n"
                         "Level :");
}

}  // namespace
