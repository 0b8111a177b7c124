// The sound meter in a process that reaches no sound server and has no other
// sound driver (see tests/CMakeLists.txt): the saver then picks tiles at random.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include "../wine/debug_output.h"
#include "sound/sound_meter.h"
#include "sound/sound_meter_state.h"
#include "sound/tile_choice.h"

namespace {

TEST(NoSoundServer, OpenFailsAndCloseChangesNothing) {
    MMRESULT code = MMSYSERR_NOERROR;
    EXPECT_EQ(OpenSoundMeter(&code), 0);
    EXPECT_NE(code, MMSYSERR_NOERROR);
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 0);

    code = MMSYSERR_NOERROR;
    CloseSoundMeter(&code);
    EXPECT_NE(code, MMSYSERR_NOERROR);
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 0);
}

std::set<TileImageId> Tiles(TileImageId (*choose)()) {
    std::set<TileImageId> tiles;
    for (int i = 0; i < 300; ++i) tiles.insert(choose());
    return tiles;
}

TEST(NoSoundServer, TilesComeAtRandom) {
    const std::set<TileImageId> all = {102, 103, 104, 105, 106, 107, 108};
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    EXPECT_EQ(Tiles(RandomTileImage), all);

    // Asked for levels all the same, the meter fails every request anew
    // instead of settling on a level it never measured.
    MMRESULT code = MMSYSERR_NOERROR;
    ASSERT_EQ(OpenSoundMeter(&code), 0);
    StartWatchingDebugOutput();
    EXPECT_EQ(Tiles(ChooseTileByLevel), all);
    EXPECT_EQ(StopWatchingDebugOutput().find("Locking!"), std::string::npos);
    CloseSoundMeter(&code);
}

}  // namespace
