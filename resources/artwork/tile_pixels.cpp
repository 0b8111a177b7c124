#include "resources/artwork/tile_pixels.h"

std::vector<Rgb> ReduceByAveraging(const std::vector<Rgb>& source, int width, int size) {
    const int block = width / size;
    const int area = block * block;
    std::vector<Rgb> target(size * size);
    for (int ty = 0; ty < size; ++ty) {
        for (int tx = 0; tx < size; ++tx) {
            int r = 0, g = 0, b = 0;
            for (int y = ty * block; y < (ty + 1) * block; ++y) {
                for (int x = tx * block; x < (tx + 1) * block; ++x) {
                    const Rgb& p = source[y * width + x];
                    r += p.R;
                    g += p.G;
                    b += p.B;
                }
            }
            target[ty * size + tx] = {static_cast<uint8_t>((r + area / 2) / area),
                                      static_cast<uint8_t>((g + area / 2) / area),
                                      static_cast<uint8_t>((b + area / 2) / area)};
        }
    }
    return target;
}

std::vector<Rgb> TilePixels(Rgb face, int size) {
    std::vector<Rgb> full(TileImageSize * TileImageSize);
    for (int y = 0; y < TileImageSize; ++y)
        for (int x = 0; x < TileImageSize; ++x) full[y * TileImageSize + x] = TileArtPixel(face, TileImageSize, x, y);
    return size == TileImageSize ? full : ReduceByAveraging(full, TileImageSize, size);
}
