#include "mosaic_view.h"

#include <algorithm>

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

int TileSizeFor(int width, int height) {
    return width > 640 && height > 480 ? 128 : 16;
}

std::vector<CellView> VisibleCells(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int tile = TileSizeFor(width, height);
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

const std::vector<Rgb>& FaceColours() {
    static const std::vector<Rgb> faces = {{50, 50, 50},    {128, 128, 128}, {245, 245, 245}, {255, 255, 127},
                                           {128, 255, 127}, {128, 127, 255}, {255, 51, 51}};
    return faces;
}

bool IsFaceColour(Rgb colour) {
    const auto& faces = FaceColours();
    return std::find(faces.begin(), faces.end(), colour) != faces.end();
}

std::vector<size_t> PaintedCells(const Screenshot& shot, const std::vector<CellView>& cells, Rgb background) {
    std::vector<size_t> painted;
    for (size_t i = 0; i < cells.size(); ++i)
        if (shot.At(cells[i].Sample.x, cells[i].Sample.y) != background) painted.push_back(i);
    return painted;
}
