// The room's loudness from the default PulseAudio source, heard on a thread
// of its own so that drawing never waits on sound. The thread opens the
// stream, reconnects while the server is gone, and drops a stream that has
// brought nothing for a while and opens another.
#pragma once

#include "linux/sample_tail.h"
#include "sound/sound_level.h"

// No samples for this long: the room is deaf and the stream is replaced.
constexpr int DeafAfterMilliseconds = 5000;

// Starts the thread, which opens the first stream; returns at once.
// input: "" the default source, "monitor" the default sink's monitor (what
// the desktop plays), else a source's name; one that is missing falls back
// to the default source, said once on standard error.
void StartListening(const char* input);

// True once the first attempt to open a stream has an answer, with whether a
// stream opened.
bool FirstStreamSettled(bool& opened);

enum class RoomHearing {
    Heard,    // the level of the most recent samples
    Waiting,  // a fresh stream is open, its first samples have not come yet
    Deaf,     // no stream, or nothing heard for DeafAfterMilliseconds
};
RoomHearing ListenToRoom(SoundLevel& level);

// Ends the thread and closes its stream. Nothing the thread does waits on
// the server, but it is not waited for beyond a few tens of milliseconds
// (a server started on demand can hold a connection attempt back): false,
// and the process must end at once without running destructors; the system
// closes the stream with it.
bool StopListening();
