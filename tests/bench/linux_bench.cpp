// Figures for the README's Linux rows, on the display and sound server of
// the environment:
//   linux_bench ticks     the median time of one tick at the root window's
//                         size (choice by level, one copy, a round trip),
//                         against one bare copy of a pixmap
//   linux_bench floor MS  a bare X client: the same capture stream open and
//                         one pixmap copied every MS milliseconds, until
//                         SIGTERM; its CPU time is the floor of the program's
//   linux_bench latency N MS  with the program painting the root window
//                         every MS milliseconds in a quiet room: N loud
//                         onsets played into the room, each timed to the
//                         first new loud tile on the screen and, beside it,
//                         to the first loud reading of a minimal low-latency
//                         reader of the same source
//   linux_bench gain      with the program painting the root window with
//                         -auto: from silence to a quiet tone (level 10),
//                         and from a loud one to the quiet one, each timed
//                         to the first new tile of the top two bands
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "linux/hack_options.h"
#include "linux/monotonic_clock.h"
#include "linux/room_listener.h"
#include "linux/x_mosaic.h"
#include "resources/artwork/tile_art.h"
#include "sound/tile_band.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rounds = 3000;

double Median(std::vector<double>& samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename Step>
double TimeRounds(Step step) {
    std::vector<double> samples;
    for (int i = 0; i < Rounds; ++i) {
        const Clock::time_point start = Clock::now();
        step();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return Median(samples);
}

int Ticks() {
    const char* args[] = {"linux_bench", "-root"};
    const HackOptions options = ReadHackOptions(2, args, nullptr);
    char message[OptionsMessageSize];
    if (!OpenMosaicView(options, message)) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }
    StartListening("");
    std::this_thread::sleep_for(std::chrono::seconds(2));  // past the stream's first samples
    bool heard = false;
    FirstStreamSettled(heard);
    LayOutMosaic(heard);
    Display* display = MosaicDisplay();
    const double tick = TimeRounds([&] {
        SoundLevel level = 0;
        const TileImageId id =
            ListenToRoom(level) == RoomHearing::Heard ? TileForLevel(level, options.Thresholds) : RandomTileImage();
        PaintNextTile(id);
        XSync(display, False);
    });
    const Window root = DefaultRootWindow(display);
    const Pixmap pixmap = XCreatePixmap(display, root, 128, 128, DefaultDepth(display, DefaultScreen(display)));
    XGCValues values = {};
    values.graphics_exposures = False;  // as the program's
    const GC gc = XCreateGC(display, root, GCGraphicsExposures, &values);
    const double copy = TimeRounds([&] {
        XCopyArea(display, pixmap, root, gc, 0, 0, 128, 128, 0, 0);
        XSync(display, False);
    });
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    std::printf("one tick at %dx%d, sound %s (median of %d): %.1f us\n", DisplayWidth(display, 0),
                DisplayHeight(display, 0), heard ? "heard" : "absent", Rounds, tick);
    std::printf("one bare copy of a 128x128 pixmap and a round trip: %.1f us\n", copy);
    StopListening();
    CloseMosaicView();
    return 0;
}

volatile sig_atomic_t Ending = 0;

void OnTerm(int) {
    Ending = 1;
}

int Floor(int period) {
    signal(SIGTERM, OnTerm);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window root = DefaultRootWindow(display);
    const Pixmap pixmap = XCreatePixmap(display, root, 128, 128, DefaultDepth(display, DefaultScreen(display)));
    XGCValues values = {};
    values.graphics_exposures = False;  // as the program's
    const GC gc = XCreateGC(display, root, GCGraphicsExposures, &values);
    StartListening("");
    Clock::time_point next = Clock::now();
    while (!Ending) {
        next += std::chrono::milliseconds(period);
        std::this_thread::sleep_until(next);
        XCopyArea(display, pixmap, root, gc, 0, 0, 128, 128, 0, 0);
        XFlush(display);
    }
    StopListening();
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    XCloseDisplay(display);
    return 0;
}

// The probe's sound: a player with 10 ms of buffer whose next bytes are loud
// or quiet as asked, and a reader asking for fragments of one capture (1 ms).
constexpr uint32_t ProbeRate = 11025;
constexpr uint32_t PlayerBufferBytes = ProbeRate / 100;  // 10 ms
constexpr int QuietMilliseconds = 1000;
constexpr int PatienceMilliseconds = 10000;

struct ProbeState {
    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    std::atomic<bool> Loud{false};
    std::atomic<int> Swing{128};      // how far the loud bytes lie from 128
    std::atomic<int64_t> OnsetAt{0};  // the first loud bytes handed to the server
    std::atomic<int64_t> HeardAt{0};  // the reader's first loud reading after that
    uint32_t Phase = 0;
    SampleTail Tail;
    HackOptions Options;
};

ProbeState Probe;

// A 200 Hz square wave at full swing, or silence.
void OnPlayerWritable(pa_stream* stream, size_t bytes, void*) {
    std::vector<uint8_t> samples(bytes, 128);
    const bool loud = Probe.Loud;
    if (loud)
        for (uint8_t& sample : samples)
            sample = static_cast<uint8_t>((Probe.Phase++ / (ProbeRate / 400)) % 2 ? std::min(255, 128 + Probe.Swing)
                                                                                   : std::max(0, 128 - Probe.Swing));
    pa_stream_write(stream, samples.data(), samples.size(), nullptr, 0, PA_SEEK_RELATIVE);
    if (loud && Probe.OnsetAt == 0) Probe.OnsetAt = MonotonicMilliseconds();
}

void OnReaderSamples(pa_stream* stream, size_t, void*) {
    const void* data = nullptr;
    size_t count = 0;
    while (pa_stream_peek(stream, &data, &count) == 0 && count > 0) {
        if (data) KeepLatestSamples(Probe.Tail, static_cast<const uint8_t*>(data), count);
        pa_stream_drop(stream);
        if (Probe.Tail.Fill == CaptureLength && Probe.OnsetAt != 0 && Probe.HeardAt == 0 &&
            TileForLevel(MeasureSoundLevel(Probe.Tail.Samples, CaptureLength), Probe.Options.Thresholds) == LoudestTile)
            Probe.HeardAt = MonotonicMilliseconds();
    }
}

bool WaitForContext() {
    for (int waited = 0; waited < PatienceMilliseconds; waited += 10) {
        pa_threaded_mainloop_lock(Probe.Loop);
        const pa_context_state_t state = pa_context_get_state(Probe.Context);
        pa_threaded_mainloop_unlock(Probe.Loop);
        if (state == PA_CONTEXT_READY) return true;
        if (!PA_CONTEXT_IS_GOOD(state)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool OpenProbeStreams() {
    Probe.Loop = pa_threaded_mainloop_new();
    Probe.Context = pa_context_new(pa_threaded_mainloop_get_api(Probe.Loop), "Brasswick latency probe");
    pa_context_connect(Probe.Context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
    pa_threaded_mainloop_start(Probe.Loop);
    if (!WaitForContext()) return false;
    const pa_sample_spec spec = {PA_SAMPLE_U8, ProbeRate, 1};
    const uint32_t any = static_cast<uint32_t>(-1);
    const pa_buffer_attr playing = {any, PlayerBufferBytes, 0, PlayerBufferBytes / 2, any};
    const pa_buffer_attr reading = {any, any, any, any, CaptureLength};
    pa_threaded_mainloop_lock(Probe.Loop);
    pa_stream* player = pa_stream_new(Probe.Context, "onsets", &spec, nullptr);
    pa_stream_set_write_callback(player, OnPlayerWritable, nullptr);
    pa_stream_connect_playback(player, "room", &playing, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr);
    pa_stream* reader = pa_stream_new(Probe.Context, "floor reader", &spec, nullptr);
    pa_stream_set_read_callback(reader, OnReaderSamples, nullptr);
    pa_stream_connect_record(reader, nullptr, &reading, PA_STREAM_ADJUST_LATENCY);
    pa_threaded_mainloop_unlock(Probe.Loop);
    return true;
}

// Pixels of the loudest faces (the `faces` loudest) on rows 64 pixels apart
// and the last row: the face of every tile crosses one of them, the cut
// ones at the edges too, so a new loud tile adds to the count.
long LoudPixelsOnScreen(Display* display, int faces = 1) {
    const Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, 0), height = DisplayHeight(display, 0);
    std::vector<unsigned long> loud;
    for (int k = TileFaceCount - faces; k < TileFaceCount; ++k) {
        const Rgb face = TileFaces[k].Face;
        loud.push_back((face.R << 16) | (face.G << 8) | face.B);  // the 24-bit TrueColor of Xvfb
    }
    long count = 0;
    std::vector<int> rows;
    for (int y = 0; y < height - 1; y += 64) rows.push_back(y);
    rows.push_back(height - 1);
    for (int y : rows) {
        XImage* row = XGetImage(display, root, 0, y, width, 1, AllPlanes, ZPixmap);
        if (!row) continue;
        for (int x = 0; x < width; ++x)
            count += std::count(loud.begin(), loud.end(), XGetPixel(row, x, 0) & 0xFFFFFF) > 0;
        XDestroyImage(row);
    }
    return count;
}

// Milliseconds from the onset to the first new loud tile, or -1.
int64_t WaitForLoudTile(Display* display, long before) {
    const int64_t giveUpAt = MonotonicMilliseconds() + PatienceMilliseconds;
    while (MonotonicMilliseconds() < giveUpAt)
        if (LoudPixelsOnScreen(display) > before) return MonotonicMilliseconds() - Probe.OnsetAt;
    return -1;
}

void PrintMedian(const char* what, std::vector<double> values) {
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    std::printf("%s: median %.0f ms (%.0f to %.0f)\n", what, Median(values), values.front(), values.back());
}

// A loud onset after a second of quiet, back to quiet once the tile shows.
int Latency(int onsets, int period) {
    const char* args[] = {"linux_bench"};
    Probe.Options = ReadHackOptions(1, args, nullptr);
    Display* display = XOpenDisplay(nullptr);
    if (!display || !OpenProbeStreams()) return 1;
    std::vector<double> tiles, floors;
    for (int i = 0; i < onsets; ++i) {
        // A random share of a period more, so onsets fall anywhere between ticks.
        std::this_thread::sleep_for(std::chrono::milliseconds(QuietMilliseconds + std::rand() % period));
        const long before = LoudPixelsOnScreen(display);
        Probe.HeardAt = 0;
        Probe.OnsetAt = 0;
        Probe.Loud = true;
        while (Probe.OnsetAt == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int64_t tile = WaitForLoudTile(display, before);
        Probe.Loud = false;
        const int64_t heardAt = Probe.HeardAt;
        const int64_t floor = heardAt ? heardAt - Probe.OnsetAt : -1;
        std::printf("onset %d: loud tile after %lld ms, floor reader after %lld ms\n", i + 1,
                    static_cast<long long>(tile), static_cast<long long>(floor));
        if (tile >= 0) tiles.push_back(static_cast<double>(tile));
        if (floor >= 0) floors.push_back(static_cast<double>(floor));
    }
    PrintMedian("sound to picture", tiles);
    PrintMedian("the floor reader", floors);
    pa_threaded_mainloop_stop(Probe.Loop);
    XCloseDisplay(display);
    return tiles.size() == static_cast<size_t>(onsets) && floors.size() == static_cast<size_t>(onsets) ? 0 : 1;
}

// The probe's player to a new swing; the time its first bytes were handed
// to the server.
int64_t PlaySwing(int swing) {
    Probe.Swing = swing;
    Probe.OnsetAt = 0;
    Probe.Loud = swing > 0;
    if (swing > 0)
        while (Probe.OnsetAt == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return MonotonicMilliseconds();
}

// Milliseconds from `since` until a tile of the top two bands is painted
// where none was (their pixels rise above their least count meanwhile), or -1.
int64_t WaitForNewTopTile(Display* display, int64_t since, int patienceMs) {
    long least = LoudPixelsOnScreen(display, 2);
    while (MonotonicMilliseconds() < since + patienceMs) {
        const long now = LoudPixelsOnScreen(display, 2);
        if (now > least) return MonotonicMilliseconds() - since;
        least = std::min(least, now);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

// Level 10 is the yellow band of the default thresholds; only the gain
// brings it to the top two. The loud phase is full swing, level 127.
constexpr int QuietSwing = 10;
constexpr int LoudMilliseconds = 4000;
constexpr int ComeBackPatienceMs = 180000;

int Gain() {
    Display* display = XOpenDisplay(nullptr);
    if (!display || !OpenProbeStreams()) return 1;
    PlaySwing(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const int64_t quietStart = PlaySwing(QuietSwing);
    const int64_t raised = WaitForNewTopTile(display, quietStart, PatienceMilliseconds);
    PlaySwing(128);
    std::this_thread::sleep_for(std::chrono::milliseconds(LoudMilliseconds));
    const int64_t turnedQuiet = PlaySwing(QuietSwing);
    // Past the last loud tiles on their way to the screen.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const int64_t back = WaitForNewTopTile(display, turnedQuiet, ComeBackPatienceMs);
    PlaySwing(0);
    std::printf("quiet room to the top two bands: %lld ms\n", static_cast<long long>(raised));
    std::printf("loud room turned quiet to the top two bands again: %lld ms\n", static_cast<long long>(back));
    pa_threaded_mainloop_stop(Probe.Loop);
    XCloseDisplay(display);
    return raised >= 0 && back >= 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "ticks") == 0) return Ticks();
    if (argc == 3 && std::strcmp(argv[1], "floor") == 0) return Floor(std::atoi(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "latency") == 0) return Latency(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "gain") == 0) return Gain();
    std::fprintf(stderr, "usage: linux_bench ticks | floor MS | latency N MS | gain\n");
    return 2;
}
