// The least a saver at FREQ 55 could cost: a full-screen window whose 55 ms
// timer does nothing. Built a second time with CAPTURES_SOUND, it also keeps
// the sound meter's pattern: the input opened once and started, one 11-byte
// capture queued per tick when the last has come back, never stopped; and
// it turns the window red while the last level is loud (64 and up), black
// again when it is not, so that the latency probe measures the sound path
// alone. Its argument is the tick period in milliseconds (55 by default).
// A key press ends it.
#include <windows.h>

#include <mmsystem.h>

#include <cstdlib>

namespace {

constexpr UINT DefaultTickMilliseconds = 55;
constexpr DWORD CaptureBytes = 11;
constexpr LONG LoudLevel = 64;
constexpr COLORREF LoudColour = RGB(255, 51, 51);  // the loudest tile's face

struct Capture {
    HWAVEIN Device = nullptr;
    WAVEHDR Header{};
    char Buffer[CaptureBytes] = {};
    volatile LONG Queued = 0;
    volatile LONG Level = 0;
    bool ShownLoud = false;
} Meter;

void CALLBACK CaptureDone(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message != WIM_DATA) return;
    LONG sum = 0;
    for (DWORD i = 0; i < CaptureBytes; ++i) sum += std::abs(static_cast<unsigned char>(Meter.Buffer[i]) - 128);
    InterlockedExchange(&Meter.Level, sum / static_cast<LONG>(CaptureBytes));
    InterlockedExchange(&Meter.Queued, 0);
}

// Paints only when loudness crosses the line, so a steady room costs nothing.
void ShowLoudness(HWND window) {
    const bool loud = Meter.Level >= LoudLevel;
    if (loud == Meter.ShownLoud) return;
    Meter.ShownLoud = loud;
    HDC dc = GetDC(window);
    HBRUSH brush = CreateSolidBrush(loud ? LoudColour : RGB(0, 0, 0));
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

bool OpenMeter() {
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    Meter.Header.lpData = Meter.Buffer;
    Meter.Header.dwBufferLength = CaptureBytes;
    return waveInOpen(&Meter.Device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&CaptureDone), 0,
                      CALLBACK_FUNCTION) == MMSYSERR_NOERROR;
}

void QueueCapture() {
    if (InterlockedCompareExchange(&Meter.Queued, 1, 0) != 0) return;
    waveInPrepareHeader(Meter.Device, &Meter.Header, sizeof Meter.Header);
    waveInAddBuffer(Meter.Device, &Meter.Header, sizeof Meter.Header);
    waveInStart(Meter.Device);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (CAPTURES_SOUND) {
            ShowLoudness(window);
            QueueCapture();
        }
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const UINT period = std::atoi(commandLine) > 0 ? std::atoi(commandLine) : DefaultTickMilliseconds;
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
    SetTimer(window, 1, period, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
