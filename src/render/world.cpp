#include "render/world.h"

WorldSize worldSize(int width, int height) {
    const double w = width > 0 ? width : 1;
    const double h = height > 0 ? height : 1;
    if (w <= h) {
        return {250.0F, static_cast<float>(h * 250.0 / w)};
    }
    return {static_cast<float>(w * 250.0 / h), 250.0F};
}
