// A bitmap with a logical palette made from its own colour table, painted so that it keeps its
// true colours on palette displays as well as on true-colour ones.
#pragma once

#include "platform/win32.h"

class PaletteBitmap {
public:
    PaletteBitmap() : bitmap(nullptr), palette(nullptr), usePalette(0), x(0), y(0), width(0), height(0) {}
    virtual ~PaletteBitmap() { Release(); }
    PaletteBitmap(const PaletteBitmap&) = delete;  // two owners would delete the handles twice
    PaletteBitmap& operator=(const PaletteBitmap&) = delete;

    // Loads bitmap resource `id` of `instance` as a DIB section. Non-zero when a bitmap is held.
    int LoadFromResource(HINSTANCE instance, UINT id, int withPalette, int left, int top);
    // Takes ownership of `handle` (a DIB section when `withPalette`). 1, or 0 for a null handle.
    int Attach(HBITMAP handle, int withPalette, int left, int top);
    // Deletes the bitmap and the palette; size, position and usePalette stay.
    void Release();
    // Copies the whole picture into `dc` at its position, realising the palette on palette devices.
    void Paint(HDC dc) const;

    int Width() const { return width; }
    int Height() const { return height; }
    HBITMAP Bitmap() const { return bitmap; }
    HPALETTE Palette() const { return palette; }

private:
    HBITMAP bitmap;
    HPALETTE palette;
    int usePalette;
    int x;
    int y;
    int width;
    int height;
};
