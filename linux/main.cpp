// brasswick: the mosaic as an xscreensaver hack. One tile per tick, chosen
// by the room's loudness; ends with 0 on SIGTERM, SIGINT or SIGHUP.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "linux/hack_options.h"
#include "linux/monotonic_clock.h"
#include "linux/room_listener.h"
#include "linux/x_mosaic.h"
#include "mosaic/tick_period.h"
#include "sound/room_gain.h"
#include "sound/tile_band.h"

namespace {

// A signal is turned into a byte on this pipe, which the tick loop waits on
// together with the X connection.
int SignalPipe[2] = {-1, -1};

void OnEndingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &byte, 1);
    errno = saved;
}

bool CatchEndingSignals() {
    if (pipe2(SignalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    struct sigaction action = {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    const int endings[] = {SIGTERM, SIGINT, SIGHUP};
    for (int ending : endings) sigaction(ending, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

// No tile while a fresh stream has yet to deliver (for a few seconds at
// most): a tile by chance would misreport a room that is about to be heard.
bool NextTile(const HackOptions& options, RoomGainState& gain, TileImageId& id) {
    SoundLevel level = 0;
    switch (ListenToRoom(level)) {
    case RoomHearing::Heard:
        if (options.Auto)
            level = FollowRoomLoudness(gain, level, static_cast<uint32_t>(MonotonicMilliseconds()),
                                       SettingNumber(options.Thresholds[ThresholdCount - 1]));
        id = TileForLevel(level, options.Thresholds);
        return true;
    case RoomHearing::Waiting:
        return false;
    case RoomHearing::Deaf:
        break;
    }
    id = RandomTileImage();
    return true;
}

// The first stream's answer chooses the background, as a stream opened or
// not at the start always did. Waiting for it still answers the ending
// signals; a server that gives no answer in a second is taken as absent.
constexpr int FirstStreamPatienceMilliseconds = 1000;
constexpr int FirstStreamPollMilliseconds = 5;

// False when an ending signal came first.
bool AwaitFirstStream(bool& heard) {
    const int64_t giveUpAt = MonotonicMilliseconds() + FirstStreamPatienceMilliseconds;
    while (!FirstStreamSettled(heard)) {
        if (MonotonicMilliseconds() >= giveUpAt) return true;
        pollfd signalWait = {SignalPipe[0], POLLIN, 0};
        if (poll(&signalWait, 1, FirstStreamPollMilliseconds) > 0) return false;
    }
    return true;
}

// Until a signal or our own window's closing. The deadline moves by whole
// periods, so ticks keep their rhythm; after a long stall it starts afresh.
void RunTicks(const HackOptions& options, bool heard) {
    const int64_t period = TickPeriodOf(options.Freq);
    int64_t deadline = MonotonicMilliseconds() + period;
    RoomGainState gain = {};
    for (;;) {
        if (!HandleMosaicEvents(heard)) return;
        const int64_t wait = deadline - MonotonicMilliseconds();
        if (wait <= 0) {
            TileImageId id;
            if (NextTile(options, gain, id)) PaintNextTile(id);
            deadline += period;
            if (deadline < MonotonicMilliseconds()) deadline = MonotonicMilliseconds() + period;
            continue;
        }
        pollfd waits[2] = {{SignalPipe[0], POLLIN, 0}, {MosaicConnection(), POLLIN, 0}};
        if (poll(waits, 2, static_cast<int>(wait)) > 0 && (waits[0].revents & POLLIN)) return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const HackOptions options = ReadHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    if (options.Verdict == OptionsVerdict::Help) {
        WriteHackUsage(stdout);
        return 0;
    }
    if (options.Verdict == OptionsVerdict::Bad) {
        std::fprintf(stderr, "%s\n", options.Message);
        return 2;
    }
    if (!CatchEndingSignals()) {
        std::perror("brasswick: pipe");
        return 1;
    }
    char message[OptionsMessageSize];
    if (!OpenMosaicView(options, message)) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }
    bool heard = false;
    if (!options.NoSound) StartListening(options.Input);
    if (options.NoSound || AwaitFirstStream(heard)) {
        LayOutMosaic(heard);
        RunTicks(options, heard);
    }
    const bool listenerEnded = StopListening();
    CloseMosaicView();
    if (!listenerEnded) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
