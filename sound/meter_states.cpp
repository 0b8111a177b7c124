#include "sound/meter_states.h"

namespace {

struct Transition {
    MeterState From;
    MeterEvent Event;
    MeterState To;
};

using S = MeterState;
using E = MeterEvent;

// clang-format off
constexpr Transition Transitions[] = {
    {S::Closed,    E::OpenAsked,     S::Opening},
    {S::Opening,   E::Opened,        S::Listening},
    {S::Opening,   E::OpenFailed,    S::Absent},
    {S::Opening,   E::TooManyKept,   S::GivenUp},
    {S::Listening, E::CaptureQueued, S::Capturing},
    {S::Listening, E::CaptureFailed, S::Releasing},
    {S::Listening, E::CloseAsked,    S::Closing},
    {S::Capturing, E::CaptureDone,   S::Listening},
    {S::Capturing, E::Stalled,       S::Releasing},
    {S::Capturing, E::CloseAsked,    S::Closing},
    {S::Releasing, E::Released,      S::Absent},
    {S::Closing,   E::Released,      S::Closed},
    {S::Absent,    E::RetryDue,      S::Opening},
    {S::Absent,    E::TooManyKept,   S::GivenUp},
    {S::Absent,    E::CloseAsked,    S::Closed},
    {S::GivenUp,   E::CloseAsked,    S::Closed},
};
// clang-format on

}  // namespace

MeterState NextMeterState(MeterState state, MeterEvent event) {
    if (event == E::Faulted) return S::GivenUp;
    for (const Transition& t : Transitions)
        if (t.From == state && t.Event == event) return t.To;
    return state;
}
