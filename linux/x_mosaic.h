// The mosaic drawn with Xlib: the tiles are made once per tile size as
// server-side pixmaps, so painting a tile is one copy.
#pragma once
#include <X11/Xlib.h>

#include "linux/hack_options.h"
#include "sound/tile_band.h"

// Connects to the display and finds or makes the window to draw in. False
// with a one-line message when that fails.
bool OpenMosaicView(const HackOptions& options, char (&message)[OptionsMessageSize]);

// The X connection, to wait on alongside the tick.
int MosaicConnection();
Display* MosaicDisplay();

// Lays the grid out for the window's current size and clears it: black while
// the room is heard, white otherwise.
void LayOutMosaic(bool heard);

// Handles the events that have arrived. False when the user or the window
// manager asked our own window to close.
bool HandleMosaicEvents(bool heard);

// The given tile into the next slot of the visiting order.
void PaintNextTile(TileImageId id);

void CloseMosaicView();
