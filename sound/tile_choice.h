// Which of the seven tile images to paint next.
#pragma once
#include "sound/tile_band.h"

// By the level of the last capture held against THRES0..THRES5, starting the
// next capture; at random when no level can be had.
TileImageId ChooseTileByLevel();
