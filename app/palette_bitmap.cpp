// PaletteBitmap: the main window's background picture with a palette of its own colours.
#include "app/palette_bitmap.h"

#include "core/zero_alloc.h"

int PaletteBitmap::LoadFromResource(HINSTANCE instance, UINT id, int withPalette, int left, int top)
{
    Release();
    HBITMAP handle = (HBITMAP)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION);
    return Attach(handle, withPalette, left, top);
}

// A palette of the bitmap's own colour table, in table order; entries the table does not fill
// stay black. Null when the palette cannot be made.
static HPALETTE PaletteFromColourTable(HDC screen, HBITMAP bitmap, UINT count)
{
    RGBQUAD* table = (RGBQUAD*)zeroAlloc(count * sizeof(RGBQUAD));
    LOGPALETTE* record = (LOGPALETTE*)zeroAlloc(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    HPALETTE result = nullptr;
    if (table && record) {
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        GetDIBColorTable(memory, 0, count, table);
        record->palVersion = 0x300;
        record->palNumEntries = (WORD)count;
        for (UINT i = 0; i < count; ++i) {
            record->palPalEntry[i].peRed = table[i].rgbRed;
            record->palPalEntry[i].peGreen = table[i].rgbGreen;
            record->palPalEntry[i].peBlue = table[i].rgbBlue;
            record->palPalEntry[i].peFlags = 0;
        }
        result = CreatePalette(record);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    zeroFree(record);
    zeroFree(table);
    return result;
}

int PaletteBitmap::Attach(HBITMAP handle, int withPalette, int left, int top)
{
    Release();
    if (!handle) return 0;
    bitmap = handle;
    usePalette = withPalette;
    x = left;
    y = top;
    if (!usePalette) {
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        width = info.bmWidth;
        height = info.bmHeight;
        return 1;
    }
    DIBSECTION section = {};
    GetObjectA(bitmap, sizeof section, &section);
    width = section.dsBm.bmWidth;
    height = section.dsBm.bmHeight;
    UINT colours = section.dsBmih.biClrUsed;
    if (colours == 0) colours = section.dsBmih.biBitCount < 32 ? 1u << section.dsBmih.biBitCount : 0u;
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    // Zero colours stands for 2^32 and more: no table could hold them, so halftone as above 256.
    if (colours == 0 || colours > 256)
        palette = CreateHalftonePalette(screen);
    else
        palette = PaletteFromColourTable(screen, bitmap, colours);
    ReleaseDC(desktop, screen);
    return 1;
}

void PaletteBitmap::Release()
{
    if (bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (palette) {
        DeleteObject(palette);
        palette = nullptr;
    }
}

void PaletteBitmap::Paint(HDC dc) const
{
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previousBitmap = SelectObject(memory, bitmap);
    HPALETTE previousPalette = nullptr;
    bool selected = false;
    if (usePalette && palette && (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE)) {
        previousPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
        selected = true;
    }
    BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previousBitmap);
    DeleteDC(memory);
    if (selected) SelectPalette(dc, previousPalette, FALSE);
}
