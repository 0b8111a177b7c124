#include "screen_pixels.h"

#include <algorithm>

#include "saved_state.h"

Rgb Screenshot::At(int x, int y) const {
    const int width = Area.right - Area.left;
    const uint32_t pixel = Pixels[static_cast<size_t>(y - Area.top) * width + (x - Area.left)];
    return {static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel)};
}

namespace {

// BitBlt from a device context (a window's, or the screen's for null) into a
// top-down 32-bit section.
Screenshot Capture(HWND window, const RECT& area) {
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

    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && section && bits) {
        HGDIOBJ replaced = SelectObject(memory, section);
        shot.Taken = BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY) != 0;
        GdiFlush();
        const uint32_t* pixels = static_cast<const uint32_t*>(bits);
        shot.Pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
        for (uint32_t& pixel : shot.Pixels) pixel &= 0x00FFFFFF;
        SelectObject(memory, replaced);
    }
    if (section) DeleteObject(section);
    if (memory) DeleteDC(memory);
    ReleaseDC(window, source);
    return shot;
}

}  // namespace

int TileIdOfFace(Rgb colour) {
    for (const TileFace& tile : TileFaces)
        if (colour == tile.Face) return tile.Id;
    return 0;
}

Screenshot CaptureScreen(const RECT& area) {
    return Capture(nullptr, area);
}

Screenshot CaptureClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return Capture(window, client);
}

int PixelsOtherThan(const Screenshot& shot, const RECT& rect, Rgb colour) {
    int count = 0;
    for (int y = std::max(rect.top, shot.Area.top); y < std::min(rect.bottom, shot.Area.bottom); ++y)
        for (int x = std::max(rect.left, shot.Area.left); x < std::min(rect.right, shot.Area.right); ++x)
            if (shot.At(x, y) != colour) ++count;
    return count;
}

bool SaveBitmap(const Screenshot& shot, const std::string& path) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = shot.Area.right - shot.Area.left;
    info.biHeight = -(shot.Area.bottom - shot.Area.top);  // rows top to bottom, as taken
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biSizeImage = static_cast<DWORD>(shot.Pixels.size() * 4);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(reinterpret_cast<const char*>(shot.Pixels.data()), info.biSizeImage);
    return shot.Taken && WriteTextFile(path, bytes);
}
