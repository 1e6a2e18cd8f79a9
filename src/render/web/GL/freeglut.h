// GL and GLUT as the game sees them in a web page: the page's own, over WebGL,
// in render/gl_web.cpp and render/glut_web.cpp.
#pragma once

#include <GL/freeglut_std.h>
