// The room's loudness from the default PulseAudio source, read on a thread
// of its own so that drawing never waits on sound. The thread reconnects
// while the server is gone.
#pragma once
#include "sound/sound_level.h"

// Opens the source once, here, then leaves the stream (or the retries) to
// the thread. True when the room was heard at once.
bool StartListening();

// True while a stream is open, with the level of its most recent samples.
bool HeardLevel(SoundLevel& level);

// Ends the thread and closes its stream; at most one short read later.
void StopListening();
