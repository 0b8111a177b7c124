#include <gtest/gtest.h>

#include "host/closing_decisions.h"
#include "mosaic/tick_period.h"

namespace {

struct TravelCase {
    int32_t FromX, FromY, ToX, ToY;
    bool Closes;
};

TEST(MouseTravelExceeds, CountsBothAxesAgainstFourPixels) {
    const TravelCase cases[] = {
        {100, 100, 100, 100, false},  {100, 100, 102, 102, false}, {100, 100, 103, 102, true},
        {100, 100, 104, 100, false},  {100, 100, 105, 100, true},  {100, 100, 95, 100, true},
        {100, 100, 98, 98, false},    {100, 100, 102, 98, false},  {-3, -3, 1, -3, false},
        {-3, -3, 2, -3, true},        {0, 0, 0, -5, true},         {1919, 1079, 1917, 1081, false},
    };
    for (const TravelCase& c : cases)
        EXPECT_EQ(MouseTravelExceeds(c.FromX, c.FromY, c.ToX, c.ToY), c.Closes)
            << "(" << c.FromX << "," << c.FromY << ") to (" << c.ToX << "," << c.ToY << ")";
}

struct PowerCase {
    uint32_t Event, Data;
    PowerAction Action;
};

TEST(PowerBroadcastAction, FollowsTheEventTable) {
    const PowerCase cases[] = {
        {0, 0, PowerAction::Close},  {1, 0, PowerAction::Close},  {2, 0, PowerAction::Close},
        {3, 0, PowerAction::Close},  {4, 0, PowerAction::Close},  {5, 0, PowerAction::Close},
        {6, 0, PowerAction::Close},  {6, 1, PowerAction::Ignore}, {7, 0, PowerAction::Close},
        {7, 1, PowerAction::Ignore}, {7, 3, PowerAction::Ignore}, {7, 2, PowerAction::Close},
        {8, 0, PowerAction::Close},  {8, 1, PowerAction::Ignore}, {18, 0, PowerAction::Close},
        {18, 1, PowerAction::Ignore},
        {10, 0, PowerAction::CheckAcLine}, {10, 1, PowerAction::CheckAcLine},
        {9, 0, PowerAction::Close},  {11, 0, PowerAction::Close}, {12, 1, PowerAction::Close},
        {0x8013, 0, PowerAction::Close}, {0xFFFFFFFF, 1, PowerAction::Close},
    };
    for (const PowerCase& c : cases)
        EXPECT_EQ(PowerBroadcastAction(c.Event, c.Data), c.Action) << c.Event << " / " << c.Data;
}

struct ThrottleCase {
    uint32_t Last, Now;
    bool Throttled;
};

TEST(PromptThrottled, WaitsTwoHundredMillisecondsModulo2To32) {
    const ThrottleCase cases[] = {
        {NeverVerified, 0, false},       {NeverVerified, 123, false},  // never prompted
        {1000, 1000, true},              {1000, 1199, true},         {1000, 1200, false},
        {1000, 5000, false},
        {0xFFFFFF00, 0x10, false},       // 256 ms before the wrap, 16 after: 272 apart
        {0xFFFFFF00, 0xFFFFFF80, true},  // 128 ms later, still before the wrap
        {0xFFFFFF38, 0, false},          // exactly 200 across the wrap
        {0xFFFFFF39, 0, true},           // 199 across the wrap
    };
    for (const ThrottleCase& c : cases)
        EXPECT_EQ(PromptThrottled(c.Last, c.Now), c.Throttled) << std::hex << c.Last << " " << c.Now;
}

struct PeriodCase {
    const char* Freq;
    uint32_t Period;
};

TEST(TickPeriodOf, UsesPositiveValuesAsTheyStand) {
    const PeriodCase cases[] = {
        {"300", 300}, {"55", 55},   {"3000", 3000}, {"1", 1},    {"100000", 100000}, {"  42ms", 42},
        {"+7", 7},    {"0", 300},   {"", 300},      {"abc", 300}, {"-5", 300},        {"-2000000000", 300},
    };
    for (const PeriodCase& c : cases) EXPECT_EQ(TickPeriodOf(c.Freq), c.Period) << "'" << c.Freq << "'";
}

}  // namespace
