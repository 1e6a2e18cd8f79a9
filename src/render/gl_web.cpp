// The OpenGL the game draws with, as a web page has it: the fixed-function
// calls the drawing code makes, over WebGL. Vertices are transformed here, as
// GL transforms them, and gathered as coloured triangles in the order they
// are drawn; a frame's triangles go to WebGL in one draw, before a clear, a
// viewport change or the swap. The raster position and freeglut's bitmap
// fonts draw each run of a glyph's set bits as a one-pixel-high quad where
// the desktop's glBitmap puts it, so texts match the desktop's pixel for pixel.
#include "render/gl_web.h"

#include <GL/freeglut.h>

#include "fg_internal.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
// freeglut's tables for the two fonts the game uses (fg_font_data.c).
extern SFG_Font fgFontHelvetica12;
extern SFG_Font fgFontHelvetica18;

// The fonts' handles: GLUT names a font by the address of one of these.
void* glutBitmapHelvetica12;
void* glutBitmapHelvetica18;
}

namespace {

constexpr int stackDepth = 4;  // the game pushes one matrix; a push beyond is ignored, as in GL
constexpr int floatsPerVertex = 8;  // clip position x, y, z, w; colour r, g, b, a

struct MatrixStack {
    float m[stackDepth][16];
    int top;
};

MatrixStack modelview = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, 0};
MatrixStack projection = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, 0};
MatrixStack* current = &modelview;
float colour[4] = {1.0F, 1.0F, 1.0F, 1.0F};
GLint viewport[4] = {0, 0, 0, 0};

GLenum primitive = GL_TRIANGLES;
std::vector<float> shape;      // the vertices since glBegin
std::vector<float> triangles;  // the frame's triangles not yet drawn

struct RasterPosition {
    double x;  // window coordinates in pixels
    double y;
    float depth;  // normalised device z
    float colour[4];
    bool valid;
};

RasterPosition raster = {0.0, 0.0, 0.0F, {1.0F, 1.0F, 1.0F, 1.0F}, true};

// The bodies are JavaScript, which clang-format lays out differently from one
// version to the next.
// clang-format off
EM_JS(void, drawTriangles, (const float* vertices, int count), {
    const gl = Module.ctx;
    if (!Module.program) {
        function shader(kind, source) {
            const made = gl.createShader(kind);
            gl.shaderSource(made, source);
            gl.compileShader(made);
            return made;
        }
        const program = gl.createProgram();
        gl.attachShader(program, shader(gl.VERTEX_SHADER,
            'attribute vec4 p, c; varying vec4 v; void main() { gl_Position = p; v = c; }'));
        gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
            'precision mediump float; varying vec4 v; void main() { gl_FragColor = v; }'));
        gl.bindAttribLocation(program, 0, 'p');
        gl.bindAttribLocation(program, 1, 'c');
        gl.linkProgram(program);
        gl.useProgram(program);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.enableVertexAttribArray(0);
        gl.enableVertexAttribArray(1);
        gl.vertexAttribPointer(0, 4, gl.FLOAT, false, 32, 0);
        gl.vertexAttribPointer(1, 4, gl.FLOAT, false, 32, 16);
        Module.program = program;
    }
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(vertices >> 2, (vertices >> 2) + count * 8),
                  gl.STREAM_DRAW);
    gl.drawArrays(gl.TRIANGLES, 0, count);
});
EM_JS(void, clearBuffers, (GLbitfield mask), { Module.ctx.clear(mask); });
EM_JS(void, setClearColour, (float r, float g, float b, float a), { Module.ctx.clearColor(r, g, b, a); });
EM_JS(void, enableCapability, (GLenum capability), { Module.ctx.enable(capability); });
EM_JS(void, setViewport, (int x, int y, int width, int height), { Module.ctx.viewport(x, y, width, height); });
// clang-format on

// out = m * v for a column-major 4x4 matrix.
template <typename T> void transform(const float* m, const T* v, T* out) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    }
}

float* currentMatrix() {
    return current->m[current->top];
}

void addVertex(const float* clip, const float* rgba) {
    triangles.insert(triangles.end(), clip, clip + 4);
    triangles.insert(triangles.end(), rgba, rgba + 4);
}

void addQuad(float x0, float y0, float x1, float y1, float z, const float* rgba) {
    const float corners[4][4] = {{x0, y0, z, 1}, {x1, y0, z, 1}, {x1, y1, z, 1}, {x0, y1, z, 1}};
    for (const int corner : {0, 1, 2, 0, 2, 3}) {
        addVertex(corners[corner], rgba);
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

// A quad for each run of set bits in the glyph's rows, the lowest row first,
// with its lower-left pixel at (left, bottom).
void drawGlyph(const GLubyte* bits, int width, int height, int left, int bottom) {
    const float sx = 2.0F / static_cast<float>(viewport[2]);
    const float sy = 2.0F / static_cast<float>(viewport[3]);
    const int rowBytes = (width + 7) / 8;
    for (int row = 0; row < height; ++row) {
        const GLubyte* line = bits + row * rowBytes;
        const auto set = [&](int c) {
            return c < width && (line[c / 8] & (0x80U >> (c % 8))) != 0;
        };
        const float y0 = static_cast<float>(bottom + row - viewport[1]) * sy - 1.0F;
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
            addQuad(x0, y0, x1, y0 + sy, raster.depth, raster.colour);
        }
    }
}

}  // namespace

void drawPending() {
    if (!triangles.empty()) {
        drawTriangles(triangles.data(), static_cast<int>(triangles.size() / floatsPerVertex));
        triangles.clear();
    }
}

extern "C" {

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    setClearColour(red, green, blue, alpha);
}

void glClear(GLbitfield mask) {
    drawPending();
    clearBuffers(mask);
}

void glEnable(GLenum cap) {
    drawPending();
    enableCapability(cap);
}

// WebGL always blends vertex colours across a primitive: smooth shading is
// its only mode, so there is nothing to set.
void glShadeModel(GLenum /*mode*/) {}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    drawPending();
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = width;
    viewport[3] = height;
    setViewport(x, y, width, height);
}

void glMatrixMode(GLenum mode) {
    current = mode == GL_PROJECTION ? &projection : &modelview;
}

void glLoadIdentity() {
    float* m = currentMatrix();
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0F;
}

void glPushMatrix() {
    if (current->top + 1 < stackDepth) {
        std::memcpy(current->m[current->top + 1], currentMatrix(), 16 * sizeof(float));
        ++current->top;
    }
}

void glPopMatrix() {
    if (current->top > 0) {
        --current->top;
    }
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near,
             GLdouble far) {
    const auto w = static_cast<float>(right - left);
    const auto h = static_cast<float>(top - bottom);
    const auto d = static_cast<float>(far - near);
    const float ortho[16] = {2.0F / w,
                             0,
                             0,
                             0,
                             0,
                             2.0F / h,
                             0,
                             0,
                             0,
                             0,
                             -2.0F / d,
                             0,
                             -static_cast<float>(right + left) / w,
                             -static_cast<float>(top + bottom) / h,
                             -static_cast<float>(far + near) / d,
                             1.0F};
    float* m = currentMatrix();
    float product[16];
    for (int column = 0; column < 4; ++column) {
        transform(m, ortho + 4 * column, product + 4 * column);
    }
    std::memcpy(m, product, sizeof product);
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
    colour[3] = 1.0F;
}

void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
    glColor3f(static_cast<float>(red) / 255.0F, static_cast<float>(green) / 255.0F,
              static_cast<float>(blue) / 255.0F);
}

void glBegin(GLenum mode) {
    primitive = mode;
    shape.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    const float object[4] = {x, y, z, 1.0F};
    float eye[4];
    float clip[4];
    transform(currentMatrix(), object, eye);
    transform(projection.m[projection.top], eye, clip);
    shape.insert(shape.end(), clip, clip + 4);
    shape.insert(shape.end(), colour, colour + 4);
}

// Quads and polygons become the fans GL draws them as, from their first corner.
void glEnd() {
    const auto vertex = [](std::size_t i) { return &shape[i * floatsPerVertex]; };
    const std::size_t count = shape.size() / floatsPerVertex;
    const std::size_t corners = primitive == GL_QUADS ? 4 : count;
    for (std::size_t first = 0; first + corners <= count && corners >= 3; first += corners) {
        for (std::size_t i = first + 1; i + 1 < first + corners; ++i) {
            for (const std::size_t at : {first, i, i + 1}) {
                addVertex(vertex(at), vertex(at) + 4);
            }
        }
    }
}

void glRasterPos2i(GLint x, GLint y) {
    const double object[4] = {static_cast<double>(x), static_cast<double>(y), 0.0, 1.0};
    double eye[4];
    double clip[4];
    // In double precision: a raster position on a pixel's edge must not slip
    // to the pixel before it.
    transform(currentMatrix(), object, eye);
    transform(projection.m[projection.top], eye, clip);
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
    std::memcpy(raster.colour, colour, sizeof colour);
}

void glutBitmapCharacter(void* font, int character) {
    const SFG_Font* face = fontFor(font);
    if (face == nullptr || character < 1 || character >= face->Quantity || !raster.valid) {
        return;
    }
    const GLubyte* glyph = face->Characters[character];
    const auto left = static_cast<int>(std::floor(raster.x - face->xorig));
    const auto bottom = static_cast<int>(std::floor(raster.y - face->yorig));
    drawGlyph(glyph + 1, glyph[0], face->Height, left, bottom);
    raster.x += glyph[0];
}

}  // extern "C"
