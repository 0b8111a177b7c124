// Which of the seven tile images to paint next.
#pragma once

// Resource identifier of a tile bitmap: 102 for the quietest band up to 108.
using TileImageId = int;

TileImageId RandomTileImage();

// By the level of the last capture held against THRES0..THRES5, starting the
// next capture; at random when no level can be had.
TileImageId ChooseTileByLevel();
