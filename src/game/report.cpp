#include "game/report.h"

#include "game/state.h"

#include <fstream>
#include <iostream>

static void printReport(int length) {
    std::cout << '\n' << std::flush;
    std::cout << '\n' << std::flush;
    std::cout << "=========================\n";
    std::cout << "Your score is " << length << '\n' << std::flush;
    std::cout << "Game Over" << '\n' << std::flush;
    // Left unflushed on purpose: it reaches the console with the next flush
    // of standard output, at the latest when the process exits.
    std::cout << "\n\nPlease visit "
              << " \nfor more info and update";
}

static void writeScoreFile(const GameState& state) {
    std::ofstream file("User_score.txt", std::ios::out | std::ios::trunc);
    file << "You score is : " << state.length << " at level " << state.level << '\n' << std::flush;
    file.close();
    if (file.fail()) {
        // The game goes on either way, but the player should know the score is
        // lost. std::cerr is untied for the line so that it does not flush
        // std::cout and send the report's held-back tail out early.
        std::ostream* tied = std::cerr.tie(nullptr);
        std::cerr << "zelvix: could not save the score to User_score.txt\n";
        std::cerr.tie(tied);
    }
}

void reportGameOver(const GameState& state) {
    printReport(state.length);
    writeScoreFile(state);
}
