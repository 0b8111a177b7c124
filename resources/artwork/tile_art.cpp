#include "resources/artwork/tile_art.h"

#include <algorithm>
#include <cmath>

const TileFace TileFaces[TileFaceCount] = {
    {102, {50, 50, 50}},    {103, {128, 128, 128}}, {104, {245, 245, 245}}, {105, {255, 255, 127}},
    {106, {128, 255, 127}}, {107, {128, 127, 255}}, {108, {255, 51, 51}},
};

namespace {

// Per bevel ring, outermost first: how far the lit side goes towards white
// and how much of the face colour the shaded side keeps.
constexpr double LightShare[TileBevel] = {0.45, 0.37, 0.29, 0.21, 0.13};
constexpr double ShadeShare[TileBevel] = {0.36, 0.46, 0.56, 0.66, 0.76};

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
