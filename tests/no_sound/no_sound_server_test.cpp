// The sound meter in a process that reaches no sound server and has no other
// sound driver (see tests/CMakeLists.txt): the saver then picks tiles at random.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include "resources/resource_ids.h"
#include "sound/sound_meter.h"
#include "sound/sound_meter_state.h"
#include "sound/tile_choice.h"
#include "tests/shared/debug_output.h"
#include "tests/shared/wait_until.h"
#include "tests/wine/dialog_driver.h"

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

// The dialog says there is nothing to hear, and its level stays at the bottom.
TEST(NoSoundServer, TheDialogSaysThereIsNoInputAndItsLevelStaysAtTheBottom) {
    std::string status;
    int highest = -1;
    DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
        WaitUntil(
            [&] { return (status = ItemText(dialog, IDC_LISTENING_TEXT)).rfind("Opening", 0) != 0 && !status.empty(); },
            DialogReactionMs, BetweenPolls::Sleep);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 1000) {
            highest = std::max(highest, static_cast<int>(SendDlgItemMessageA(dialog, IDC_LEVEL_BAR, PBM_GETPOS, 0, 0)));
            Sleep(20);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(status, "No recording device on this computer: the saver paints random tiles.");
    EXPECT_EQ(highest, 0);
}

}  // namespace
