#include "render/world.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct WorldCase {
    int width;
    int height;
    float worldWidth;
    float worldHeight;
};

void PrintTo(const WorldCase& c, std::ostream* os) {
    *os << c.width << 'x' << c.height;
}

class World : public ::testing::TestWithParam<WorldCase> {};

TEST_P(World, ShorterSideSpans250Units) {
    const WorldCase& c = GetParam();
    const WorldSize world = worldSize(c.width, c.height);
    EXPECT_FLOAT_EQ(world.width, c.worldWidth);
    EXPECT_FLOAT_EQ(world.height, c.worldHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, World,
    ::testing::Values(WorldCase{350, 385, 250.0F, 275.0F},  // the default window
                      WorldCase{500, 250, 500.0F, 250.0F}, WorldCase{350, 350, 250.0F, 250.0F},
                      WorldCase{528, 500, 264.0F, 250.0F}, WorldCase{100, 700, 250.0F, 1750.0F},
                      WorldCase{1, 1, 250.0F, 250.0F},
                      // A collapsed side counts as one pixel.
                      WorldCase{350, 0, 87500.0F, 250.0F}, WorldCase{0, 385, 250.0F, 96250.0F},
                      WorldCase{0, 0, 250.0F, 250.0F}, WorldCase{-5, 10, 250.0F, 2500.0F}));

}  // namespace
