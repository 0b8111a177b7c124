#include "screen_reader.h"

Rgb Screenshot::At(int x, int y) const {
    const int width = Area.right - Area.left;
    const uint32_t pixel = Pixels[static_cast<size_t>(y - Area.top) * width + (x - Area.left)];
    return {static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel)};
}

Screenshot CaptureScreen(const RECT& area) {
    Screenshot shot;
    shot.Area = area;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && section && bits) {
        HGDIOBJ replaced = SelectObject(memory, section);
        shot.Taken = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != 0;
        GdiFlush();
        const uint32_t* pixels = static_cast<const uint32_t*>(bits);
        shot.Pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
        for (uint32_t& pixel : shot.Pixels) pixel &= 0x00FFFFFF;
        SelectObject(memory, replaced);
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}
