// Which of the seven tile images to paint next.
#pragma once
#include "sound/room_gain.h"
#include "sound/tile_band.h"

// The gain's memory of the room, for the saver's window; untouched while
// AUTO is off.
extern RoomGainState RoomGain;

// By the level of the last capture held against THRES0..THRES5, after the
// gain when AUTO is on, starting the next capture; at random when no level
// can be had.
TileImageId ChooseTileByLevel();
