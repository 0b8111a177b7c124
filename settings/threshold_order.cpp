#include "settings/threshold_order.h"

namespace {

bool OutOfOrder(int position, int moved, int direction) {
    return direction < 0 ? position > moved : position < moved;
}

}  // namespace

void OrderThresholds(const PositionAccess& access, int moved, int first, int last, int direction) {
    if (first > last) return;
    const int movedPosition = access.Read(access.Context, moved);
    for (int id = first; id <= last; ++id) {
        if (id == moved) continue;
        // Writing only what is out of order keeps each redraw, and the
        // notification it brings, to the sliders that really move.
        if (OutOfOrder(access.Read(access.Context, id), movedPosition, direction))
            access.Write(access.Context, id, movedPosition);
    }
}
