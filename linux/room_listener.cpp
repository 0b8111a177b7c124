#include "linux/room_listener.h"

#include <pthread.h>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "linux/monotonic_clock.h"

namespace {

// About 20 ms of sound per fragment: few wake-ups.
constexpr uint32_t FragmentSize = 220;
constexpr int RetryMilliseconds = 500;
// How often the thread looks at the clock when nothing comes.
constexpr int CheckMilliseconds = 250;
// Shorter than the shortest tick.
constexpr int EndWaitMilliseconds = 50;

enum FirstStreamAnswer : int { Pending, Opened, Failed };

// The thread's own PulseAudio objects are driven by a main loop it iterates
// itself with a timeout: no call blocks on the server, so a server that stops
// answering or a source that delivers nothing leaves the thread free to
// notice it, drop the stream and open another.
struct ListenerState {
    // Shared with the ticks.
    std::atomic<int32_t> Level{0};
    std::atomic<int64_t> LastSamplesAt{0};  // on the current stream; 0 before its first
    std::atomic<int64_t> OpenedAt{0};       // of the current stream; 0 while none is open
    std::atomic<bool> Silenced{false};      // a stream was dropped for silence, nothing heard since
    std::atomic<int> FirstStream{Pending};
    std::atomic<bool> Stopping{false};
    std::atomic<bool> Finished{false};
    pa_mainloop* Loop = nullptr;  // made before the thread, freed after it
    std::thread Thread;
    // The thread's alone.
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    bool Broken = false;     // the server ended the connection or the stream
    int64_t ProgressAt = 0;  // the last state change or samples of the current attempt
    int64_t RetryAt = 0;
    SampleTail Tail;
    std::string Input;  // as -input gave it, "default" as ""
    bool SaidMissing = false;
    bool NamedFound = false;  // the named source answered the look-up
};

ListenerState Listener;

void AnswerFirstStream(FirstStreamAnswer answer) {
    int pending = Pending;
    Listener.FirstStream.compare_exchange_strong(pending, answer);
}

void OnSamples(pa_stream* stream, size_t, void*) {
    const void* data = nullptr;
    size_t count = 0;
    bool came = false;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &count) == 0 && count > 0) {
        if (data) {  // null: a hole in the recording, nothing to hear
            KeepLatestSamples(Listener.Tail, static_cast<const uint8_t*>(data), count);
            came = true;
        }
        pa_stream_drop(stream);
    }
    if (!came || Listener.Tail.Fill < CaptureLength) return;
    Listener.Level = MeasureSoundLevel(Listener.Tail.Samples, CaptureLength);
    Listener.ProgressAt = MonotonicMilliseconds();
    Listener.LastSamplesAt = Listener.ProgressAt;
    Listener.Silenced = false;
}

void OnStreamState(pa_stream* stream, void*) {
    Listener.ProgressAt = MonotonicMilliseconds();
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        Listener.OpenedAt = Listener.ProgressAt;
        AnswerFirstStream(Opened);
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        Listener.Broken = true;
        break;
    default:
        break;
    }
}

// source: null for the server's default source.
void ConnectRecording(pa_context* context, const char* source) {
    const pa_sample_spec spec = {PA_SAMPLE_U8, 11025, 1};
    Listener.Stream = pa_stream_new(context, "room level", &spec, nullptr);
    if (!Listener.Stream) {
        Listener.Broken = true;
        return;
    }
    pa_stream_set_state_callback(Listener.Stream, OnStreamState, nullptr);
    pa_stream_set_read_callback(Listener.Stream, OnSamples, nullptr);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = FragmentSize;
    if (pa_stream_connect_record(Listener.Stream, source, &attr, PA_STREAM_ADJUST_LATENCY) < 0) Listener.Broken = true;
}

void ConnectToDefaultSinkMonitor(pa_context* context, const pa_server_info* info, void*) {
    if (!info || !info->default_sink_name) {
        ConnectRecording(context, nullptr);
        return;
    }
    const std::string monitor = std::string(info->default_sink_name) + ".monitor";
    ConnectRecording(context, monitor.c_str());
}

// Called with the source's description, then once more at the end of the
// list (eol), or once with eol < 0 when there is no such source.
void ConnectToNamedSource(pa_context* context, const pa_source_info* info, int eol, void*) {
    if (info) Listener.NamedFound = true;
    if (eol == 0) return;
    if (Listener.NamedFound) {
        ConnectRecording(context, Listener.Input.c_str());
        return;
    }
    if (!Listener.SaidMissing) {
        std::fprintf(stderr, "brasswick: no sound input %s; listening to the default source\n", Listener.Input.c_str());
        Listener.SaidMissing = true;
    }
    ConnectRecording(context, nullptr);
}

// The source is looked up anew on each connection: a monitor follows the
// default sink, and a named source that comes back is heard again.
void ConnectChosenSource(pa_context* context) {
    pa_operation* lookUp = nullptr;
    if (Listener.Input == "monitor") {
        lookUp = pa_context_get_server_info(context, ConnectToDefaultSinkMonitor, nullptr);
    } else if (!Listener.Input.empty()) {
        Listener.NamedFound = false;
        lookUp = pa_context_get_source_info_by_name(context, Listener.Input.c_str(), ConnectToNamedSource, nullptr);
    } else {
        ConnectRecording(context, nullptr);
        return;
    }
    if (lookUp) {
        pa_operation_unref(lookUp);
    } else {
        Listener.Broken = true;
    }
}

void OnContextState(pa_context* context, void*) {
    Listener.ProgressAt = MonotonicMilliseconds();
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        ConnectChosenSource(context);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        Listener.Broken = true;
        break;
    default:
        break;
    }
}

void OpenRoomStream() {
    Listener.ProgressAt = MonotonicMilliseconds();
    Listener.Tail.Fill = 0;
    Listener.Context = pa_context_new(pa_mainloop_get_api(Listener.Loop), "Brasswick");
    if (!Listener.Context) {
        Listener.Broken = true;
        return;
    }
    pa_context_set_state_callback(Listener.Context, OnContextState, nullptr);
    if (pa_context_connect(Listener.Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) Listener.Broken = true;
}

// Disconnecting only closes the socket: it never waits for the server.
void CloseRoomStream(int retryAfterMilliseconds) {
    Listener.LastSamplesAt = 0;
    Listener.OpenedAt = 0;
    if (Listener.Stream) {
        pa_stream_set_state_callback(Listener.Stream, nullptr, nullptr);
        pa_stream_set_read_callback(Listener.Stream, nullptr, nullptr);
        pa_stream_disconnect(Listener.Stream);
        pa_stream_unref(Listener.Stream);
        Listener.Stream = nullptr;
    }
    if (Listener.Context) {
        pa_context_set_state_callback(Listener.Context, nullptr, nullptr);
        pa_context_disconnect(Listener.Context);
        pa_context_unref(Listener.Context);
        Listener.Context = nullptr;
    }
    Listener.Broken = false;
    Listener.RetryAt = MonotonicMilliseconds() + retryAfterMilliseconds;
    AnswerFirstStream(Failed);
}

// Once any step of connecting, or the samples, have stalled this long, the
// stream is given up: a stopped server or a source that delivers nothing.
bool AttemptStalled() {
    return MonotonicMilliseconds() - Listener.ProgressAt >= DeafAfterMilliseconds;
}

void LookAfterStream() {
    if (Listener.Broken) {
        CloseRoomStream(RetryMilliseconds);
    } else if (Listener.Context && AttemptStalled()) {
        Listener.Silenced = true;
        CloseRoomStream(0);
    }
    if (!Listener.Context && MonotonicMilliseconds() >= Listener.RetryAt) OpenRoomStream();
}

void Listen() {
    while (!Listener.Stopping) {
        LookAfterStream();
        if (pa_mainloop_prepare(Listener.Loop, CheckMilliseconds * 1000) < 0 || pa_mainloop_poll(Listener.Loop) < 0 ||
            pa_mainloop_dispatch(Listener.Loop) < 0)
            break;
    }
    CloseRoomStream(0);
    Listener.Finished = true;
}

}  // namespace

void StartListening(const char* input) {
    Listener.Input = input;
    Listener.Loop = pa_mainloop_new();
    if (!Listener.Loop) {
        AnswerFirstStream(Failed);
        return;
    }
    // Signals are the drawing thread's business.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    Listener.Thread = std::thread(Listen);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool FirstStreamSettled(bool& opened) {
    const int answer = Listener.FirstStream;
    opened = answer == Opened;
    return answer != Pending;
}

// A fresh stream paints nothing by chance while it is about to be heard, but
// only for DeafAfterMilliseconds, and not after one was dropped for silence.
RoomHearing ListenToRoom(SoundLevel& level) {
    const int64_t now = MonotonicMilliseconds();
    const int64_t heardAt = Listener.LastSamplesAt;
    if (heardAt != 0 && now - heardAt < DeafAfterMilliseconds) {
        level = Listener.Level;
        return RoomHearing::Heard;
    }
    const int64_t openedAt = Listener.OpenedAt;
    if (heardAt == 0 && openedAt != 0 && !Listener.Silenced && now - openedAt < DeafAfterMilliseconds)
        return RoomHearing::Waiting;
    return RoomHearing::Deaf;
}

bool StopListening() {
    if (!Listener.Thread.joinable()) return true;
    Listener.Stopping = true;
    pa_mainloop_wakeup(Listener.Loop);
    for (int waited = 0; waited < EndWaitMilliseconds && !Listener.Finished; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!Listener.Finished) {
        Listener.Thread.detach();
        return false;
    }
    Listener.Thread.join();
    pa_mainloop_free(Listener.Loop);
    Listener.Loop = nullptr;
    return true;
}
