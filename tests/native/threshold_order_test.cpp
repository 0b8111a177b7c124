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
    std::vector<int> Reads;   // ids in the order they were read
    std::vector<int> Writes;  // ids in the order they were written
};

int Read(void* context, int id) {
    auto* sliders = static_cast<Sliders*>(context);
    sliders->Reads.push_back(id);
    return sliders->Values.at(id - First);
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
        Sliders sliders{c.Before, {}, {}};
        sliders.Values.at(c.Moved - First) = c.NewPosition;
        FollowThreshold(sliders, c.Moved);
        EXPECT_EQ(sliders.Values, c.After) << c.Name;
    }
}

TEST(OrderThresholds, LeavesTwoOtherSlidersOutOfOrderWithEachOther) {
    // 1004 and 1005 disagree with each other but not with 1007, which notifies.
    Sliders sliders{{2, 30, 20, 25, 40, 64}, {}, {}};
    FollowThreshold(sliders, 1007);
    EXPECT_EQ(sliders.Values, (Positions{2, 30, 20, 25, 40, 64}));
    EXPECT_TRUE(sliders.Writes.empty());

    // When 1005 notifies, 1004 comes down to it; 1006 was already above it.
    FollowThreshold(sliders, 1005);
    EXPECT_EQ(sliders.Values, (Positions{2, 20, 20, 25, 40, 64}));
}

TEST(OrderThresholds, NeverMovesTheNotifyingSliderAndWritesOnlyWhatChanges) {
    Sliders sliders{{2, 4, 8, 3, 32, 64}, {}, {}};
    FollowThreshold(sliders, 1006);
    EXPECT_EQ(sliders.Values, (Positions{2, 3, 3, 3, 32, 64}));
    EXPECT_EQ(sliders.Writes, (std::vector<int>{1004, 1005}));
}

TEST(OrderThresholds, ReadsTheMovedPositionOnceThenEachOtherInAscendingOrder) {
    Sliders sliders{{2, 4, 8, 16, 32, 64}, {}, {}};
    OrderThresholds(AccessTo(sliders), 1005, First, Last, +1);
    EXPECT_EQ(sliders.Reads, (std::vector<int>{1005, 1003, 1004, 1006, 1007, 1008}));
}

TEST(OrderThresholds, DirectionDecidesWhichSideIsPulled) {
    // Over the whole range only one side may move: -1 lowers, +1 raises.
    Sliders lowering{{50, 10, 60, 5, 70, 20}, {}, {}};
    OrderThresholds(AccessTo(lowering), 1006, First, Last, -1);
    EXPECT_EQ(lowering.Values, (Positions{5, 5, 5, 5, 5, 5}));

    Sliders raising{{50, 10, 60, 5, 70, 20}, {}, {}};
    OrderThresholds(AccessTo(raising), 1006, First, Last, +1);
    EXPECT_EQ(raising.Values, (Positions{50, 10, 60, 5, 70, 20}));
    raising.Values = {50, 10, 60, 30, 70, 20};
    OrderThresholds(AccessTo(raising), 1006, First, Last, +1);
    EXPECT_EQ(raising.Values, (Positions{50, 30, 60, 30, 70, 30}));
}

TEST(OrderThresholds, DoesNothingWhenFirstIsPastLast) {
    Sliders sliders{{9, 8, 7, 6, 5, 4}, {}, {}};
    OrderThresholds(AccessTo(sliders), 1005, 1006, 1005, -1);
    EXPECT_EQ(sliders.Values, (Positions{9, 8, 7, 6, 5, 4}));
    EXPECT_TRUE(sliders.Reads.empty());
    EXPECT_TRUE(sliders.Writes.empty());
}

TEST(OrderThresholds, ComparesSignedPositions) {
    Sliders sliders{{-3, 4, 8, 16, 32, 64}, {}, {}};
    sliders.Values[2] = -1;
    FollowThreshold(sliders, 1005);
    EXPECT_EQ(sliders.Values, (Positions{-3, -1, -1, 16, 32, 64}));
}

}  // namespace
