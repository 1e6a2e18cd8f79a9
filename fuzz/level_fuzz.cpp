// Feeds arbitrary bytes to the level read and checks it against the C
// library's own number conversion of the characters it took.
#include "app/dialogue.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

static bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The expected value of the characters the read consumed after the blanks.
static int expectedLevel(const std::string& taken) {
    if (taken.empty() || taken == "+" || taken == "-") {
        return 0;
    }
    const char last = taken.back();
    if (last == 'x' || last == 'X') {
        return 0;  // a hexadecimal prefix with no digits after it
    }
    errno = 0;
    const long long value = std::strtoll(taken.c_str(), nullptr, 0);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::istringstream in(input);
    const int level = readLevel(in);

    in.clear();
    const auto consumed = static_cast<std::size_t>(in.tellg());
    if (consumed > input.size()) {
        __builtin_trap();
    }
    std::size_t start = 0;
    while (start < consumed && isBlank(input[start])) {
        ++start;
    }
    const std::string taken = input.substr(start, consumed - start);
    if (taken.size() > 15) {
        __builtin_trap();
    }
    for (const char c : taken) {
        if (isBlank(c)) {
            __builtin_trap();
        }
    }
    if (level != expectedLevel(taken)) {
        __builtin_trap();
    }
    const int delay = delayForLevel(level);
    if (delay < 10 || delay > 220) {
        __builtin_trap();
    }
    return 0;
}
