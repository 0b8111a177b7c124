// The ordering rule of the six threshold sliders, over plain arrays.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "resources/resource_ids.h"
#include "settings/threshold_order.h"

namespace {

constexpr int First = IDC_THRESHOLD_0;
constexpr int Last = IDC_THRESHOLD_5;
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
        {"fourth down to 5", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_3, 5, {2, 4, 5, 5, 32, 64}},
        {"first up to 100", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_0, 100, {100, 100, 100, 100, 100, 100}},
        {"last down to 0", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_5, 0, {0, 0, 0, 0, 0, 0}},
        {"fourth up to 40", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_3, 40, {2, 4, 8, 40, 40, 64}},
        {"third to 127", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_2, 127, {2, 4, 127, 127, 127, 127}},
        {"second to 0", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_1, 0, {0, 0, 8, 16, 32, 64}},
        {"move within its gap", {2, 4, 8, 16, 32, 64}, IDC_THRESHOLD_2, 10, {2, 4, 10, 16, 32, 64}},
        {"equal neighbours stay", {5, 5, 5, 5, 5, 5}, IDC_THRESHOLD_2, 5, {5, 5, 5, 5, 5, 5}},
    };
    for (const MoveCase& c : cases) {
        Sliders sliders{c.Before, {}};
        sliders.Values.at(c.Moved - First) = c.NewPosition;
        FollowThreshold(sliders, c.Moved);
        EXPECT_EQ(sliders.Values, c.After) << c.Name;
    }
}

TEST(OrderThresholds, LeavesTwoOtherSlidersOutOfOrderWithEachOther) {
    // IDC_THRESHOLD_1 and IDC_THRESHOLD_2 disagree with each other but not with IDC_THRESHOLD_4, which notifies.
    Sliders sliders{{2, 30, 20, 25, 40, 64}, {}};
    FollowThreshold(sliders, IDC_THRESHOLD_4);
    EXPECT_EQ(sliders.Values, (Positions{2, 30, 20, 25, 40, 64}));
    EXPECT_TRUE(sliders.Writes.empty());

    // When IDC_THRESHOLD_2 notifies, IDC_THRESHOLD_1 comes down to it; IDC_THRESHOLD_3 was already above it.
    FollowThreshold(sliders, IDC_THRESHOLD_2);
    EXPECT_EQ(sliders.Values, (Positions{2, 20, 20, 25, 40, 64}));
}

TEST(OrderThresholds, NeverMovesTheNotifyingSliderAndWritesOnlyWhatChanges) {
    Sliders sliders{{2, 4, 8, 3, 32, 64}, {}};
    FollowThreshold(sliders, IDC_THRESHOLD_3);
    EXPECT_EQ(sliders.Values, (Positions{2, 3, 3, 3, 32, 64}));
    EXPECT_EQ(sliders.Writes, (std::vector<int>{IDC_THRESHOLD_1, IDC_THRESHOLD_2}));
}

}  // namespace
