// No pads: on Windows none is read yet, and the page reads its own (page.js).
#include "app/pad.h"

void startPads() {}

void readPads(void (* /*press*/)(int, int, int)) {}
