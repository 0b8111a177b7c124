#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "mosaic/tile_grid.h"

namespace {

struct LayoutCase {
    int32_t Width, Height;
    int32_t Tile, Columns, Rows, OriginX, OriginY;
};

TEST(LayoutTileGrid, ChoosesTileSizeAndCoversTheArea) {
    const LayoutCase cases[] = {
        {1920, 1080, 128, 17, 10, -128, -100},
        {152, 112, 16, 11, 9, -12, -16},   // the preview pane
        {640, 480, 16, 42, 32, -16, -16},  // both must be strictly greater
        {641, 481, 128, 7, 5, -128, -80},
        {1024, 480, 16, 66, 32, -16, -16},
        {640, 1024, 16, 42, 66, -16, -16},
        {0, 0, 16, 2, 2, -16, -16},
        {17, 33, 16, 3, 4, -16, -16},      // width mod 16 is 1: half of it rounds down
        {145, 112, 16, 11, 9, -16, -16},   // the first column wholly outside, the last shows one pixel
    };
    for (const LayoutCase& c : cases) {
        TileGrid grid;
        VisitOrder order{};
        ASSERT_TRUE(LayoutTileGrid(grid, order, c.Width, c.Height));
        EXPECT_EQ(grid.TileWidth, c.Tile) << c.Width << "x" << c.Height;
        EXPECT_EQ(grid.TileHeight, c.Tile);
        EXPECT_EQ(grid.SlotCount, c.Columns * c.Rows) << c.Width << "x" << c.Height;
        EXPECT_EQ(order.Slots[0].X, c.OriginX) << c.Width << "x" << c.Height;
        EXPECT_EQ(order.Slots[0].Y, c.OriginY) << c.Width << "x" << c.Height;
        const TileSlot& last = order.Slots[grid.SlotCount - 1];
        EXPECT_EQ(last.X, (c.Columns - 1) * c.Tile + c.OriginX);
        EXPECT_EQ(last.Y, (c.Rows - 1) * c.Tile + c.OriginY);
        // Covered: the first cell reaches the edge, the last goes past the far one.
        EXPECT_GE(order.Slots[0].X + c.Tile, 0);
        EXPECT_GE(last.X + c.Tile, c.Width + c.Tile / 2);
        EXPECT_GE(last.Y + c.Tile, c.Height + c.Tile / 2);
    }
}

std::vector<TileSlot> ShuffledOrder(int32_t width, int32_t height, unsigned seed, TileGrid& grid) {
    VisitOrder order{};
    EXPECT_TRUE(LayoutTileGrid(grid, order, width, height));
    std::srand(seed);
    ShuffleVisitOrder(grid, order);
    return std::vector<TileSlot>(order.Slots.get(), order.Slots.get() + grid.SlotCount);
}

TEST(ShuffleVisitOrder, PermutesWholeRecords) {
    TileGrid grid;
    std::vector<TileSlot> slots = ShuffledOrder(152, 112, 12345, grid);
    std::vector<int> seen(grid.SlotCount, 0);
    int moved = 0;
    for (int32_t position = 0; position < grid.SlotCount; ++position) {
        const TileSlot& s = slots[position];
        ASSERT_GE(s.Index, 0);
        ASSERT_LT(s.Index, grid.SlotCount);
        ++seen[s.Index];
        EXPECT_EQ(s.Reserved, 0);
        EXPECT_EQ(s.X, (s.Index % 11) * 16 - 12);
        EXPECT_EQ(s.Y, (s.Index / 11) * 16 - 16);
        if (s.Index != position) ++moved;
    }
    for (int count : seen) EXPECT_EQ(count, 1);
    EXPECT_GT(moved, grid.SlotCount / 2);
}

TEST(ShuffleVisitOrder, RepeatsForTheSameSeed) {
    TileGrid grid;
    std::vector<TileSlot> first = ShuffledOrder(1920, 1080, 7, grid);
    std::vector<TileSlot> second = ShuffledOrder(1920, 1080, 7, grid);
    std::vector<TileSlot> other = ShuffledOrder(1920, 1080, 8, grid);
    bool differs = false;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].Index, second[i].Index);
        differs = differs || first[i].Index != other[i].Index;
    }
    EXPECT_TRUE(differs);
}

TEST(NextTileSlot, WalksTheOrderAndWraps) {
    TileGrid grid;
    VisitOrder order{};
    ASSERT_TRUE(LayoutTileGrid(grid, order, 0, 0));
    std::srand(3);
    ShuffleVisitOrder(grid, order);
    std::vector<int32_t> firstCycle;
    TileSlot slot;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(NextTileSlot(grid, order, slot));
        firstCycle.push_back(slot.Index);
    }
    EXPECT_EQ(order.Cursor, 0);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(NextTileSlot(grid, order, slot));
        EXPECT_EQ(slot.Index, firstCycle[i]);
    }
}

TEST(NextTileSlot, HandsOutNothingWithoutSlots) {
    TileGrid grid{0, 0, 16, 16, 0};
    VisitOrder order{};
    TileSlot slot{};
    EXPECT_FALSE(NextTileSlot(grid, order, slot));
}

}  // namespace
