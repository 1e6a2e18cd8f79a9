// What Emscripten's GL emulation and GLUT lack and the game's drawing uses:
// the raster position and freeglut's bitmap fonts. Each set bit of a glyph
// becomes a one-pixel quad at the window pixel where the desktop's glBitmap
// puts it, at the raster position's depth and in its colour, so texts match
// the desktop's pixel for pixel.
#include <GL/freeglut.h>

#include "fg_internal.h"

#include <emscripten/emscripten.h>

#include <cmath>

extern "C" {
// freeglut's tables for the two fonts the game uses (fg_font_data.c).
extern SFG_Font fgFontHelvetica12;
extern SFG_Font fgFontHelvetica18;

// The fonts' handles: GLUT names a font by the address of one of these.
void* glutBitmapHelvetica12;
void* glutBitmapHelvetica18;
}

namespace {

struct RasterPosition {
    double x;  // window coordinates in pixels
    double y;
    float depth;  // normalised device z, as the quads take it
    float colour[4];
    bool valid;
};

RasterPosition raster = {0.0, 0.0, 0.0F, {1.0F, 1.0F, 1.0F, 1.0F}, true};

// The emulation's current colour, which GL reads as the raster colour.
EM_JS(void, currentColour, (float* rgba), { HEAPF32.set(GLImmediate.clientColor, rgba >> 2); });

// out = m * v for a column-major 4x4 matrix, in double precision: a raster
// position on a pixel's edge must not slip to the pixel before it.
void transform(const float* m, const double* v, double* out) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    }
}

SFG_Font* fontFor(void* font) {
    if (font == &glutBitmapHelvetica12) {
        return &fgFontHelvetica12;
    }
    if (font == &glutBitmapHelvetica18) {
        return &fgFontHelvetica18;
    }
    return nullptr;
}

// Quads in normalised device coordinates for each run of set bits in the
// glyph's rows, the lowest row first, with its lower-left pixel at (left, bottom).
void drawGlyph(const GLubyte* bits, int width, int height, int left, int bottom) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float sx = 2.0F / static_cast<float>(viewport[2]);
    const float sy = 2.0F / static_cast<float>(viewport[3]);
    const int rowBytes = (width + 7) / 8;
    glBegin(GL_QUADS);
    for (int row = 0; row < height; ++row) {
        const GLubyte* line = bits + row * rowBytes;
        const auto set = [&](int c) {
            return c < width && (line[c / 8] & (0x80U >> (c % 8))) != 0;
        };
        const float y0 = static_cast<float>(bottom + row - viewport[1]) * sy - 1.0F;
        const float y1 = y0 + sy;
        for (int column = 0; column < width; ++column) {
            if (!set(column)) {
                continue;
            }
            const int start = column;
            while (set(column + 1)) {
                ++column;
            }
            const float x0 = static_cast<float>(left + start - viewport[0]) * sx - 1.0F;
            const float x1 = static_cast<float>(left + column + 1 - viewport[0]) * sx - 1.0F;
            glVertex3f(x0, y0, raster.depth);
            glVertex3f(x1, y0, raster.depth);
            glVertex3f(x1, y1, raster.depth);
            glVertex3f(x0, y1, raster.depth);
        }
    }
    glEnd();
}

}  // namespace

extern "C" {

void glRasterPos2i(GLint x, GLint y) {
    float modelview[16];
    float projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double object[4] = {static_cast<double>(x), static_cast<double>(y), 0.0, 1.0};
    double eye[4];
    double clip[4];
    transform(modelview, object, eye);
    transform(projection, eye, clip);
    // A position outside the view volume draws nothing, as in GL.
    raster.valid = clip[3] != 0.0 && std::fabs(clip[0]) <= std::fabs(clip[3]) &&
                   std::fabs(clip[1]) <= std::fabs(clip[3]) &&
                   std::fabs(clip[2]) <= std::fabs(clip[3]);
    if (!raster.valid) {
        return;
    }
    raster.x = viewport[0] + (clip[0] / clip[3] + 1.0) * viewport[2] / 2.0;
    raster.y = viewport[1] + (clip[1] / clip[3] + 1.0) * viewport[3] / 2.0;
    raster.depth = static_cast<float>(clip[2] / clip[3]);
    currentColour(raster.colour);
}

void glutBitmapCharacter(void* font, int character) {
    const SFG_Font* face = fontFor(font);
    if (face == nullptr || character < 1 || character >= face->Quantity || !raster.valid) {
        return;
    }
    const GLubyte* glyph = face->Characters[character];
    float colour[4];
    currentColour(colour);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glColor4f(raster.colour[0], raster.colour[1], raster.colour[2], raster.colour[3]);
    const auto left = static_cast<int>(std::floor(raster.x - face->xorig));
    const auto bottom = static_cast<int>(std::floor(raster.y - face->yorig));
    drawGlyph(glyph + 1, glyph[0], face->Height, left, bottom);
    raster.x += glyph[0];

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
}

// WebGL always blends vertex colours across a primitive: smooth shading is
// its only mode, so there is nothing to set.
void glShadeModel(GLenum /*mode*/) {}

}  // extern "C"
