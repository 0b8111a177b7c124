// What is on the screen, read back as the user would see it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct Rgb {
    BYTE R, G, B;
};

inline bool operator==(Rgb a, Rgb b) {
    return a.R == b.R && a.G == b.G && a.B == b.B;
}
inline bool operator!=(Rgb a, Rgb b) {
    return !(a == b);
}
inline std::ostream& operator<<(std::ostream& out, Rgb c) {
    return out << int(c.R) << ',' << int(c.G) << ',' << int(c.B);
}

constexpr Rgb White = {255, 255, 255};
constexpr Rgb Black = {0, 0, 0};

// A rectangle of the screen, in screen coordinates.
struct Screenshot {
    RECT Area{};
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, rows top to bottom
    bool Taken = false;

    // The pixel at screen coordinates (x, y) inside Area.
    Rgb At(int x, int y) const;
};

// Copies what the screen shows inside area (GetDC of the desktop, BitBlt).
Screenshot CaptureScreen(const RECT& area);

// Pixels inside rect (screen coordinates, cut to the shot) that do not show colour.
int PixelsOtherThan(const Screenshot& shot, const RECT& rect, Rgb colour);

// Writes the shot as a BMP file for people to look at.
bool SaveBitmap(const Screenshot& shot, const std::string& path);
