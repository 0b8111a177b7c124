// Free of windows.h, so it builds and is tested natively.
// The sound meter's states and the one function that moves between them.
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

enum class MeterEvent : int {
    OpenAsked,
    Opened,
    OpenFailed,
    CaptureQueued,
    CaptureFailed,  // a prepare, add or start failed
    CaptureDone,
    Stalled,  // no completion within the stall limit
    CloseAsked,
    Released,     // the input let go: closed and its record freed, or abandoned
    RetryDue,     // a second after the input was found missing
    TooManyKept,  // as many inputs kept their buffers as the meter allows
    Faulted,
};

// The state after the event; an event that does not apply leaves it.
MeterState NextMeterState(MeterState state, MeterEvent event);
