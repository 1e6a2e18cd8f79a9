#pragma once

// Extents of the visible world in world units for a window size in pixels.
struct WorldSize {
    float width;
    float height;
};

// The shorter side spans 250 units, the longer one proportionally more. A
// side of 0 pixels counts as 1, so a collapsed window never divides by zero.
WorldSize worldSize(int width, int height);
