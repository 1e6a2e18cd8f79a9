#include "game/effects.h"
#include "game/food.h"
#include "support.h"

#include <fstream>
#include <iterator>
#include <random>

int beepCount = 0;

void beep() {
    ++beepCount;
}

GameState startedGame(float worldWidth, float worldHeight) {
    GameState state;
    state.segX[0] = 100.0F;
    state.segY[0] = 150.0F;
    state.edgeStep = state.stepX;
    state.level = 1;
    state.tickDelay = 220;
    state.worldWidth = worldWidth;
    state.worldHeight = worldHeight;
    randomState = 1;
    beepCount = 0;
    return state;
}

GameState twoSegmentGame(float worldWidth, float worldHeight) {
    GameState state = startedGame(worldWidth, worldHeight);
    state.foodX = -500.0F;
    growSnake(state);
    state.segX[1] = state.segX[0];
    state.segY[1] = state.segY[0];
    return state;
}

ScratchDir::ScratchDir() {
    std::random_device seed;
    path = std::filesystem::temp_directory_path() /
           ("zelvix-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
}

ScratchDir::~ScratchDir() {
    std::filesystem::current_path(old);
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
