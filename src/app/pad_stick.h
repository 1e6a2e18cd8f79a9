// The left stick as an arrow, for every platform that reads a stick's place.
#pragma once

#include <GL/freeglut_std.h>

// Both SDL and XInput give an axis from -32768 to 32767.
constexpr int stickReach = 32767 / 2;

// The arrow a stick at x, y points to (y grows downwards), or 0: it counts
// past half way, along its stronger axis.
inline int stickKey(int x, int y) {
    const int absX = x < 0 ? -x : x;
    const int absY = y < 0 ? -y : y;
    if (absX <= stickReach && absY <= stickReach) {
        return 0;
    }
    if (absX > absY) {
        return x > 0 ? GLUT_KEY_RIGHT : GLUT_KEY_LEFT;
    }
    return y > 0 ? GLUT_KEY_DOWN : GLUT_KEY_UP;
}
