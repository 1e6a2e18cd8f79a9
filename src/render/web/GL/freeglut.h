// GL and GLUT as the game sees them in a web page: Emscripten's GLUT over its
// legacy GL emulation, with what those lack supplied by render/gl_web.cpp.
#pragma once

#include <GL/freeglut_std.h>

// WebGL has no polygon primitive. The game's polygons are convex, and a
// convex polygon drawn as a triangle fan covers the same pixels.
#undef GL_POLYGON
#define GL_POLYGON GL_TRIANGLE_FAN
