// The one type freeglut's font tables need, laid out as freeglut lays it out,
// so that its fg_font_data.c compiles into the web build unchanged.
#pragma once

#include <GL/gl.h>

typedef struct tagSFG_Font {
    char* Name;                 /* the source font's name */
    int Quantity;               /* characters in the font */
    int Height;                 /* rows of every glyph */
    const GLubyte** Characters; /* glyphs by character code */
    float xorig, yorig;         /* the glyphs' origin */
} SFG_Font;
