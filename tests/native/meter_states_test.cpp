#include <gtest/gtest.h>

#include <vector>

#include "sound/meter_states.h"

namespace {

using S = MeterState;
using E = MeterEvent;

struct Path {
    const char* Name;
    S Start;
    std::vector<E> Events;
    S End;
};

// The meter's life as its thread lives it: each row a run of events from a
// state, and where it must end.
TEST(NextMeterState, FollowsTheMetersPaths) {
    const Path paths[] = {
        {"open, capture, close", S::Closed,
         {E::OpenAsked, E::Opened, E::CaptureQueued, E::CaptureDone, E::CaptureQueued, E::CloseAsked, E::Released},
         S::Closed},
        {"no input at first, then one", S::Closed, {E::OpenAsked, E::OpenFailed, E::RetryDue, E::Opened}, S::Listening},
        {"a stalled capture lets the input go and looks again", S::Capturing,
         {E::Stalled, E::Released, E::RetryDue, E::Opened, E::CaptureQueued}, S::Capturing},
        {"a failed queueing does the same", S::Listening, {E::CaptureFailed, E::Released, E::RetryDue}, S::Opening},
        {"closing while capturing never looks again", S::Capturing, {E::CloseAsked, E::Released, E::RetryDue},
         S::Closed},
        {"too many kept buffers stop the looking", S::Absent, {E::TooManyKept, E::RetryDue, E::OpenAsked},
         S::GivenUp},
        {"past the bound an open gives up at once", S::Opening, {E::TooManyKept}, S::GivenUp},
        {"given up, closed and opened anew", S::GivenUp, {E::CloseAsked, E::OpenAsked}, S::Opening},
        {"closed while absent", S::Absent, {E::CloseAsked, E::RetryDue}, S::Closed},
        {"a late completion after the stall changes nothing", S::Releasing, {E::CaptureDone, E::Released},
         S::Absent},
        {"a second open while listening waits for a close", S::Listening, {E::OpenAsked}, S::Listening},
        {"a fault gives up from anywhere", S::Capturing, {E::Faulted, E::Opened, E::CaptureQueued}, S::GivenUp},
    };
    for (const Path& path : paths) {
        S state = path.Start;
        for (E event : path.Events) state = NextMeterState(state, event);
        EXPECT_EQ(state, path.End) << path.Name;
    }
}

// A fault may come in any state. The states the meter's thread waits in end
// at a close (through a release where an input is held); the ones it is busy
// in, inside a driver call, are left only by that call's outcome.
TEST(NextMeterState, EveryStateFaultsToGivenUpAndAWaitingOneClosesToClosed) {
    for (S state : {S::Closed, S::Listening, S::Capturing, S::Absent, S::GivenUp}) {
        EXPECT_EQ(NextMeterState(state, E::Faulted), S::GivenUp) << static_cast<int>(state);
        S closed = NextMeterState(state, E::CloseAsked);
        if (closed == S::Closing) closed = NextMeterState(closed, E::Released);
        EXPECT_EQ(closed, S::Closed) << static_cast<int>(state);
    }
    for (S state : {S::Opening, S::Releasing, S::Closing}) {
        EXPECT_EQ(NextMeterState(state, E::CloseAsked), state) << static_cast<int>(state);
        EXPECT_EQ(NextMeterState(state, E::Faulted), S::GivenUp) << static_cast<int>(state);
    }
}

}  // namespace
