#include "sound/sound_meter.h"

#include <mmddk.h>  // the wave mapper's messages

#include <cstdarg>
#include <cstdlib>
#include <new>

#include "host/fault_guard.h"
#include "sound/sound_level.h"
#include "sound/sound_meter_state.h"

SoundMeterState SoundMeter;

namespace {

// What a request reports while no input is listening.
constexpr MMRESULT NoInputCode = MMSYSERR_NODRIVER;

void FillFormat(WAVEFORMATEX& format) {
    format = WAVEFORMATEX{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    format.cbSize = 0;
}

void CopyName(char (&to)[32], const char* from) {
    lstrcpynA(to, from, sizeof to);
}

MeterState Phase() {
    return SoundMeter.Phase.load(std::memory_order_acquire);
}

// The one way the meter's thread changes its state.
void Move(MeterEvent event) {
    SoundMeter.Phase.store(NextMeterState(Phase(), event), std::memory_order_release);
}

bool Holding(const SoundDevice* device) {
    return device->Holding.load(std::memory_order_acquire) != 0;
}

bool GaveUp() {
    return SoundMeter.AbandonedDevices.load(std::memory_order_relaxed) >= MaxAbandonedDevices;
}

// ---- Driver calls: on the meter's thread only.

// A fresh record, so that no buffer a lost device may still hold is lent to
// the new one; null when memory or the device cannot be had.
SoundDevice* OpenDevice(UINT id, MMRESULT* code) {
    SoundDevice* device = static_cast<SoundDevice*>(std::malloc(sizeof(SoundDevice)));
    if (device == nullptr) {
        *code = MMSYSERR_NOMEM;
        return nullptr;
    }
    new (device) SoundDevice{};
    device->Identity = SoundMeter.NextIdentity.fetch_add(1, std::memory_order_relaxed) + 1;
    device->Header.lpData = reinterpret_cast<LPSTR>(device->Buffer);
    device->Header.dwBufferLength = CaptureLength;
    device->Header.dwLoops = 1;
    // The record, not 0, is the instance value: the callback tells one device's completions from another's.
    *code = waveInOpen(&device->Handle, id, &SoundMeter.Format, reinterpret_cast<DWORD_PTR>(&CaptureDoneCallback),
                       reinterpret_cast<DWORD_PTR>(device), CALLBACK_FUNCTION);
    if (*code == MMSYSERR_NOERROR) return device;
    std::free(device);
    return nullptr;
}

bool WaitUntilGivenBack(const SoundDevice* device) {
    const DWORD start = GetTickCount();
    while (Holding(device)) {
        if (GetTickCount() - start >= LateCompletionWaitMs) return false;
        Sleep(5);
    }
    return true;
}

// Lets a device go. Its record (buffer and header) is freed only once its
// callback has handed the capture back: a completion caused by the reset may
// still be on its way after the close returned. A device that keeps it
// longer is abandoned to it for good.
void ReleaseDevice(SoundDevice* device) {
    if (Holding(device)) waveInReset(device->Handle);
    waveInUnprepareHeader(device->Handle, &device->Header, sizeof(WAVEHDR));
    waveInClose(device->Handle);
    if (WaitUntilGivenBack(device)) {
        std::free(device);
        return;
    }
    SoundMeter.AbandonedDevices.fetch_add(1, std::memory_order_relaxed);
}

// The name the driver gives a device number (WAVE_MAPPER included); "" when it gives none.
void NameOfInput(UINT id, char (&name)[32]) {
    WAVEINCAPSA caps = {};
    CopyName(name, waveInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
}

// The device number of the input of that name, or the default input.
UINT ResolveInput(const char* inputName, SoundMeterReport& report) {
    report.InputCount = waveInGetNumDevs();
    report.NamedInputMissing = false;
    if (inputName[0] == '\0') return WAVE_MAPPER;
    for (UINT id = 0; id < report.InputCount; ++id) {
        char name[32];
        NameOfInput(id, name);
        if (lstrcmpA(name, inputName) == 0) return id;
    }
    report.NamedInputMissing = true;
    return WAVE_MAPPER;
}

// The device the default input stands for where the mapper says so, else
// the mapper's own name.
void NameOpenedInput(UINT id, SoundMeterReport& report) {
    DWORD preferred = WAVE_MAPPER, flags = 0;
    if (id == WAVE_MAPPER &&
        waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET,
                      reinterpret_cast<DWORD_PTR>(&preferred), reinterpret_cast<DWORD_PTR>(&flags)) == MMSYSERR_NOERROR &&
        preferred < report.InputCount)
        id = preferred;
    NameOfInput(id, report.InputName);
}

// ---- The meter's thread.

void PublishReport(const SoundMeterReport& report) {
    EnterCriticalSection(&SoundMeter.Exchange);
    SoundMeter.Report = report;
    LeaveCriticalSection(&SoundMeter.Exchange);
}

SoundMeterReport CopyReport() {
    EnterCriticalSection(&SoundMeter.Exchange);
    SoundMeterReport report = SoundMeter.Report;
    LeaveCriticalSection(&SoundMeter.Exchange);
    return report;
}

void AnswerFirstOpen(MMRESULT code) {
    SoundMeter.AnswerCode.store(code, std::memory_order_relaxed);
    SoundMeter.AnsweredGeneration.store(SoundMeter.ServedGeneration, std::memory_order_release);
    SetEvent(SoundMeter.Answered);
}

// The input asked for, or the default one; first: the first open of a wish,
// whose answer the caller may be waiting for.
void OpenInput(bool first) {
    SoundMeterReport report = CopyReport();
    if (GaveUp()) {
        Move(MeterEvent::TooManyKept);
    } else {
        MMRESULT code = MMSYSERR_NOERROR;
        const UINT id = ResolveInput(SoundMeter.AskedName, report);
        SoundMeter.Device = OpenDevice(id, &code);
        if (SoundMeter.Device != nullptr) {
            NameOpenedInput(id, report);
            // The first open's level is the design's 0; a reopen has none until it hears the room.
            SoundMeter.LastLevel.store(first ? 0 : NoLevelYet, std::memory_order_relaxed);
            SoundMeter.Busy.store(0, std::memory_order_relaxed);
            SoundMeter.SoundHeardAt.store(GetTickCount(), std::memory_order_relaxed);
            Move(MeterEvent::Opened);
        } else {
            report.LastOpenCode = code;
            SoundMeter.RetryAt = GetTickCount() + RetryIntervalMs;
            Move(MeterEvent::OpenFailed);
        }
    }
    if (first) report.OpenAnswer = Phase();
    PublishReport(report);
    if (first) AnswerFirstOpen(SoundMeter.Device != nullptr ? MMSYSERR_NOERROR : report.LastOpenCode);
}

// Lets the device go, and says so to the state machine; a stalled or failed
// device is looked for again a second later.
void LetDeviceGo() {
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    ReleaseDevice(SoundMeter.Device);
    SoundMeter.Device = nullptr;
    SoundMeter.RetryAt = GetTickCount() + RetryIntervalMs;
    SoundMeterReport report = CopyReport();
    report.InputName[0] = '\0';
    PublishReport(report);
    Move(MeterEvent::Released);
}

// A step of a capture failed. queued: the buffer had been handed over already.
void LoseDevice(bool queued) {
    if (!queued) SoundMeter.Device->Holding.store(0, std::memory_order_relaxed);
    Move(MeterEvent::CaptureFailed);
    LetDeviceGo();
}

void QueueCapture() {
    SoundDevice& device = *SoundMeter.Device;
    // Relaxed is enough: the platform's queue orders these before the callback.
    device.Holding.store(1, std::memory_order_relaxed);
    SoundMeter.Busy.store(device.Identity, std::memory_order_relaxed);
    SoundMeter.QueuedAt = GetTickCount();
    SoundMeter.CaptureWanted.store(0, std::memory_order_relaxed);
    if (waveInPrepareHeader(device.Handle, &device.Header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return LoseDevice(false);
    if (waveInAddBuffer(device.Handle, &device.Header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return LoseDevice(false);
    if (waveInStart(device.Handle) != MMSYSERR_NOERROR) return LoseDevice(true);
    Move(MeterEvent::CaptureQueued);
}

bool CaptureWanted() {
    return SoundMeter.CaptureWanted.load(std::memory_order_relaxed) != 0;
}

bool Stalled() {
    return GetTickCount() - SoundMeter.QueuedAt >= SoundMeter.StallLimitMs;
}

// True when the capture in flight has come back; its callback may be
// storing the level still, for a moment.
bool CaptureCameBack() {
    return SoundMeter.Busy.load(std::memory_order_acquire) <= 0;
}

void NoteCompletedCapture() {
    while (SoundMeter.Busy.load(std::memory_order_acquire) != 0) Sleep(0);
    if (SoundMeter.CaptureSilent.load(std::memory_order_relaxed) == 0)
        SoundMeter.SoundHeardAt.store(GetTickCount(), std::memory_order_relaxed);
    Move(MeterEvent::CaptureDone);
}

// Takes back a capture that is not coming; false when it came after all.
bool TakeBackStalledCapture() {
    LONG capture = SoundMeter.Device->Identity;
    return SoundMeter.Busy.compare_exchange_strong(capture, 0, std::memory_order_acq_rel);
}

void ServeCapture() {
    if (Phase() == MeterState::Capturing) {
        if (CaptureCameBack()) {
            NoteCompletedCapture();
        } else if (Stalled() && TakeBackStalledCapture()) {
            // A device unplugged, a sound service restarted: rather than stay
            // on the old level for good, let the device go and listen afresh.
            Move(MeterEvent::Stalled);
            LetDeviceGo();
            return;
        }
    }
    if (Phase() == MeterState::Listening && CaptureWanted()) QueueCapture();
}

MeterWish CopyWish() {
    EnterCriticalSection(&SoundMeter.Exchange);
    const MeterWish wish = SoundMeter.Wish;
    LeaveCriticalSection(&SoundMeter.Exchange);
    return wish;
}

// A new wish: whatever is open closes, then the wished input opens.
void ServeWish() {
    const MeterWish wish = CopyWish();
    if (wish.Generation == SoundMeter.ServedGeneration) return;
    SoundMeter.ServedGeneration = wish.Generation;
    Move(MeterEvent::CloseAsked);
    if (SoundMeter.Device != nullptr) LetDeviceGo();
    if (!wish.Open) return;
    CopyName(SoundMeter.AskedName, wish.Name);
    SoundMeterReport fresh = {};
    fresh.OpenAnswer = MeterState::Opening;
    PublishReport(fresh);
    Move(MeterEvent::OpenAsked);
    OpenInput(true);
}

void ServeAbsence() {
    if (Phase() != MeterState::Absent) return;
    if (GaveUp()) {
        Move(MeterEvent::TooManyKept);
    } else if (static_cast<LONG>(GetTickCount() - SoundMeter.RetryAt) >= 0) {
        Move(MeterEvent::RetryDue);
        OpenInput(false);
    }
}

// How long the thread may sleep before its state needs it again.
DWORD TimeToNextLook() {
    const DWORD now = GetTickCount();
    switch (Phase()) {
    case MeterState::Capturing: {
        const DWORD waited = now - SoundMeter.QueuedAt;
        return waited >= SoundMeter.StallLimitMs ? 0 : SoundMeter.StallLimitMs - waited;
    }
    case MeterState::Absent:
        return static_cast<LONG>(SoundMeter.RetryAt - now) > 0 ? SoundMeter.RetryAt - now : 0;
    default:
        return INFINITE;
    }
}

int RunMeter(void*) {
    for (;;) {
        ServeWish();
        ServeCapture();
        ServeAbsence();
        WaitForSingleObject(SoundMeter.Wake, TimeToNextLook());
    }
}

// A fault in a driver's call: its device is abandoned, the meter gives up
// and its thread ends; the saver goes on with random tiles, and a later
// open starts a new thread.
void GiveUpAfterFault() {
    if (SoundMeter.Device != nullptr) SoundMeter.AbandonedDevices.fetch_add(1, std::memory_order_relaxed);
    SoundMeter.Device = nullptr;
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    Move(MeterEvent::Faulted);
    SoundMeterReport report = CopyReport();
    report.InputName[0] = '\0';
    if (report.OpenAnswer == MeterState::Opening) report.OpenAnswer = MeterState::GivenUp;
    PublishReport(report);
    SoundMeter.ServedGeneration = CopyWish().Generation;
    AnswerFirstOpen(MMSYSERR_ERROR);
    SoundMeter.ThreadRunning.store(false, std::memory_order_release);
}

DWORD WINAPI MeterThread(LPVOID) {
    RunUnderFaultGuard(RunMeter, nullptr, GiveUpAfterFault);
    return 0;
}

// ---- The caller's thread.

void MakeMeterOnce() {
    if (SoundMeter.Wake != nullptr) return;
    FillFormat(SoundMeter.Format);
    InitializeCriticalSection(&SoundMeter.Exchange);
    SoundMeter.Wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SoundMeter.Answered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

// Never waited for: a driver call still blocked at exit is left behind.
// Windows 95, 98 and Me refuse CreateThread without somewhere to put the id.
bool StartMeterThread() {
    if (SoundMeter.ThreadRunning.load(std::memory_order_acquire)) return true;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, MeterThread, nullptr, 0, &id);
    if (thread == nullptr) return false;
    CloseHandle(thread);
    SoundMeter.ThreadRunning.store(true, std::memory_order_release);
    return true;
}

LONG PostWish(bool open, const char* name) {
    EnterCriticalSection(&SoundMeter.Exchange);
    MeterWish& wish = SoundMeter.Wish;
    ++wish.Generation;
    wish.Open = open;
    CopyName(wish.Name, name != nullptr ? name : "");
    const LONG generation = wish.Generation;
    LeaveCriticalSection(&SoundMeter.Exchange);
    SoundMeter.CaptureWanted.store(0, std::memory_order_relaxed);
    SetEvent(SoundMeter.Wake);
    return generation;
}

bool Answered(LONG generation) {
    return SoundMeter.AnsweredGeneration.load(std::memory_order_acquire) - generation >= 0;
}

bool WaitForAnswer(LONG generation, DWORD waitMs) {
    const DWORD start = GetTickCount();
    while (!Answered(generation)) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= waitMs) return false;
        WaitForSingleObject(SoundMeter.Answered, waitMs - waited);  // an older answer only loops once more
    }
    return true;
}

}  // namespace

int OpenSoundMeter(const char* inputName, DWORD waitMs, MMRESULT* code) {
    MakeMeterOnce();
    SoundMeter.LastLevel.store(0, std::memory_order_relaxed);
    const LONG generation = PostWish(true, inputName);
    if (!StartMeterThread()) {
        *code = MMSYSERR_NOMEM;
        return 0;
    }
    if (!WaitForAnswer(generation, waitMs)) {
        *code = OpenAnswerLate;
        return 0;
    }
    *code = SoundMeter.AnswerCode.load(std::memory_order_relaxed);
    return *code == MMSYSERR_NOERROR ? 1 : 0;
}

int StartLevelCapture(int32_t* level, MMRESULT* code) {
    *code = MMSYSERR_NOERROR;
    const int32_t last = SoundMeter.LastLevel.load(std::memory_order_relaxed);
    *level = last < 0 ? 0 : last;
    // Until an open's first answer the room counts as quiet, as until its
    // first capture. (The wish is this thread's own to read.)
    if (SoundMeter.Wish.Open && !Answered(SoundMeter.Wish.Generation)) return 1;
    const MeterState phase = Phase();
    if (phase != MeterState::Listening && phase != MeterState::Capturing) {
        *code = NoInputCode;
        return 0;
    }
    if (SoundMeter.Busy.load(std::memory_order_acquire) != 0 || SoundMeter.CaptureWanted.load() != 0) {
        if (last < 0) return 0;
        DebugTrace("Locking!\n");
        return 1;
    }
    SoundMeter.CaptureWanted.store(1, std::memory_order_relaxed);
    SetEvent(SoundMeter.Wake);
    return last < 0 ? 0 : 1;
}

// Runs on the sound system's thread: no platform call, no lock, no allocation.
// Only the capture in flight on the meter's device moves Busy and the level.
void CALLBACK CaptureDoneCallback(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WIM_DATA || instance == 0) return;
    SoundDevice* device = reinterpret_cast<SoundDevice*>(instance);
    const SoundLevel level = MeasureSoundLevel(device->Buffer, device->Header.dwBufferLength);
    const bool silent = IsExactSilence(device->Buffer, device->Header.dwBufferLength);
    LONG capture = device->Identity;
    device->Holding.store(0, std::memory_order_release);  // the last touch of the record
    if (!SoundMeter.Busy.compare_exchange_strong(capture, -capture, std::memory_order_acquire,
                                                 std::memory_order_relaxed))
        return;
    SoundMeter.LastLevel.store(level, std::memory_order_relaxed);
    SoundMeter.CaptureSilent.store(silent ? 1 : 0, std::memory_order_relaxed);
    SoundMeter.Busy.store(0, std::memory_order_release);
}

void CloseSoundMeter(MMRESULT* code) {
    if (SoundMeter.Wake == nullptr) {
        *code = MMSYSERR_INVALHANDLE;
        return;
    }
    const MeterState phase = Phase();
    *code = phase == MeterState::Listening || phase == MeterState::Capturing ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    PostWish(false, "");
}

void ReadSoundMeterReport(SoundMeterReport* report) {
    if (SoundMeter.Wake == nullptr) {
        *report = SoundMeterReport{};
        return;
    }
    EnterCriticalSection(&SoundMeter.Exchange);
    *report = SoundMeter.Report;
    const MeterWish wish = SoundMeter.Wish;
    LeaveCriticalSection(&SoundMeter.Exchange);
    // What the meter's thread has not taken up yet is already the caller's word.
    if (!wish.Open) {
        report->OpenAnswer = MeterState::Closed;
    } else if (!Answered(wish.Generation)) {
        report->OpenAnswer = MeterState::Opening;
    }
    report->State = Phase();
    const bool open = report->State != MeterState::Closed && report->State != MeterState::Closing;
    report->SilentForMs = open ? GetTickCount() - SoundMeter.SoundHeardAt.load(std::memory_order_relaxed) : 0;
}

void WaitForSoundMeterClosed(DWORD waitMs) {
    if (SoundMeter.Wake == nullptr) return;
    const DWORD start = GetTickCount();
    while (Phase() != MeterState::Closed && GetTickCount() - start < waitMs) Sleep(10);
}

void DebugTrace(const char* format, ...) {
    char text[1024];  // wvsprintfA writes at most 1024 bytes, whatever it is given
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    text[511] = '\0';  // a longer text is cut to its first 511 characters
    OutputDebugStringA(text);
}
