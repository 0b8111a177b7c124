// Stands in for "winmm.dll" with a sound input driver that misbehaves as the
// test asks, through BRASSWICK_WINMM = "MODE FROM UNTIL [win9x]" (seconds
// after the first open; Wine hands its processes the Unix environment). The
// modes are the rows of Behaviours below; until FROM every mode is "well",
// which completes each capture 10 ms after it is queued. With "win9x" the
// program's CreateThread refuses a null thread-id pointer, as Windows 95, 98
// and Me do.
// Captures hold samples of the level in "winmm.dll.answer". The log
// "winmm.dll.log" gets "open", "vanished", "late completion", "refused:" for
// each thread refused, and every "held:" misuse: a header (or its buffer)
// prepared or queued while some device, closed or not, holds it.
#define _WINMM_  // define the functions instead of importing them
// A test double may use what Wine has: InitOnceExecuteOnce came with Vista.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <mmsystem.h>

#include <mmddk.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/doubles/double_files.h"
#include "tests/shared/import_hook.h"

#define DOUBLE_EXPORT extern "C" __declspec(dllexport)

namespace {

// The calls a mode may slow down.
enum Call : unsigned { OpenCall = 1, PrepareCall = 2, AddCall = 4, StartCall = 8, ResetCall = 16, CloseCall = 32 };

// What a mode does from FROM on (a vanishing driver: until UNTIL).
struct Behaviour {
    const char* Name;
    unsigned SlowCalls;  // these take SlowCallMs, outside the driver's lock
    bool Completes;      // captures still complete
    // Unprepare says still playing, reset does nothing, close fails while a
    // header is held, and RefusedFillMs after the first refused close the
    // buffer is filled anyway.
    bool Refuses;
    // Every call and every open fails; devices opened before UNTIL never work again.
    bool Vanishes;
    // Reset does nothing and close succeeds while a header is held, which
    // LateFillMs later is filled from the driver's thread all the same.
    bool FillsAfterClose;
    // Every open fails with this code (0: opens work), as Windows' microphone
    // privacy setting makes them fail with MMSYSERR_ERROR.
    MMRESULT OpenFailsWith;
};

// clang-format off
constexpr Behaviour Behaviours[] = {
    // name        slow calls                              completes refuses vanishes fills after close, open fails with
    {"well",       0,                                      true,     false,  false,   false, MMSYSERR_NOERROR},
    {"blocking",   OpenCall | ResetCall | CloseCall,       false,    false,  false,   false, MMSYSERR_NOERROR},
    {"refusing",   0,                                      false,    true,   false,   false, MMSYSERR_NOERROR},
    {"vanishing",  0,                                      false,    false,  true,    false, MMSYSERR_NOERROR},
    {"slow-queue", PrepareCall | AddCall | StartCall,      true,     false,  false,   false, MMSYSERR_NOERROR},
    {"slow-close", ResetCall | CloseCall,                  true,     false,  false,   false, MMSYSERR_NOERROR},
    {"late",       0,                                      false,    false,  false,   true,  MMSYSERR_NOERROR},
    {"slow-vanishing", OpenCall,                           false,    false,  true,    false, MMSYSERR_NOERROR},
    {"failing",    0,                                      false,    false,  false,   false, MMSYSERR_ERROR},
};
// clang-format on

constexpr int MaxDevices = 64;
constexpr DWORD CaptureMs = 10;
constexpr DWORD SlowCallMs = 3000;
constexpr DWORD RefusedFillMs = 4000;
// Longer than the meter's second between two opens: a record freed at the
// close would by then be the next device's.
constexpr DWORD LateFillMs = 2000;

struct Device {
    bool Open;
    bool Started;
    DWORD OpenedAt;  // ms after the first open
    DWORD_PTR Callback;
    DWORD_PTR Instance;
    WAVEHDR* Held;  // one queued header at a time: all the saver queues
    LPSTR HeldData;
    DWORD HeldSince;
    DWORD LateAt;  // 0, or when a refused header, or one held past its close, is filled anyway
};

struct Driver {
    bool Started;
    const Behaviour* Mode;
    DWORD From, Until;
    DWORD Start;
    bool VanishLogged;
    Device Devices[MaxDevices];
    CRITICAL_SECTION Lock;
} Winmm;

INIT_ONCE StartOnce = INIT_ONCE_STATIC_INIT;

using WaveInProc = void(CALLBACK*)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

DWORD Now() {
    return GetTickCount() - Winmm.Start;
}

bool InTrouble() {
    const DWORD now = Now();
    if (now < Winmm.From) return false;
    return !Winmm.Mode->Vanishes || now < Winmm.Until;
}

// What the mode does, from FROM on.
bool Slow(Call call) {
    return (Winmm.Mode->SlowCalls & call) && InTrouble();
}
bool Refusing() {
    return Winmm.Mode->Refuses && InTrouble();
}
bool Vanished() {
    return Winmm.Mode->Vanishes && InTrouble();
}
bool FillingAfterClose() {
    return Winmm.Mode->FillsAfterClose && InTrouble();
}

// A device that was open when its driver vanished is gone for good.
bool Dead(const Device& device) {
    return Winmm.Mode->Vanishes && Now() >= Winmm.From && device.OpenedAt < Winmm.Until;
}

HWAVEIN HandleOf(int index) {
    return reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(0x100 + index));
}

Device* DeviceOf(HWAVEIN handle) {
    const UINT_PTR index = reinterpret_cast<UINT_PTR>(handle) - 0x100;
    if (index >= MaxDevices || !Winmm.Devices[index].Open) return nullptr;
    return &Winmm.Devices[index];
}

void LogVanished() {
    if (Winmm.VanishLogged) return;
    Winmm.VanishLogged = true;
    AppendToLog("vanished");
}

void Complete(HWAVEIN handle, Device& device, DWORD level) {
    WAVEHDR* header = device.Held;
    const BYTE sample = static_cast<BYTE>(level > 127 ? 255 : 128 + level);
    std::memset(header->lpData, sample, header->dwBufferLength);
    header->dwBytesRecorded = header->dwBufferLength;
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    device.Held = nullptr;
    device.HeldData = nullptr;
    device.LateAt = 0;
    reinterpret_cast<WaveInProc>(device.Callback)(handle, WIM_DATA, device.Instance,
                                                  reinterpret_cast<DWORD_PTR>(header), 0);
}

bool CompletionDue(const Device& device) {
    if (!device.Held || Dead(device)) return false;
    if (device.LateAt != 0) return Now() >= device.LateAt;
    return device.Open && device.Started && (Winmm.Mode->Completes || !InTrouble()) &&
           Now() - device.HeldSince >= CaptureMs;
}

// The driver's own thread, as a sound system calls back from one of its own.
// Callbacks come under the lock: the saver's makes no call back into here.
DWORD WINAPI CompleteCaptures(LPVOID) {
    for (;;) {
        Sleep(2);
        EnterCriticalSection(&Winmm.Lock);
        for (int i = 0; i < MaxDevices; ++i) {
            Device& device = Winmm.Devices[i];
            if (!CompletionDue(device)) continue;
            if (!device.Open) AppendToLog("late completion of device " + std::to_string(i));
            Complete(HandleOf(i), device, static_cast<DWORD>(ReadAnswer()));
        }
        LeaveCriticalSection(&Winmm.Lock);
    }
}

void ReadBehaviour() {
    char text[64] = "";
    GetEnvironmentVariableA("BRASSWICK_WINMM", text, sizeof text);
    char mode[16] = "";
    unsigned from = 0, until = 0;
    std::sscanf(text, "%15s %u %u", mode, &from, &until);
    Winmm.Mode = &Behaviours[0];
    for (const Behaviour& behaviour : Behaviours)
        if (std::strcmp(behaviour.Name, mode) == 0) Winmm.Mode = &behaviour;
    Winmm.From = from * 1000;
    Winmm.Until = until * 1000;
}

BOOL CALLBACK StartDriver(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&Winmm.Lock);
    ReadBehaviour();
    Winmm.Start = GetTickCount();
    CloseHandle(CreateThread(nullptr, 0, CompleteCaptures, nullptr, 0, nullptr));
    return TRUE;
}

void EnsureStarted() {
    InitOnceExecuteOnce(&StartOnce, StartDriver, nullptr, nullptr);
}

// What a real driver would refuse: a header, or its buffer, that a device
// still holds, handed out again.
void CheckNotHeld(const char* call, const WAVEHDR* header) {
    for (int i = 0; i < MaxDevices; ++i) {
        const Device& device = Winmm.Devices[i];
        if (device.Held == header || (device.Held && device.HeldData == header->lpData))
            AppendToLog(std::string("held: ") + call + " of a header that device " + std::to_string(i) + " holds");
    }
}

// The checks every call on a device starts with; NOERROR to go on.
MMRESULT Usable(Device* device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (Vanished() || Dead(*device)) {
        LogVanished();
        return MMSYSERR_NODRIVER;
    }
    return MMSYSERR_NOERROR;
}

// The driver's lock for one call; given a handle, also the device it names
// and whether the call may go on (Code 0).
struct Locked {
    Device* Found = nullptr;
    MMRESULT Code = MMSYSERR_NOERROR;
    Locked() {
        EnsureStarted();
        EnterCriticalSection(&Winmm.Lock);
    }
    explicit Locked(HWAVEIN handle) : Locked() {
        Found = DeviceOf(handle);
        Code = Usable(Found);
    }
    ~Locked() { LeaveCriticalSection(&Winmm.Lock); }
};

// Outside the lock, as a driver's other calls go on meanwhile.
void SlowCall(Call call) {
    EnsureStarted();
    if (Slow(call)) Sleep(SlowCallMs);
}

// Windows 95, 98 and Me fail CreateThread when lpThreadId is null.
HANDLE WINAPI CreateThreadAsWindows9x(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                      LPVOID parameter, DWORD flags, LPDWORD id) {
    if (id == nullptr) {
        AppendToLog("refused: a thread without an id");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateThread(security, stack, start, parameter, flags, id);
}

}  // namespace

// The imports of the program are bound before its DLLs start: its
// CreateThread can be replaced before any thread starts.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    char text[64] = "";
    if (reason == DLL_PROCESS_ATTACH && GetEnvironmentVariableA("BRASSWICK_WINMM", text, sizeof text) &&
        std::strstr(text, "win9x"))
        ReplaceProgramImport("KERNEL32.dll", "CreateThread", reinterpret_cast<void*>(&CreateThreadAsWindows9x));
    return TRUE;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInOpen(LPHWAVEIN handle, UINT, LPCWAVEFORMATEX, DWORD_PTR callback,
                                         DWORD_PTR instance, DWORD) {
    SlowCall(OpenCall);
    Locked lock;
    if (Vanished()) {
        LogVanished();
        return MMSYSERR_NODRIVER;
    }
    if (Winmm.Mode->OpenFailsWith != MMSYSERR_NOERROR && InTrouble()) return Winmm.Mode->OpenFailsWith;
    for (int i = 0; i < MaxDevices; ++i) {
        if (Winmm.Devices[i].Open || Winmm.Devices[i].Held) continue;  // a closed one may hold a header still
        Winmm.Devices[i] = Device{true, false, Now(), callback, instance, nullptr, nullptr, 0, 0};
        *handle = HandleOf(i);
        AppendToLog("open " + std::to_string(i));
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_ALLOCATED;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInPrepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT) {
    SlowCall(PrepareCall);
    Locked call(handle);
    if (call.Code) return call.Code;
    CheckNotHeld("prepare", header);
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT) {
    SlowCall(AddCall);
    Locked call(handle);
    if (call.Code) return call.Code;
    Device* device = call.Found;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    CheckNotHeld("queue", header);
    if (device->Held) return MMSYSERR_NOMEM;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    device->Held = header;
    device->HeldData = header->lpData;
    device->HeldSince = Now();
    return MMSYSERR_NOERROR;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInStart(HWAVEIN handle) {
    SlowCall(StartCall);
    Locked call(handle);
    if (call.Code) return call.Code;
    Device* device = call.Found;
    device->Started = true;
    return MMSYSERR_NOERROR;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInReset(HWAVEIN handle) {
    SlowCall(ResetCall);
    Locked call(handle);
    if (call.Code == MMSYSERR_NOERROR && call.Found->Held && !Refusing() && !FillingAfterClose())
        Complete(handle, *call.Found, 0);
    return call.Code;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInUnprepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT) {
    Locked call(handle);
    if (call.Code) return call.Code;
    Device* device = call.Found;
    if (device->Held == header) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInClose(HWAVEIN handle) {
    SlowCall(CloseCall);
    Locked call(handle);
    if (call.Code) return call.Code;
    Device* device = call.Found;
    if (device->Held && FillingAfterClose()) {
        device->LateAt = Now() + LateFillMs;
        device->Open = false;
        return MMSYSERR_NOERROR;
    }
    if (device->Held) {
        if (!Refusing()) return WAVERR_STILLPLAYING;
        if (device->LateAt == 0) device->LateAt = Now() + RefusedFillMs;
        return MMSYSERR_NODRIVER;
    }
    device->Open = false;
    return MMSYSERR_NOERROR;
}

// One recording device, which the default input stands for.
constexpr char InputName[] = "Stand-in input";

DOUBLE_EXPORT UINT WINAPI waveInGetNumDevs() {
    return 1;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInGetDevCapsA(UINT_PTR id, LPWAVEINCAPSA caps, UINT size) {
    if (id != 0 && id != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr || size < sizeof(WAVEINCAPSA)) return MMSYSERR_INVALPARAM;
    *caps = WAVEINCAPSA{};
    lstrcpynA(caps->szPname, id == 0 ? InputName : "Stand-in mapper", sizeof caps->szPname);
    caps->wChannels = 1;
    return MMSYSERR_NOERROR;
}

DOUBLE_EXPORT MMRESULT WINAPI waveInMessage(HWAVEIN, UINT message, DWORD_PTR first, DWORD_PTR second) {
    if (message != DRVM_MAPPER_PREFERRED_GET || first == 0 || second == 0) return MMSYSERR_NOTSUPPORTED;
    *reinterpret_cast<DWORD*>(first) = 0;
    *reinterpret_cast<DWORD*>(second) = 0;
    return MMSYSERR_NOERROR;
}
