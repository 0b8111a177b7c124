// The tile grid of a saver window as it shows on the screen: where each cell
// lies and which pixel of it shows the tile's face.
#pragma once
#include <windows.h>

#include <vector>

#include "resources/resource_ids.h"
#include "tests/shared/screen_pixels.h"

struct CellView {
    RECT Cell;      // the whole cell in screen coordinates, may reach past the area
    POINT Sample;   // a face pixel of the cell inside the area
    bool Whole;     // the cell lies wholly inside the area
};

// Every cell of the grid laid out for area (screen coordinates) that shows
// some of its face inside the area.
std::vector<CellView> VisibleCells(const RECT& area);

// The 128 x 128 pixels of tile image id (IDB_TILE_0 to IDB_TILE_6), rows top to bottom,
// from the committed artwork; empty when it cannot be read.
std::vector<Rgb> TilePixels(int id);

// Cells whose face sample no longer shows the background.
std::vector<size_t> PaintedCells(const Screenshot& shot, const std::vector<CellView>& cells, Rgb background);
