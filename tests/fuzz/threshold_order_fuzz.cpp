// Six arbitrary slider positions and a moved slider: the moved one never
// moves, the others only move to its position, and six ascending positions
// stay ascending.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "resources/resource_ids.h"
#include "settings/threshold_order.h"

namespace {

constexpr int FirstId = IDC_THRESHOLD_0;
constexpr int Count = 6;

int Read(void* context, int id) {
    return static_cast<int*>(context)[id - FirstId];
}

void Write(void* context, int id, int position) {
    static_cast<int*>(context)[id - FirstId] = position;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < Count + 1) return 0;
    int positions[Count];
    for (int k = 0; k < Count; ++k) positions[k] = data[k] % 128;
    const int movedIndex = data[Count] % Count;
    const int moved = FirstId + movedIndex;
    int before[Count];
    std::copy(positions, positions + Count, before);

    const PositionAccess access{positions, Read, Write};
    OrderThresholds(access, moved, FirstId, moved, -1);
    OrderThresholds(access, moved, moved, FirstId + Count - 1, +1);

    const int p = before[movedIndex];
    Check(positions[movedIndex] == p);
    for (int k = 0; k < Count; ++k) {
        Check(positions[k] == before[k] || positions[k] == p);
        if (k < movedIndex) Check(positions[k] <= p);
        if (k > movedIndex) Check(positions[k] >= p);
    }
    if (std::is_sorted(before, before + Count)) Check(std::is_sorted(positions, positions + Count));
    return 0;
}
