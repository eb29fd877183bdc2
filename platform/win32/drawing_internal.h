// What the Windows pictures share with the graph window and the PNG encoder: a picture is a
// 32-bit top-down DIB section selected into a memory device context.
#pragma once

#include <windows.h>

#include <string>

struct Picture {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ originalBitmap = nullptr;
    const unsigned char* bits = nullptr; // blue, green, red, unused: 4 bytes a pixel, rows down
    int width = 0, height = 0;
    HPEN pen = nullptr; // null: the stock black pen
    int penWidth = 1;
    HGDIOBJ originalPen = nullptr;
    HGDIOBJ originalFont = nullptr;
};

// The picture a Drawing stands for, or null.
Picture* PictureOf(std::intptr_t drawing);

// The picture's pixels as a PNG file's bytes, through the Windows Imaging Component; empty when
// it cannot encode them.
std::string EncodePng(const Picture& picture);
