// Free of windows.h, so it builds and is tested natively.
// Keeps the six loudness thresholds ascending around the one that moved.
// Positions are read and written through the caller's accessors, so the
// dialog's trackbars and a plain array both fit.
#pragma once

using ReadPositionFn = int (*)(void* context, int id);
using WritePositionFn = void (*)(void* context, int id, int position);

struct PositionAccess {
    void* Context;
    ReadPositionFn Read;
    WritePositionFn Write;
};

// Reads the moved position once; then, for every id from first to last except
// moved, direction -1 lowers a position above it to it and +1 raises a
// position below it to it. Nothing happens when first > last.
void OrderThresholds(const PositionAccess& access, int moved, int first, int last, int direction);
