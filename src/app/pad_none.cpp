// No pads: the page reads its own (page.js).
#include "game/pads.h"

void startPads() {}

void readPads(void (* /*press*/)(int, int, int)) {}
