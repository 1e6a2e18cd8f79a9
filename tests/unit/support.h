// Shared helpers for the unit tests: the counting beep, a fresh game, and
// capture of the console and the score file.
#pragma once

#include "game/state.h"

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

// Beeps sounded since the last reset, counted by the tests' own beep().
extern int beepCount;

// A game as start-up and the first reshape of the default window leave it,
// with the food generator back at its first value.
GameState startedGame(float worldWidth = 250.0F, float worldHeight = 275.0F);

// A started game whose snake has two segments, both on the head's starting
// place, with the food out of reach.
GameState twoSegmentGame(float worldWidth = 250.0F, float worldHeight = 275.0F);

// A string buffer that counts the flushes it is asked for.
struct CountingBuf : std::stringbuf {
    int flushes = 0;
    int sync() override {
        ++flushes;
        return std::stringbuf::sync();
    }
};

// Sends std::cout and std::cerr into strings while alive; out.flushes counts
// the flushes of std::cout.
struct ConsoleCapture {
    CountingBuf out;
    std::stringbuf err;
    std::streambuf* oldOut = std::cout.rdbuf(&out);
    std::streambuf* oldErr = std::cerr.rdbuf(&err);
    ConsoleCapture() = default;
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    ~ConsoleCapture() {
        std::cout.rdbuf(oldOut);
        std::cerr.rdbuf(oldErr);
    }
};

// Runs a test in a fresh empty working directory, removed afterwards.
struct ScratchDir {
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::path path;
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();
};

std::string readFile(const std::filesystem::path& path);

// One line as a text file holds it: ended with the platform's line break.
inline std::string textLine(const std::string& text) {
#ifdef _WIN32
    return text + "\r\n";
#else
    return text + "\n";
#endif
}
