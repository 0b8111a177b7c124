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

struct ListenerState {
    std::atomic<int32_t> Level{0};
    std::atomic<bool> Hearing{false};
    std::atomic<bool> Stopping{false};
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
    }
    CloseRoomStream();
}

}  // namespace

bool StartListening() {
    Listener.Stream = OpenRoomStream();
    const bool heard = Listener.Stream != nullptr;
    Listener.Hearing = false;
    // Signals are the drawing thread's business.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    Listener.Thread = std::thread(Listen);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return heard;
}

bool HeardLevel(SoundLevel& level) {
    if (!Listener.Hearing) return false;
    level = Listener.Level;
    return true;
}

void StopListening() {
    if (!Listener.Thread.joinable()) return;
    Listener.Stopping = true;
    Listener.Thread.join();
}
