// The room's loudness from the default PulseAudio source, read on a thread
// of its own so that drawing never waits on sound. The thread reconnects
// while the server is gone.
#pragma once
#include "sound/sound_level.h"

// Opens the source here, then leaves the stream (or the retries) to the
// thread. True when a stream could be opened.
bool StartListening();

enum class RoomHearing {
    Heard,    // the level of the most recent samples
    Waiting,  // a stream is open, its first samples have not come yet
    Deaf,     // no stream: the server is gone or was never there
};
RoomHearing ListenToRoom(SoundLevel& level);

// Ends the thread and closes its stream, normally one short read later.
// A server that holds a read back (a null sink can, for a second or two
// after a stream starts) is not waited for beyond a few tens of
// milliseconds: false, and the process must end at once without running
// destructors; the system closes the stream with it.
bool StopListening();
