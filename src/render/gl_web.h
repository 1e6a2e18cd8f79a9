#pragma once

// Draws the triangles gathered since the last draw; called by the swap, and
// by every GL call that must not reorder with them.
void drawPending();
