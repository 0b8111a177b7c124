// A tile image as pixels, for programs that draw it themselves instead of
// loading the bitmap files.
#pragma once
#include <vector>

#include "resources/artwork/tile_art.h"

// size x size pixels, row by row from the top-left. The artwork is drawn at
// full size; a smaller size that divides it is the average of each block of
// full-size pixels, so a small tile looks like the large one seen from afar.
std::vector<Rgb> TilePixels(Rgb face, int size);

// Each size x size block of source (width x width pixels) to its mean,
// rounded; width must be a multiple of size.
std::vector<Rgb> ReduceByAveraging(const std::vector<Rgb>& source, int width, int size);
