// The sound meter on the real waveIn API under Wine, listening to the
// harness's null sink "room": what a test plays there through waveOut is
// what the meter captures from its monitor, the default source.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "saver_window_fixture.h"
#include "settings/saver_settings.h"
#include "sound/sound_level.h"
#include "sound/sound_meter.h"
#include "sound/sound_meter_state.h"
#include "sound/tile_choice.h"
#include "tests/shared/debug_output.h"
#include "tests/shared/room_tone.h"
#include "tests/shared/wait_until.h"

namespace {

// The first capture of a process took about 1.3 s and later ones about 10 ms,
// and a tone reaches the monitor about half a second after it is written;
// other builds share the machine, so every wait is generous but bounded.
constexpr DWORD CaptureTimeoutMs = 20000;
constexpr DWORD ToneTimeoutMs = 30000;
constexpr int RaceAttempts = 50;

bool WaitUntilIdle() {
    return WaitForMeterIdle(CaptureTimeoutMs);
}

// One request and its completion: the level that this capture measured.
SoundLevel CaptureLevel() {
    int32_t level = -1;
    MMRESULT code = MMSYSERR_ERROR;
    EXPECT_EQ(StartLevelCapture(&level, &code), 1);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    EXPECT_TRUE(WaitUntilIdle());
    return SoundMeter.LastLevel.load();
}

bool WaitForLevelNear(SoundLevel target, SoundLevel tolerance) {
    return WaitUntil([&] { return std::abs(CaptureLevel() - target) <= tolerance; }, ToneTimeoutMs,
                     BetweenPolls::Sleep);
}

void OpenMeter() {
    MMRESULT code = MMSYSERR_ERROR;
    ASSERT_EQ(OpenSoundMeter("", CaptureTimeoutMs, &code), 1) << "no sound input (the harness's sound room?), code " << code;
    ASSERT_EQ(code, MMSYSERR_NOERROR);
}

bool Closed(HWAVEIN device) {
    UINT id = 0;
    return waveInGetID(device, &id) == MMSYSERR_INVALHANDLE;
}

// Close returns at once; the device closes on a thread of its own.
void CloseMeter() {
    const HWAVEIN device = SoundMeter.Device->Handle;
    MMRESULT code = MMSYSERR_ERROR;
    const DWORD start = GetTickCount();
    CloseSoundMeter(&code);
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return Closed(device); }, CaptureTimeoutMs, BetweenPolls::Sleep));
}

SoundMeterReport Report() {
    SoundMeterReport report;
    ReadSoundMeterReport(&report);
    return report;
}

void LoadDefaultThresholds() {
    const char* texts[ThresholdCount] = {"2", "4", "8", "16", "32", "64"};
    for (int k = 0; k < ThresholdCount; ++k) std::snprintf(SaverSettings.Thresholds[k], SettingTextSize, "%s", texts[k]);
}

TEST(SoundMeter, OpensIdleAndMeasuresSilenceAsZero) {
    SoundMeter.Busy = 1;  // leftovers that open must clear
    SoundMeter.LastLevel = 55;
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    const WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    EXPECT_EQ(std::memcmp(&SoundMeter.Format, &format, sizeof format), 0);
    const WAVEHDR& header = SoundMeter.Device->Header;
    EXPECT_EQ(header.lpData, reinterpret_cast<LPSTR>(SoundMeter.Device->Buffer));
    EXPECT_EQ(header.dwBufferLength, 11u);
    EXPECT_EQ(header.dwFlags, 0u);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 0);

    int32_t level = -1;
    MMRESULT code = MMSYSERR_ERROR;
    EXPECT_EQ(StartLevelCapture(&level, &code), 1);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    EXPECT_EQ(level, 0);
    EXPECT_TRUE(header.dwFlags & (WHDR_INQUEUE | WHDR_DONE));  // queued, or even filled already
    EXPECT_TRUE(WaitUntilIdle());
    EXPECT_EQ(header.dwBytesRecorded, 11u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(CaptureLevel(), 0) << "capture " << i;
    CloseMeter();
}

TEST(SoundMeter, ToneMeasuresItsAmplitudeAndChoosesItsBand) {
    const struct {
        int Amplitude;
        TileImageId Tile;
    } cases[] = {{20, IDB_TILE_4}, {50, IDB_TILE_5}, {100, IDB_TILE_6}};
    LoadDefaultThresholds();
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    for (const auto& c : cases) {
        // The sound server resamples on the way to the sink and back, which
        // was seen to take up to 5% off a tone; on a busy machine the stream
        // also drops out now and then, which only ever makes it quieter.
        const SoundLevel tolerance = 3 + c.Amplitude / 20;
        Tone tone;
        ASSERT_TRUE(StartTone(tone, c.Amplitude));
        ASSERT_TRUE(WaitForLevelNear(c.Amplitude, tolerance)) << "tone of amplitude " << c.Amplitude << " never heard";
        // The choice sees the level just measured.
        EXPECT_EQ(ChooseTileByLevel(), c.Tile) << "amplitude " << c.Amplitude;
        int heard = 0;
        for (int i = 0; i < 20; ++i) {
            const SoundLevel level = CaptureLevel();
            EXPECT_LE(level, c.Amplitude + tolerance);
            heard += std::abs(level - c.Amplitude) <= tolerance;
        }
        EXPECT_GE(heard, 15) << "amplitude " << c.Amplitude;
        EXPECT_LT(Report().SilentForMs, 1000u) << "amplitude " << c.Amplitude;
        StopTone(tone);
    }
    EXPECT_TRUE(WaitForLevelNear(0, 0));
    EXPECT_EQ(ChooseTileByLevel(), QuietestTile);
    // The null sink's silence is exact: every sample 128.
    EXPECT_TRUE(WaitUntil([] { return CaptureLevel() == 0 && Report().SilentForMs >= 500; }, ToneTimeoutMs,
                          BetweenPolls::Sleep));
    CloseMeter();
}

TEST(SoundMeter, RequestInFlightReturnsThePreviousLevelAndTracesLocking) {
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    CaptureLevel();
    // A capture takes milliseconds, so a request right after another almost
    // always finds it in flight; when it does not, try again.
    bool locked = false;
    for (int attempt = 0; attempt < RaceAttempts && !locked; ++attempt) {
        ASSERT_TRUE(WaitUntilIdle());
        SoundMeter.LastLevel = 77;  // no completion is pending, so this stays
        StartWatchingDebugOutput();
        int32_t first = -1, second = -1;
        MMRESULT firstCode = MMSYSERR_ERROR, secondCode = MMSYSERR_ERROR;
        EXPECT_EQ(StartLevelCapture(&first, &firstCode), 1);
        const int secondResult = StartLevelCapture(&second, &secondCode);
        const std::string trace = StopWatchingDebugOutput();
        EXPECT_EQ(first, 77);
        if (trace.empty()) continue;
        locked = true;
        EXPECT_EQ(trace, "Locking!\n");
        EXPECT_EQ(secondResult, 1);
        EXPECT_EQ(secondCode, MMSYSERR_NOERROR);
        EXPECT_EQ(second, 77);
    }
    ASSERT_TRUE(locked);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(SoundMeter.LastLevel.load(), 0);  // the silent room, measured by the capture in flight
    CloseMeter();
}

// The default input, an input by its driver's name, and a name no input has,
// which falls back to the default and says so.
TEST(SoundMeter, OpensTheNamedOrTheDefaultInputAndReportsWhichItOpened) {
    WAVEINCAPSA first = {};
    ASSERT_EQ(waveInGetDevCapsA(0, &first, sizeof first), MMSYSERR_NOERROR);
    const struct {
        const char* Asked;
        bool Missing;
    } cases[] = {{"", false}, {first.szPname, false}, {"No input of this name", true}};
    for (const auto& c : cases) {
        MMRESULT code = MMSYSERR_ERROR;
        ASSERT_EQ(OpenSoundMeter(c.Asked, CaptureTimeoutMs, &code), 1) << c.Asked;
        const SoundMeterReport report = Report();
        EXPECT_EQ(report.State, MeterState::Listening) << c.Asked;
        EXPECT_EQ(report.LastOpenCode, MMSYSERR_NOERROR) << c.Asked;
        EXPECT_EQ(report.InputCount, waveInGetNumDevs());
        EXPECT_EQ(report.NamedInputMissing, c.Missing) << c.Asked;
        if (c.Asked[0] != '\0' && !c.Missing) {
            EXPECT_STREQ(report.InputName, c.Asked);
        } else {
            EXPECT_NE(report.InputName[0], '\0') << c.Asked;
        }
        CloseMeter();
        EXPECT_EQ(Report().State, MeterState::Closed);
    }
}

// Only the completion of the capture in flight, on the device it was queued
// on, moves Busy and the level: not another message, not another device's
// (the instance value names the device), not one with no capture in flight.
TEST(SoundMeter, CallbackHandlesOnlyTheCaptureInFlight) {
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    // Idle with nothing queued: the test may play the sound system.
    SoundDevice& device = *SoundMeter.Device;
    SoundDevice other = {};
    other.Identity = device.Identity + 1000;
    other.Header.dwBufferLength = CaptureLength;
    const auto complete = [](SoundDevice& from, UINT message) {
        from.Holding = 1;
        CaptureDoneCallback(from.Handle, message, reinterpret_cast<DWORD_PTR>(&from),
                            reinterpret_cast<DWORD_PTR>(&from.Header), 0);
    };
    for (uint32_t i = 0; i < CaptureLength; ++i) device.Buffer[i] = other.Buffer[i] = i < 6 ? 0 : 255;
    SoundMeter.LastLevel = 5;
    SoundMeter.Busy = device.Identity;
    complete(device, WIM_OPEN);
    complete(device, WIM_CLOSE);
    complete(other, WIM_DATA);
    EXPECT_EQ(SoundMeter.Busy.load(), device.Identity);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 5);
    EXPECT_EQ(other.Holding.load(), 0);  // its own buffer is back, though
    // The divisor is the buffer's length, not the count the platform recorded.
    device.Header.dwBytesRecorded = 5;
    complete(device, WIM_DATA);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    EXPECT_EQ(device.Holding.load(), 0);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 127);
    // A second completion of a capture already handled changes nothing.
    SoundMeter.LastLevel = 5;
    complete(device, WIM_DATA);
    EXPECT_EQ(SoundMeter.LastLevel.load(), 5);
    CloseMeter();
}

// Whatever is in flight, close hands the device to a thread of its own and
// returns; that thread takes the buffer back and closes the device.
TEST(SoundMeter, CloseReturnsAtOnceAndTheDeviceCloses) {
    for (bool inFlight : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(OpenMeter());
        CaptureLevel();
        int32_t level = -1;
        MMRESULT code = MMSYSERR_ERROR;
        if (inFlight) {
            ASSERT_EQ(StartLevelCapture(&level, &code), 1);
        }
        CloseMeter();
        EXPECT_EQ(SoundMeter.Busy.load(), 0) << "in flight: " << inFlight;
    }
}

// A device that cannot be closed while it may still hold its buffer keeps
// its record (buffer and header) for good; one that holds nothing frees it.
TEST(SoundMeter, ADeviceThatMayHoldItsBufferIsAbandonedWithIt) {
    for (bool holding : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(OpenMeter());
        CaptureLevel();
        SoundDevice* device = SoundMeter.Device;
        ASSERT_EQ(waveInClose(device->Handle), MMSYSERR_NOERROR);  // its close will fail
        device->Holding = holding;
        const LONG abandoned = SoundMeter.AbandonedDevices.load();
        MMRESULT code = MMSYSERR_ERROR;
        CloseSoundMeter(&code);
        if (holding) {
            ASSERT_TRUE(WaitUntil([&] { return SoundMeter.AbandonedDevices.load() == abandoned + 1; }, CaptureTimeoutMs,
                                  BetweenPolls::Sleep));
            EXPECT_EQ(device->Holding.load(), 1);  // still readable: never freed
            SoundMeter.AbandonedDevices = abandoned;
        } else {
            Sleep(200);
            EXPECT_EQ(SoundMeter.AbandonedDevices.load(), abandoned);
        }
    }
}

// A capture the platform will never complete, as when a sound server dies
// or a microphone is unplugged: marked in flight with nothing queued.
TEST(SoundMeterFailure, ACaptureThatNeverCompletesIsGivenUpAfterTheLimit) {
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    CaptureLevel();
    const DWORD limit = SoundMeter.StallLimitMs;
    SoundMeter.StallLimitMs = 400;
    SoundMeter.Device->Holding = 1;
    SoundMeter.Busy = SoundMeter.Device->Identity;
    SoundMeter.QueuedAt = GetTickCount();
    const DWORD flags = SoundMeter.Device->Header.dwFlags;
    const DWORD queuedAt = SoundMeter.QueuedAt;
    SoundMeter.LastLevel = 77;

    StartWatchingDebugOutput();
    int32_t level = -1;
    MMRESULT code = MMSYSERR_ERROR;
    EXPECT_EQ(StartLevelCapture(&level, &code), 1);
    EXPECT_EQ(StopWatchingDebugOutput(), "Locking!\n");
    EXPECT_EQ(level, 77);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    EXPECT_EQ(SoundMeter.Device->Header.dwFlags, flags);  // untouched: no platform call
    ASSERT_LT(GetTickCount() - queuedAt, SoundMeter.StallLimitMs) << "the machine is too slow for this limit";

    // Past the limit the device goes to the recovery thread and the tick
    // returns at once: a random tile.
    // The meter reads GetTickCount, which Wine moves on in steps: a plain
    // Sleep of the limit has been seen to leave it a tick short.
    while (GetTickCount() - queuedAt < SoundMeter.StallLimitMs) Sleep(10);
    const DWORD givenUpAt = GetTickCount();
    EXPECT_EQ(StartLevelCapture(&level, &code), 0);
    EXPECT_LT(GetTickCount() - givenUpAt, 100u);
    EXPECT_EQ(code, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    EXPECT_EQ(level, 77);
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    // The silent room, heard through the new device as the saver's ticks
    // find it: Wine's first capture on a device takes about 2 s, and now and
    // then one has not completed 20 s on, which the meter gives up in turn.
    SoundMeter.StallLimitMs = limit;
    const auto tickHearsSilence = [&] {
        StartLevelCapture(&level, &code);
        Sleep(55);
        return SoundMeter.LastLevel.load() == 0;
    };
    EXPECT_TRUE(WaitUntil(tickHearsSilence, CaptureTimeoutMs, BetweenPolls::Sleep));
    EXPECT_EQ(SoundMeter.AbandonedDevices.load(), 0);  // it closed: its buffer was given back
    CloseMeter();
}

// Failures injected through the real API: with the device closed underneath
// the meter, the platform refuses its handle. Before any capture the prepare
// needs the device; after one the header is still prepared and the add fails.
TEST(SoundMeterFailure, AFailedPrepareOrAddFailsUntilTheInputOpensAgain) {
    LoadDefaultThresholds();
    for (bool capturedBefore : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(OpenMeter());
        if (capturedBefore) CaptureLevel();
        ASSERT_EQ((SoundMeter.Device->Header.dwFlags & WHDR_PREPARED) != 0, capturedBefore);
        ASSERT_EQ(waveInClose(SoundMeter.Device->Handle), MMSYSERR_NOERROR);
        SoundMeter.LastLevel = 33;
        StartWatchingDebugOutput();
        const DWORD failedAt = GetTickCount();
        int32_t level = -1;
        MMRESULT code = MMSYSERR_NOERROR;
        EXPECT_EQ(StartLevelCapture(&level, &code), 0);
        EXPECT_EQ(code, MMSYSERR_INVALHANDLE);
        EXPECT_EQ(level, 33);
        EXPECT_EQ(SoundMeter.Busy.load(), 0);
        // Until the retry is due no platform call is made and every tile comes
        // at random; stuck, the meter would give 33, the second loudest tile, every tick.
        std::set<TileImageId> tiles;
        for (int i = 0; i < 300 && GetTickCount() - failedAt < RetryIntervalMs - 100; ++i)
            tiles.insert(ChooseTileByLevel());
        EXPECT_EQ(tiles.size(), 7u) << "prepared before: " << capturedBefore;
        EXPECT_EQ(StartLevelCapture(&level, &code), 0);
        EXPECT_EQ(code, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
        EXPECT_EQ(StopWatchingDebugOutput().find("Locking!"), std::string::npos);
        // Once the retry is due (the failure moved back in time) the input
        // opens again on the recovery thread, and a later tick hears the
        // room; unless too many devices have been abandoned already.
        SoundMeter.LastRetryAt -= RetryIntervalMs;
        SoundMeter.AbandonedDevices = MaxAbandonedDevices;
        EXPECT_FALSE(WaitUntil([&] { return StartLevelCapture(&level, &code) == 1; }, 1000, BetweenPolls::Sleep));
        EXPECT_EQ(SoundMeter.Device, nullptr);
        SoundMeter.AbandonedDevices = 0;
        EXPECT_TRUE(
            WaitUntil([&] { return StartLevelCapture(&level, &code) == 1; }, CaptureTimeoutMs, BetweenPolls::Sleep));
        EXPECT_EQ(code, MMSYSERR_NOERROR);
        EXPECT_TRUE(WaitUntilIdle());
        EXPECT_EQ(SoundMeter.LastLevel.load(), 0);
        CloseMeter();
    }
}

TEST(DebugTrace, WritesTheFormattedTextCutTo511Characters) {
    StartWatchingDebugOutput();
    DebugTrace("%s %d%c", "level", 42, '\n');
    EXPECT_EQ(StopWatchingDebugOutput(), "level 42\n");
    StartWatchingDebugOutput();
    DebugTrace("%s", std::string(600, 'x').c_str());
    EXPECT_EQ(StopWatchingDebugOutput(), std::string(511, 'x'));
}

}  // namespace
