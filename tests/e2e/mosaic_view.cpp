#include "mosaic_view.h"

#include <algorithm>
#include <string>

namespace {

// The face of a 128-pixel tile spans pixels 15 to 112; scaled tiles keep the
// proportion.
int FaceStart(int tile) {
    return tile * 15 / 128;
}
int FaceEnd(int tile) {
    return tile * 112 / 128;
}

}  // namespace

std::vector<CellView> VisibleCells(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int tile = width > 640 && height > 480 ? 128 : 16;  // as the saver picks it
    const int columns = width / tile + 2;
    const int rows = height / tile + 2;
    const int originX = (width % tile) / 2 - tile;
    const int originY = (height % tile) / 2 - tile;

    std::vector<CellView> cells;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int x = area.left + originX + column * tile;
            const int y = area.top + originY + row * tile;
            const int faceLeft = std::max<int>(x + FaceStart(tile), area.left);
            const int faceRight = std::min<int>(x + FaceEnd(tile), area.right - 1);
            const int faceTop = std::max<int>(y + FaceStart(tile), area.top);
            const int faceBottom = std::min<int>(y + FaceEnd(tile), area.bottom - 1);
            if (faceLeft > faceRight || faceTop > faceBottom) continue;
            CellView cell;
            cell.Cell = {x, y, x + tile, y + tile};
            cell.Sample = {std::clamp(x + tile / 2, faceLeft, faceRight), std::clamp(y + tile / 2, faceTop, faceBottom)};
            cell.Whole = x >= area.left && y >= area.top && x + tile <= area.right && y + tile <= area.bottom;
            cells.push_back(cell);
        }
    }
    return cells;
}

std::vector<size_t> PaintedCells(const Screenshot& shot, const std::vector<CellView>& cells, Rgb background) {
    std::vector<size_t> painted;
    for (size_t i = 0; i < cells.size(); ++i)
        if (shot.At(cells[i].Sample.x, cells[i].Sample.y) != background) painted.push_back(i);
    return painted;
}

std::vector<Rgb> TilePixels(int id) {
    std::vector<Rgb> pixels;
    const std::string path = RESOURCES_DIR "/tile" + std::to_string(id) + ".bmp";
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap) return pixels;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 128, -128, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> raw(128 * 128);
    HDC screen = GetDC(nullptr);
    if (GetDIBits(screen, bitmap, 0, 128, raw.data(), &info, DIB_RGB_COLORS) == 128)
        for (uint32_t p : raw) pixels.push_back({static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p)});
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return pixels;
}
