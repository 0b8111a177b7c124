// Free of windows.h, so it builds and is tested natively.
// The sound meter's states.
#pragma once

enum class MeterState : int {
    Closed,     // no input asked for
    Opening,    // an input is being opened
    Listening,  // an input is open and no capture is in flight
    Capturing,  // a capture is in flight
    Releasing,  // a failed or stalled input is being let go; another is looked for next
    Closing,    // the input is being let go for good
    Absent,     // no input could be opened; looked for again once a second
    GivenUp,    // too many inputs kept their buffers, or the meter's thread faulted
};
