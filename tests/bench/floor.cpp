// The least a saver at FREQ 55 could cost: a full-screen window whose 55 ms
// timer does nothing. Built a second time with CAPTURES_SOUND, it also keeps
// the sound meter's pattern: the input opened once and started, one 11-byte
// capture queued per tick when the last has come back, never stopped.
// A key press ends it.
#include <windows.h>

#include <mmsystem.h>

namespace {

constexpr UINT TickMilliseconds = 55;
constexpr DWORD CaptureBytes = 11;

struct Capture {
    HWAVEIN Device = nullptr;
    WAVEHDR Header{};
    char Buffer[CaptureBytes] = {};
    volatile LONG Queued = 0;
} Meter;

void CALLBACK CaptureDone(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WIM_DATA) InterlockedExchange(&Meter.Queued, 0);
}

bool OpenMeter() {
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    Meter.Header.lpData = Meter.Buffer;
    Meter.Header.dwBufferLength = CaptureBytes;
    return waveInOpen(&Meter.Device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&CaptureDone), 0,
                      CALLBACK_FUNCTION) == MMSYSERR_NOERROR &&
           waveInPrepareHeader(Meter.Device, &Meter.Header, sizeof Meter.Header) == MMSYSERR_NOERROR;
}

void QueueCapture() {
    if (InterlockedCompareExchange(&Meter.Queued, 1, 0) != 0) return;
    waveInAddBuffer(Meter.Device, &Meter.Header, sizeof Meter.Header);
    waveInStart(Meter.Device);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (CAPTURES_SOUND) QueueCapture();
        return 0;
    case WM_KEYDOWN:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (CAPTURES_SOUND && !OpenMeter()) return 1;
    WNDCLASSA floorClass = {};
    floorClass.lpfnWndProc = FloorProc;
    floorClass.hInstance = instance;
    floorClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    floorClass.lpszClassName = "BrasswickFloor";
    RegisterClassA(&floorClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, floorClass.lpszClassName, "Floor", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 1;
    SetForegroundWindow(window);
    SetTimer(window, 1, TickMilliseconds, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
