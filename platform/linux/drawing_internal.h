// What the Linux pictures share with the graph window: a picture is a cairo image surface.
#pragma once

#include <cairo.h>

#include <cstdint>

struct Picture {
    cairo_surface_t* surface = nullptr;
    cairo_t* cairo = nullptr;
    int width = 0, height = 0;
    double penWidth = 1.0;
};

// The picture a Drawing stands for, or null.
Picture* PictureOf(std::intptr_t drawing);
