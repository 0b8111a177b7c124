// What a window or the screen shows, read back as the user would see it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "resources/artwork/tile_art.h"

inline bool operator!=(Rgb a, Rgb b) {
    return !(a == b);
}
inline std::ostream& operator<<(std::ostream& out, Rgb c) {
    return out << int(c.R) << ',' << int(c.G) << ',' << int(c.B);
}

constexpr Rgb White = {255, 255, 255};
constexpr Rgb Black = {0, 0, 0};

// The tile image (102 to 108) whose face shows colour; 0 for none.
int TileIdOfFace(Rgb colour);
inline bool IsFaceColour(Rgb colour) {
    return TileIdOfFace(colour) != 0;
}

// A rectangle of a window's client area, or of the screen.
struct Screenshot {
    RECT Area{};
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, rows top to bottom
    bool Taken = false;

    // The pixel at (x, y) inside Area, in the coordinates Area is given in.
    Rgb At(int x, int y) const;
};

// Copies what the screen shows inside area, in screen coordinates.
Screenshot CaptureScreen(const RECT& area);
// Copies the whole client area of a window, in client coordinates.
Screenshot CaptureClient(HWND window);

// Pixels inside rect (cut to the shot) that do not show colour.
int PixelsOtherThan(const Screenshot& shot, const RECT& rect, Rgb colour);

// Writes the shot as a BMP file for people to look at.
bool SaveBitmap(const Screenshot& shot, const std::string& path);
