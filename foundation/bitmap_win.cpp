// Colour bitmaps from resources: loading with a palette, drawing.
#include <new>
#include "window.h"

// A bitmap resource locked in memory: an information header, the colour
// table and the pixel bits.
class BitmapResource {
public:
    // (A resource needs no freeing on Win32: it lives as long as its module.)
    BitmapResource(HINSTANCE module, char* name) : data(nullptr), size(0) {
        HRSRC found = FindResourceA(module, name, (LPCSTR)RT_BITMAP);
        HGLOBAL handle = found ? LoadResource(module, found) : nullptr;
        if (handle) {
            data = (const BYTE*)LockResource(handle);
            size = SizeofResource(module, found);
        }
    }
    BitmapResource(const BitmapResource&) = delete;
    BitmapResource& operator=(const BitmapResource&) = delete;

    const BITMAPINFOHEADER* header() const { return (const BITMAPINFOHEADER*)data; }
    // Colour count: 2 to the bits per pixel up to 8 bits, else 0 (the
    // header's count of colours used is not consulted).
    unsigned colours() const { return header()->biBitCount <= 8 ? 1u << header()->biBitCount : 0; }
    const RGBQUAD* table() const { return (const RGBQUAD*)(data + header()->biSize); }
    const BYTE* bits() const { return data + header()->biSize + colours() * sizeof(RGBQUAD); }

    // 1 when the header, the colour table and (for uncompressed bitmaps) the
    // pixel rows all lie inside the resource, so nothing is read past it.
    // Bitmaps of more than 32 bits a pixel, or 2^27 pixels wide or more, are
    // refused: none is valid or could fit, and the row's size stays in 32 bits.
    int whole() const {
        if (!data || size < sizeof(BITMAPINFOHEADER) || header()->biSize < sizeof(BITMAPINFOHEADER) ||
            header()->biSize > size)
            return 0;
        DWORD start = header()->biSize + colours() * sizeof(RGBQUAD);
        if (start > size)
            return 0;
        if (header()->biCompression != BI_RGB)
            return 1;
        LONG width = header()->biWidth, height = header()->biHeight;
        DWORD bits = header()->biBitCount;
        if (width <= 0 || height == 0 || bits > 32 || width >= 0x8000000)
            return 0;
        DWORD row = ((DWORD)width * bits + 31) / 32 * 4;
        DWORD rows = height < 0 ? 0u - (DWORD)height : (DWORD)height;
        return row == 0 || rows <= (size - start) / row;
    }

private:
    const BYTE* data;
    DWORD size;
};

// A palette of the resource's colour table, each entry with flags 0.
static HPALETTE table_palette(const BitmapResource& resource) {
    unsigned count = resource.colours();
    size_t bytes = sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY);
    LOGPALETTE* logical = (LOGPALETTE*)new (std::nothrow) BYTE[bytes];
    if (!logical)
        return nullptr;
    logical->palVersion = 0x300;
    logical->palNumEntries = (WORD)count;
    const RGBQUAD* table = resource.table();
    for (unsigned i = 0; i < count; i++)
        logical->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    HPALETTE palette = CreatePalette(logical);
    delete[] (BYTE*)logical;
    return palette;
}

HBITMAP LoadColorBitmap(HINSTANCE module, char* name, HPALETTE* palette) {
    BitmapResource resource(module, name);
    if (!resource.whole())
        return nullptr;
    if (palette && !*palette && resource.colours())
        *palette = table_palette(resource);
    HDC screen = GetDC(nullptr);
    HPALETTE previous = nullptr;
    if (palette && *palette) {
        previous = SelectPalette(screen, *palette, FALSE);
        RealizePalette(screen);
    }
    const BITMAPINFOHEADER* header = resource.header();
    HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, resource.bits(),
                                    (const BITMAPINFO*)header, DIB_RGB_COLORS);
    if (previous)
        SelectPalette(screen, previous, FALSE);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Tiles stop at this many logical units each way.
enum { kTileLimit = 2048 };

void DrawColorBitmap(HWND, HDC dc, HBITMAP bitmap, int x, int y, HPALETTE palette, int flags) {
    BITMAP info;
    if (!GetObjectA(bitmap, sizeof info, &info))
        return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    SetMapMode(memory, GetMapMode(dc));
    POINT size = {info.bmWidth, info.bmHeight};
    DPtoLP(dc, &size, 1);
    POINT origin = {0, 0};
    DPtoLP(memory, &origin, 1);
    HPALETTE old_palette = nullptr;
    if (palette) {
        old_palette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    DWORD operation = (flags & kDrawOr) ? SRCPAINT : SRCCOPY;
    if (flags & kDrawCentred) {
        x -= info.bmWidth / 2;
        y -= info.bmHeight / 2;
    }
    if (!(flags & kDrawTiled)) {
        BitBlt(dc, x, y, size.x, size.y, memory, origin.x, origin.y, operation);
    } else if (size.x > 0 && size.y > 0) {
        // A bitmap of no logical size (or one that the mapping mode turns
        // upside down) would never advance: nothing is tiled then.
        for (int top = 0; top < kTileLimit; top += size.y)
            for (int left = 0; left < kTileLimit; left += size.x)
                BitBlt(dc, left, top, size.x, size.y, memory, origin.x, origin.y, operation);
    }
    if (old_palette)
        SelectPalette(dc, old_palette, FALSE);
    SelectObject(memory, old_bitmap);
    DeleteDC(memory);
}
