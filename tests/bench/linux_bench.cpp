// Figures for the README's Linux rows, on the display and sound server of
// the environment:
//   linux_bench ticks     the median time of one tick at the root window's
//                         size (choice by level, one copy, a round trip),
//                         against one bare copy of a pixmap
//   linux_bench floor MS  a bare X client: the same capture stream open and
//                         one pixmap copied every MS milliseconds, until
//                         SIGTERM; its CPU time is the floor of the program's
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "host/hack_options.h"
#include "linux/room_listener.h"
#include "linux/x_mosaic.h"
#include "sound/tile_band.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rounds = 3000;

double MedianMicroseconds(std::vector<double>& samples) {
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
    return MedianMicroseconds(samples);
}

int Ticks() {
    const char* args[] = {"linux_bench", "-root"};
    const HackOptions options = ReadHackOptions(2, args, nullptr);
    char message[OptionsMessageSize];
    if (!OpenMosaicView(options, message)) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }
    StartListening();
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
    StartListening();
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "ticks") == 0) return Ticks();
    if (argc == 3 && std::strcmp(argv[1], "floor") == 0) return Floor(std::atoi(argv[2]));
    std::fprintf(stderr, "usage: linux_bench ticks | floor MS\n");
    return 2;
}
