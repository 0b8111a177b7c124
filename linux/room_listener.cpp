#include "linux/room_listener.h"

#include <pthread.h>
#include <pulse/simple.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// About 20 ms of sound per read: few wake-ups, and the thread sees the stop
// request soon.
constexpr uint32_t ReadSize = 220;
constexpr int RetryMilliseconds = 500;
constexpr int StopCheckMilliseconds = 50;
// Shorter than the shortest tick.
constexpr int EndWaitMilliseconds = 50;

struct ListenerState {
    std::atomic<int32_t> Level{0};
    std::atomic<bool> Hearing{false};  // samples have come since the stream opened
    std::atomic<bool> Open{false};
    std::atomic<bool> Stopping{false};
    std::atomic<bool> Finished{false};
    pa_simple* Stream = nullptr;  // touched by the thread only once it runs
    std::thread Thread;
};

ListenerState Listener;

pa_simple* OpenRoomStream() {
    const pa_sample_spec spec = {PA_SAMPLE_U8, 11025, 1};
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = ReadSize;
    int error = 0;
    return pa_simple_new(nullptr, "Brasswick", PA_STREAM_RECORD, nullptr, "room level", &spec, nullptr, &attr,
                         &error);
}

void CloseRoomStream() {
    Listener.Hearing = false;
    Listener.Open = false;
    if (Listener.Stream) pa_simple_free(Listener.Stream);
    Listener.Stream = nullptr;
}

// Sleeps up to the given time, in steps short enough for a stop request.
void PauseUnlessStopping(int milliseconds) {
    for (int waited = 0; waited < milliseconds && !Listener.Stopping; waited += StopCheckMilliseconds)
        std::this_thread::sleep_for(std::chrono::milliseconds(StopCheckMilliseconds));
}

void ReadOnce() {
    uint8_t samples[ReadSize];
    int error = 0;
    if (pa_simple_read(Listener.Stream, samples, sizeof samples, &error) < 0) {
        CloseRoomStream();
        return;
    }
    Listener.Level = MeasureSoundLevel(samples + ReadSize - CaptureLength, CaptureLength);
    Listener.Hearing = true;
}

void Listen() {
    while (!Listener.Stopping) {
        if (Listener.Stream) {
            ReadOnce();
            continue;
        }
        PauseUnlessStopping(RetryMilliseconds);
        if (!Listener.Stopping) Listener.Stream = OpenRoomStream();
        Listener.Open = Listener.Stream != nullptr;
    }
    CloseRoomStream();
    Listener.Finished = true;
}

}  // namespace

bool StartListening() {
    // Signals are the drawing thread's business, not ours nor that of the
    // thread that PulseAudio starts for the stream.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    Listener.Stream = OpenRoomStream();
    Listener.Open = Listener.Stream != nullptr;
    Listener.Thread = std::thread(Listen);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return Listener.Open;
}

RoomHearing ListenToRoom(SoundLevel& level) {
    if (Listener.Hearing) {
        level = Listener.Level;
        return RoomHearing::Heard;
    }
    return Listener.Open ? RoomHearing::Waiting : RoomHearing::Deaf;
}

bool StopListening() {
    if (!Listener.Thread.joinable()) return true;
    Listener.Stopping = true;
    for (int waited = 0; waited < EndWaitMilliseconds && !Listener.Finished; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!Listener.Finished) {
        Listener.Thread.detach();
        return false;
    }
    Listener.Thread.join();
    return true;
}
