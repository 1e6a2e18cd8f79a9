#include "app/dialogue.h"

#include <cstdint>
#include <istream>
#include <limits>
#include <ostream>

void printBanner(std::ostream& out) {
    out << "Zelvix version 1.2b console\n";
    out << "******************************\n\n";
    out << "level 1 = extremely slow\n";
    out << "level 5 = moderate speed\n";
    out << "level 8 = insanely fast\n\n";
    out << "Select Zelvix game level (1 to 8)\n";
    out << "Level :";
}

namespace {

constexpr int maxNumberChars = 15;

// Value of c as a digit of base, or -1 when it is not one.
int digitValue(int c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Takes characters one at a time, never more than the number may hold, and
// leaves the first one that does not fit in the stream.
struct NumberReader {
    std::istream& in;
    int taken = 0;

    int peek() {
        if (taken >= maxNumberChars) {
            return std::char_traits<char>::eof();
        }
        return in.peek();
    }
    void take() {
        in.get();
        ++taken;
    }
};

}  // namespace

int readLevel(std::istream& in) {
    using Traits = std::char_traits<char>;
    int c = in.peek();
    while (c != Traits::eof() && isBlank(c)) {
        in.get();
        c = in.peek();
    }
    if (c == Traits::eof()) {
        return 0;
    }

    NumberReader reader{in};
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        reader.take();
    }
    int base = 10;
    bool sawDigit = false;
    if (reader.peek() == '0') {
        reader.take();
        sawDigit = true;
        base = 8;
        const int next = reader.peek();
        if (next == 'x' || next == 'X') {
            reader.take();
            base = 16;
        }
    }

    // At most 15 characters fit, so the magnitude stays far below 2^63.
    std::int64_t magnitude = 0;
    for (int d = digitValue(reader.peek(), base); d >= 0; d = digitValue(reader.peek(), base)) {
        reader.take();
        sawDigit = true;
        magnitude = magnitude * base + d;
    }
    if (!sawDigit) {
        return 0;
    }

    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

int delayForLevel(int level) {
    switch (level) {
    case 1:
        return 220;
    case 2:
        return 180;
    case 3:
        return 120;
    case 4:
        return 100;
    case 5:
        return 80;
    case 6:
        return 60;
    case 7:
        return 30;
    case 8:
        return 10;
    default:
        return 100;
    }
}
