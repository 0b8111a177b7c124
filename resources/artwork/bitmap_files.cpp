#include "resources/artwork/bitmap_files.h"

#include <algorithm>

namespace {

constexpr int InfoHeaderSize = 40;
constexpr int FileHeaderSize = 14;
constexpr int PaletteEntries = 256;

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

int RowBytes(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

void PutInfoHeader(Bytes& out, int width, int height, int bitsPerPixel, uint32_t imageSize, int32_t ppm,
                   uint32_t colours) {
    Put32(out, InfoHeaderSize);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);  // planes
    Put16(out, static_cast<uint32_t>(bitsPerPixel));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageSize);
    Put32(out, static_cast<uint32_t>(ppm));
    Put32(out, static_cast<uint32_t>(ppm));
    Put32(out, colours);
    Put32(out, 0);  // all colours important
}

std::vector<Rgb> DrawButton(Rgb face, int size) {
    std::vector<Rgb> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(TileArtPixel(face, size, x, y));
    return pixels;
}

// The icon: four tiles, quiet to loud, in a square.
std::vector<Rgb> DrawIconImage(int size) {
    const Rgb corners[4] = {TileFaces[0].Face, TileFaces[3].Face, TileFaces[4].Face, TileFaces[6].Face};
    const int half = size / 2;
    std::vector<Rgb> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            pixels.push_back(TileArtPixel(corners[(y / half) * 2 + x / half], half, x % half, y % half));
    return pixels;
}

// Palette of the distinct colours in order of first appearance, padded with black.
std::vector<Rgb> PaletteOf(const std::vector<Rgb>& pixels) {
    std::vector<Rgb> palette;
    for (Rgb p : pixels)
        if (std::find(palette.begin(), palette.end(), p) == palette.end()) palette.push_back(p);
    palette.resize(PaletteEntries, Rgb{0, 0, 0});
    return palette;
}

uint8_t PaletteIndex(const std::vector<Rgb>& palette, Rgb colour) {
    return static_cast<uint8_t>(std::find(palette.begin(), palette.end(), colour) - palette.begin());
}

void PutPalette(Bytes& out, const std::vector<Rgb>& palette) {
    for (Rgb c : palette) {
        out.push_back(c.B);
        out.push_back(c.G);
        out.push_back(c.R);
        out.push_back(0);
    }
}

// Rows bottom-up, each padded to four bytes.
void PutPixels(Bytes& out, const std::vector<Rgb>& pixels, int size, int bitsPerPixel,
               const std::vector<Rgb>& palette) {
    const int padding = RowBytes(size, bitsPerPixel) - size * bitsPerPixel / 8;
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            Rgb p = pixels[y * size + x];
            if (bitsPerPixel == 8) {
                out.push_back(PaletteIndex(palette, p));
            } else {
                out.push_back(p.B);
                out.push_back(p.G);
                out.push_back(p.R);
            }
        }
        out.insert(out.end(), padding, 0);
    }
}

Bytes EncodeIconImage(int size) {
    const std::vector<Rgb> pixels = DrawIconImage(size);
    const std::vector<Rgb> palette = PaletteOf(pixels);
    const uint32_t colourBytes = RowBytes(size, 8) * size;
    const uint32_t maskBytes = RowBytes(size, 1) * size;
    Bytes out;
    // An icon image's header counts the colour and mask rows together.
    PutInfoHeader(out, size, size * 2, 8, colourBytes + maskBytes, 0, PaletteEntries);
    PutPalette(out, palette);
    PutPixels(out, pixels, size, 8, palette);
    out.insert(out.end(), maskBytes, 0);  // fully opaque
    return out;
}

}  // namespace

Bytes EncodeTileBitmap(const TileFace& tile, int bitsPerPixel, int32_t pixelsPerMetre) {
    const std::vector<Rgb> pixels = DrawButton(tile.Face, TileImageSize);
    const bool paletted = bitsPerPixel == 8;
    const std::vector<Rgb> palette = paletted ? PaletteOf(pixels) : std::vector<Rgb>();
    const uint32_t imageSize = RowBytes(TileImageSize, bitsPerPixel) * TileImageSize;
    const uint32_t offset = FileHeaderSize + InfoHeaderSize + (paletted ? PaletteEntries * 4 : 0);

    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageSize);
    Put32(out, 0);
    Put32(out, offset);
    PutInfoHeader(out, TileImageSize, TileImageSize, bitsPerPixel, imageSize, pixelsPerMetre,
                  paletted ? PaletteEntries : 0);
    if (paletted) PutPalette(out, palette);
    PutPixels(out, pixels, TileImageSize, bitsPerPixel, palette);
    return out;
}

Bytes EncodeProgramIcon() {
    const int sizes[] = {48, 32, 16};
    std::vector<Bytes> images;
    for (int size : sizes) images.push_back(EncodeIconImage(size));

    Bytes out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, 3);
    uint32_t offset = 6 + 16 * 3;
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(0);  // 256 colours
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 8);
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}
