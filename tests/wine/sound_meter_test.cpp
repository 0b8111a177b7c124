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

bool WaitForState(MeterState state) {
    return WaitUntil([&] { return SoundMeter.Phase.load() == state; }, CaptureTimeoutMs, BetweenPolls::Sleep);
}

// Close returns at once; the meter's thread closes the device.
void CloseMeter() {
    const HWAVEIN device = SoundMeter.Device->Handle;
    MMRESULT code = MMSYSERR_ERROR;
    const DWORD start = GetTickCount();
    CloseSoundMeter(&code);
    EXPECT_LT(GetTickCount() - start, 100u);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    EXPECT_TRUE(WaitForState(MeterState::Closed));
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_TRUE(Closed(device));
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
    EXPECT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
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

// The caller that cannot wait learns the answer from the report; a switch
// to another input, asked before the first has closed, opens it.
TEST(SoundMeter, ALateAnswerComesThroughTheReportAndASwitchOpensTheNewInput) {
    MMRESULT code = MMSYSERR_NOERROR;
    EXPECT_EQ(OpenSoundMeter("", 0, &code), 0);
    EXPECT_EQ(code, OpenAnswerLate);
    EXPECT_TRUE(WaitUntil([] { return Report().OpenAnswer == MeterState::Listening; }, CaptureTimeoutMs,
                          BetweenPolls::Sleep));
    const HWAVEIN first = SoundMeter.Device->Handle;
    WAVEINCAPSA last = {};
    ASSERT_EQ(waveInGetDevCapsA(waveInGetNumDevs() - 1, &last, sizeof last), MMSYSERR_NOERROR);
    CloseSoundMeter(&code);
    ASSERT_EQ(OpenSoundMeter(last.szPname, CaptureTimeoutMs, &code), 1);
    EXPECT_TRUE(Closed(first));
    EXPECT_STREQ(Report().InputName, last.szPname);
    EXPECT_FALSE(Report().NamedInputMissing);
    CloseMeter();
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

DWORD WINAPI CompleteLate(LPVOID device) {
    Sleep(LateCompletionWaitMs / 5);
    SoundDevice* record = static_cast<SoundDevice*>(device);
    CaptureDoneCallback(record->Handle, WIM_DATA, reinterpret_cast<DWORD_PTR>(record),
                        reinterpret_cast<DWORD_PTR>(&record->Header), 0);
    return 0;
}

// A record is freed only once its callback has handed the capture back,
// even after a close that succeeded: a completion the reset caused may come
// late, from the driver's thread. One that is never handed back is abandoned.
TEST(SoundMeter, ARecordOutlivesItsLastCallbackOrIsAbandoned) {
    const struct {
        const char* Name;
        bool Closes;        // the meter's close succeeds
        bool Holding;       // the capture is still the driver's when the meter lets go
        bool CompleteLate;  // its completion comes from another thread after the close
        bool Abandoned;
    } cases[] = {
        {"closed, nothing held", true, false, false, false},
        {"closed, completed late", true, true, true, false},
        {"closed, never completed", true, true, false, true},
        {"not closed, held", false, true, false, true},
        {"not closed, nothing held", false, false, false, false},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(OpenMeter());
        CaptureLevel();
        SoundDevice* device = SoundMeter.Device;
        if (!c.Closes) {
            ASSERT_EQ(waveInClose(device->Handle), MMSYSERR_NOERROR);  // its close will fail
        }
        device->Holding = c.Holding;
        const LONG abandoned = SoundMeter.AbandonedDevices.load();
        SoundMeter.LastLevel = 5;
        MMRESULT code = MMSYSERR_ERROR;
        CloseSoundMeter(&code);
        HANDLE late = c.CompleteLate ? CreateThread(nullptr, 0, CompleteLate, device, 0, nullptr) : nullptr;
        ASSERT_TRUE(WaitForState(MeterState::Closed)) << c.Name;
        EXPECT_EQ(SoundMeter.AbandonedDevices.load(), abandoned + (c.Abandoned ? 1 : 0)) << c.Name;
        if (c.Abandoned) {
            EXPECT_EQ(device->Holding.load(), 1) << c.Name;  // still readable: never freed
        }
        if (late != nullptr) {
            EXPECT_EQ(WaitForSingleObject(late, CaptureTimeoutMs), WAIT_OBJECT_0);
            CloseHandle(late);
        }
        EXPECT_EQ(SoundMeter.LastLevel.load(), 5) << c.Name << ": a late completion is no level";
        SoundMeter.AbandonedDevices = abandoned;
    }
}

// A capture the platform will never complete, as when a sound server dies
// or a microphone is unplugged: marked in flight with nothing queued.
TEST(SoundMeterFailure, ACaptureThatNeverCompletesIsGivenUpAfterTheLimit) {
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    CaptureLevel();
    const DWORD limit = SoundMeter.StallLimitMs;
    SoundMeter.StallLimitMs = 400;
    // The meter's thread sleeps while it listens: the capture is marked in
    // flight under it, with nothing queued, and the thread woken to see it.
    SoundMeter.Busy = SoundMeter.Device->Identity;
    SoundMeter.QueuedAt = GetTickCount();
    const DWORD queuedAt = SoundMeter.QueuedAt;
    SoundMeter.Phase = MeterState::Capturing;
    SoundMeter.LastLevel = 77;
    SetEvent(SoundMeter.Wake);

    StartWatchingDebugOutput();
    int32_t level = -1;
    MMRESULT code = MMSYSERR_ERROR;
    EXPECT_EQ(StartLevelCapture(&level, &code), 1);
    EXPECT_EQ(StopWatchingDebugOutput(), "Locking!\n");
    EXPECT_EQ(level, 77);
    EXPECT_EQ(code, MMSYSERR_NOERROR);
    ASSERT_LT(GetTickCount() - queuedAt, SoundMeter.StallLimitMs) << "the machine is too slow for this limit";

    // Past the limit the meter's thread lets the device go; the ticks
    // meanwhile return at once, with random tiles.
    ASSERT_TRUE(WaitUntil([] { return SoundMeter.Phase.load() == MeterState::Absent; }, 3000, BetweenPolls::Sleep));
    const DWORD givenUpAt = GetTickCount();
    EXPECT_EQ(StartLevelCapture(&level, &code), 0);
    EXPECT_LT(GetTickCount() - givenUpAt, 100u);
    EXPECT_EQ(code, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
    EXPECT_EQ(SoundMeter.Busy.load(), 0);
    SoundMeter.StallLimitMs = limit;
    // A second later the input is open again; its first tick has no level
    // of its own yet, so the old device's 77 is not passed off as fresh.
    ASSERT_TRUE(WaitForState(MeterState::Listening));
    EXPECT_EQ(StartLevelCapture(&level, &code), 0);
    // The silent room, heard through the new device as the saver's ticks
    // find it: Wine's first capture on a device takes about 2 s.
    const auto tickHearsSilence = [&] { return StartLevelCapture(&level, &code) == 1 && level == 0; };
    EXPECT_TRUE(WaitUntil(tickHearsSilence, CaptureTimeoutMs, BetweenPolls::Sleep));
    EXPECT_EQ(SoundMeter.AbandonedDevices.load(), 0);  // it closed: its buffer was given back
    CloseMeter();
}

// Failures injected through the real API: with the device closed underneath
// the meter, the platform refuses its handle. Before any capture the prepare
// needs the device; after one the header is still prepared and the add fails.
TEST(SoundMeterFailure, AFailedPrepareOrAddLetsTheInputGoUntilItOpensAgain) {
    LoadDefaultThresholds();
    for (bool capturedBefore : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(OpenMeter());
        if (capturedBefore) CaptureLevel();
        ASSERT_EQ((SoundMeter.Device->Header.dwFlags & WHDR_PREPARED) != 0, capturedBefore);
        ASSERT_EQ(waveInClose(SoundMeter.Device->Handle), MMSYSERR_NOERROR);
        SoundMeter.LastLevel = 33;
        StartWatchingDebugOutput();
        int32_t level = -1;
        MMRESULT code = MMSYSERR_NOERROR;
        StartLevelCapture(&level, &code);  // the meter's thread finds the failure
        ASSERT_TRUE(WaitUntil([] { return SoundMeter.Phase.load() == MeterState::Absent; }, 2000,
                              BetweenPolls::Sleep));
        const DWORD failedAt = GetTickCount();
        EXPECT_EQ(SoundMeter.Busy.load(), 0);
        // Until the input is open again every tile comes at random; stuck,
        // the meter would give 33, the second loudest tile, every tick.
        std::set<TileImageId> tiles;
        for (int i = 0; i < 300 && GetTickCount() - failedAt < RetryIntervalMs - 100; ++i)
            tiles.insert(ChooseTileByLevel());
        EXPECT_EQ(tiles.size(), 7u) << "prepared before: " << capturedBefore;
        EXPECT_EQ(StartLevelCapture(&level, &code), 0);
        EXPECT_EQ(code, static_cast<MMRESULT>(MMSYSERR_NODRIVER));
        EXPECT_EQ(StopWatchingDebugOutput().find("Locking!"), std::string::npos);
        // A second on, the input opens again and a later tick hears the room.
        ASSERT_TRUE(WaitForState(MeterState::Listening));
        EXPECT_TRUE(
            WaitUntil([&] { return StartLevelCapture(&level, &code) == 1; }, CaptureTimeoutMs, BetweenPolls::Sleep));
        EXPECT_EQ(code, MMSYSERR_NOERROR);
        EXPECT_TRUE(WaitUntilIdle());
        EXPECT_EQ(SoundMeter.LastLevel.load(), 0);
        CloseMeter();
    }
}

// Past the bound of abandoned devices no new device is opened, until the
// meter is closed and opened again with the bound no longer reached.
TEST(SoundMeterFailure, PastTheBoundOfAbandonedDevicesTheMeterGivesUp) {
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    ASSERT_EQ(waveInClose(SoundMeter.Device->Handle), MMSYSERR_NOERROR);
    SoundMeter.AbandonedDevices = MaxAbandonedDevices;
    int32_t level = -1;
    MMRESULT code = MMSYSERR_NOERROR;
    StartLevelCapture(&level, &code);
    ASSERT_TRUE(WaitForState(MeterState::GivenUp));
    Sleep(RetryIntervalMs + 200);
    EXPECT_EQ(SoundMeter.Phase.load(), MeterState::GivenUp);
    EXPECT_EQ(SoundMeter.Device, nullptr);
    EXPECT_EQ(StartLevelCapture(&level, &code), 0);
    SoundMeter.AbandonedDevices = 0;
    CloseSoundMeter(&code);
    ASSERT_NO_FATAL_FAILURE(OpenMeter());
    CloseMeter();
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
