#pragma once

#include <iosfwd>

// The banner, speed guide and prompt, as seven separate writes.
void printBanner(std::ostream& out);

// Reads one integer the way a console number read does: white space skipped,
// optional sign, 0x / 0 prefixes for hexadecimal / octal, at most 15
// characters taken, the first character that does not fit left unread.
// No digits, or end of input, gives 0; values past 32 bits clamp.
int readLevel(std::istream& in);

// Milliseconds between ticks for a level; any level outside 1..8 gets 100.
int delayForLevel(int level);
