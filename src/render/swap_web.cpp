// A page has no swap interval to set: the browser shows each frame at the
// display's next refresh, and the ticks run on their own timers regardless.
#include "render/view.h"

void disableSwapWait() {}
