// Any setting text, as a hand-edited INI file may hold it: every reader of
// it stays in its range, and the number is atol's wherever atol is defined;
// as THRES5 it keeps the room's gain within its bounds.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mosaic/tick_period.h"
#include "settings/saver_settings.h"
#include "settings/slider_values.h"
#include "sound/room_gain.h"
#include "sound/tile_band.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A profile value ends at its first NUL and holds at most 255 characters.
    std::string text = std::string(reinterpret_cast<const char*>(data), size).c_str();
    text.resize(std::min<size_t>(text.size(), SettingTextSize - 1));
    const char* value = text.c_str();

    errno = 0;
    const long long reference = std::strtoll(value, nullptr, 10);
    const int32_t number = SettingNumber(value);
    if (errno == 0 && reference >= INT32_MIN && reference <= INT32_MAX) Check(number == reference);
    if (reference > INT32_MAX) Check(number == INT32_MAX);
    if (reference < INT32_MIN) Check(number == INT32_MIN);

    const int freq = FreqStartPosition(value);
    Check(freq >= FreqMinimum && freq <= FreqMaximum);
    const int threshold = ThresholdStartPosition(value);
    Check(threshold >= ThresholdMinimum && threshold <= ThresholdMaximum);
    Check(TickPeriodOf(value) > 0);

    char thresholds[ThresholdCount][SettingTextSize] = {};
    for (int k = 0; k < ThresholdCount; ++k) std::snprintf(thresholds[k], SettingTextSize, "%s", value);
    for (SoundLevel level : {0, 1, 64, 127, 128}) {
        const TileImageId tile = TileForLevel(level, thresholds);
        Check(tile >= QuietestTile && tile <= LoudestTile);
        // All six alike: below them the quietest, else the loudest.
        Check(tile == (level < number ? QuietestTile : LoudestTile));
    }

    // The text as THRES5 for the gain: a level is raised 1 to 8 times.
    RoomGainState gain = {};
    uint32_t now = 0;
    for (SoundLevel level : {0, 3, 3, 10, 10, 64, 128, 128, 2}) {
        const SoundLevel gained = FollowRoomLoudness(gain, level, now += 55, number);
        Check(gained >= level && gained <= level * RoomGainMaximum);
    }
    return 0;
}
