// The ordering rule of the six threshold sliders, over plain arrays.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "settings/threshold_order.h"

namespace {

constexpr int First = 1003;
constexpr int Last = 1008;
using Positions = std::array<int, 6>;

struct Sliders {
    Positions Values;
    std::vector<int> Writes;  // ids in the order they were written
};

int Read(void* context, int id) {
    return static_cast<Sliders*>(context)->Values.at(id - First);
}

void Write(void* context, int id, int position) {
    auto* sliders = static_cast<Sliders*>(context);
    sliders->Writes.push_back(id);
    sliders->Values.at(id - First) = position;
}

PositionAccess AccessTo(Sliders& sliders) {
    return PositionAccess{&sliders, Read, Write};
}

// What the dialog does when threshold slider `moved` notifies.
void FollowThreshold(Sliders& sliders, int moved) {
    OrderThresholds(AccessTo(sliders), moved, First, moved, -1);
    OrderThresholds(AccessTo(sliders), moved, moved, Last, +1);
}

struct MoveCase {
    const char* Name;
    Positions Before;
    int Moved;
    int NewPosition;
    Positions After;
};

TEST(OrderThresholds, KeepsTheSixAscendingAroundTheMovedSlider) {
    const MoveCase cases[] = {
        {"fourth down to 5", {2, 4, 8, 16, 32, 64}, 1006, 5, {2, 4, 5, 5, 32, 64}},
        {"first up to 100", {2, 4, 8, 16, 32, 64}, 1003, 100, {100, 100, 100, 100, 100, 100}},
        {"last down to 0", {2, 4, 8, 16, 32, 64}, 1008, 0, {0, 0, 0, 0, 0, 0}},
        {"fourth up to 40", {2, 4, 8, 16, 32, 64}, 1006, 40, {2, 4, 8, 40, 40, 64}},
        {"third to 127", {2, 4, 8, 16, 32, 64}, 1005, 127, {2, 4, 127, 127, 127, 127}},
        {"second to 0", {2, 4, 8, 16, 32, 64}, 1004, 0, {0, 0, 8, 16, 32, 64}},
        {"move within its gap", {2, 4, 8, 16, 32, 64}, 1005, 10, {2, 4, 10, 16, 32, 64}},
        {"equal neighbours stay", {5, 5, 5, 5, 5, 5}, 1005, 5, {5, 5, 5, 5, 5, 5}},
    };
    for (const MoveCase& c : cases) {
        Sliders sliders{c.Before, {}};
        sliders.Values.at(c.Moved - First) = c.NewPosition;
        FollowThreshold(sliders, c.Moved);
        EXPECT_EQ(sliders.Values, c.After) << c.Name;
    }
}

TEST(OrderThresholds, LeavesTwoOtherSlidersOutOfOrderWithEachOther) {
    // 1004 and 1005 disagree with each other but not with 1007, which notifies.
    Sliders sliders{{2, 30, 20, 25, 40, 64}, {}};
    FollowThreshold(sliders, 1007);
    EXPECT_EQ(sliders.Values, (Positions{2, 30, 20, 25, 40, 64}));
    EXPECT_TRUE(sliders.Writes.empty());

    // When 1005 notifies, 1004 comes down to it; 1006 was already above it.
    FollowThreshold(sliders, 1005);
    EXPECT_EQ(sliders.Values, (Positions{2, 20, 20, 25, 40, 64}));
}

TEST(OrderThresholds, NeverMovesTheNotifyingSliderAndWritesOnlyWhatChanges) {
    Sliders sliders{{2, 4, 8, 3, 32, 64}, {}};
    FollowThreshold(sliders, 1006);
    EXPECT_EQ(sliders.Values, (Positions{2, 3, 3, 3, 32, 64}));
    EXPECT_EQ(sliders.Writes, (std::vector<int>{1004, 1005}));
}

}  // namespace
