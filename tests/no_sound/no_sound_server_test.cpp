// The sound meter in a process that reaches no sound server and has no other
// sound driver (see tests/CMakeLists.txt): the saver then picks tiles at random.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include "sound/sound_meter.h"
#include "sound/sound_meter_state.h"
#include "sound/tile_choice.h"
#include "tests/shared/debug_output.h"
#include "tests/shared/wait_until.h"

namespace {

void ExpectClosedAndIdle() {
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 0);
}

TEST(NoSoundServer, OpenFailsTilesComeAtRandomAndCloseChangesNothing) {
    MMRESULT code = MMSYSERR_NOERROR;
    EXPECT_EQ(OpenSoundMeter("", 2000, &code), 0);
    EXPECT_NE(code, MMSYSERR_NOERROR);
    ExpectClosedAndIdle();
    SoundMeterReport report;
    ReadSoundMeterReport(&report);
    EXPECT_EQ(report.OpenAnswer, MeterState::Absent);
    EXPECT_EQ(report.LastOpenCode, code);
    EXPECT_EQ(report.InputCount, 0u);
    EXPECT_STREQ(report.InputName, "");

    // Asked for levels all the same, the meter fails every request anew
    // instead of settling on a level it never measured.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    StartWatchingDebugOutput();
    std::set<TileImageId> tiles;
    for (int i = 0; i < 300; ++i) tiles.insert(ChooseTileByLevel());
    EXPECT_EQ(tiles, (std::set<TileImageId>{IDB_TILE_0, IDB_TILE_1, IDB_TILE_2, IDB_TILE_3, IDB_TILE_4, IDB_TILE_5,
                                            IDB_TILE_6}));
    EXPECT_EQ(StopWatchingDebugOutput().find("Locking!"), std::string::npos);

    code = MMSYSERR_NOERROR;
    CloseSoundMeter(&code);
    EXPECT_NE(code, MMSYSERR_NOERROR);
    EXPECT_TRUE(WaitUntil([] { return SoundMeter.Phase.load() == MeterState::Closed; }, 5000, BetweenPolls::Sleep));
    ExpectClosedAndIdle();
}

}  // namespace
