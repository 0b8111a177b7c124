// Sound to picture: with the full-screen saver running in a quiet room, a
// loud tone starts and the screen is watched for the first loud tile. Each
// onset follows a second of quiet and a picture that shows it; the first
// comes after a loud tile has shown that the saver's captures complete.
// With "floor" it watches the bench's floor program instead, which shows
// red while the room is loud.
// Prints each onset and the median, in milliseconds.
// With "key" it presses a key instead and prints how long the saver's
// window and then its process took to go.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "host/saver_window.h"
#include "tests/e2e/mosaic_view.h"
#include "tests/shared/room_tone.h"
#include "tests/shared/wait_until.h"

namespace {

constexpr int Onsets = 7;
constexpr int LoudAmplitude = 127;
constexpr DWORD PatienceMs = 20000;
constexpr DWORD QuietMs = 1000;

// The face sample of every cell, read through one screen strip per row of
// cells: a whole-screen capture at every poll would blur the figure.
struct CellReader {
    std::vector<CellView> Cells;
    std::vector<int> Rows;  // the sample row of each strip
    int Width = 0;
    HDC Screen = nullptr;
    HDC Memory = nullptr;
    uint32_t* Strips = nullptr;
};

bool OpenReader(CellReader& reader) {
    const RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    reader.Cells = VisibleCells(area);
    reader.Width = area.right;
    for (const CellView& cell : reader.Cells)
        if (std::find(reader.Rows.begin(), reader.Rows.end(), cell.Sample.y) == reader.Rows.end())
            reader.Rows.push_back(cell.Sample.y);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), reader.Width, -static_cast<LONG>(reader.Rows.size()), 1, 32, BI_RGB,
                      0, 0, 0, 0, 0};
    reader.Screen = GetDC(nullptr);
    reader.Memory = CreateCompatibleDC(reader.Screen);
    void* bits = nullptr;
    HBITMAP strips = CreateDIBSection(reader.Memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!strips) return false;
    SelectObject(reader.Memory, strips);
    reader.Strips = static_cast<uint32_t*>(bits);
    return true;
}

// How many cells show colour now.
uint32_t Packed(Rgb colour) { return (colour.R << 16) | (colour.G << 8) | colour.B; }

// The face sample of each cell, as the screen shows it now.
std::vector<uint32_t> CellColours(CellReader& reader) {
    for (size_t i = 0; i < reader.Rows.size(); ++i)
        BitBlt(reader.Memory, 0, static_cast<int>(i), reader.Width, 1, reader.Screen, 0, reader.Rows[i], SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> colours;
    for (const CellView& cell : reader.Cells) {
        const size_t strip = std::find(reader.Rows.begin(), reader.Rows.end(), cell.Sample.y) - reader.Rows.begin();
        colours.push_back(reader.Strips[strip * reader.Width + cell.Sample.x] & 0xFFFFFF);
    }
    return colours;
}

// How many cells show colour now.
int CellsShowing(CellReader& reader, Rgb colour) {
    const std::vector<uint32_t> colours = CellColours(reader);
    return static_cast<int>(std::count(colours.begin(), colours.end(), Packed(colour)));
}

Rgb LoudestFace() { return TileFaces[TileFaceCount - 1].Face; }  // 108

// Waits until the picture has caught up with the quiet room: three cells in
// a row repainted, none of them loud, or none loud at all. The sound path runs several ticks
// behind, so a fixed pause would let the last tone still be painting at
// the next onset on a slow tick.
bool WaitForQuietPicture(CellReader& reader) {
    std::vector<uint32_t> before = CellColours(reader);
    int quietRepaints = 0;
    return WaitUntil(
        [&] {
            const std::vector<uint32_t> now = CellColours(reader);
            for (size_t i = 0; i < now.size(); ++i)
                if (now[i] != before[i]) quietRepaints = now[i] == Packed(LoudestFace()) ? 0 : quietRepaints + 1;
            before = now;
            return quietRepaints >= 3 || std::count(now.begin(), now.end(), Packed(LoudestFace())) == 0;
        },
        PatienceMs, BetweenPolls::Sleep);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

// Waits until more cells than before show colour: the milliseconds from
// since, or -1.
double WaitForMore(CellReader& reader, Rgb colour, int before, LARGE_INTEGER since) {
    if (!WaitUntil([&] { return CellsShowing(reader, colour) > before; }, PatienceMs, BetweenPolls::Sleep))
        return -1;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return Milliseconds(since, now);
}

// Plays the loud tone: the milliseconds until the screen shows one more loud tile, or -1.
double LoudTileAfterOnset(CellReader& reader, Tone& tone) {
    const Rgb loud = LoudestFace();
    const int before = CellsShowing(reader, loud);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!StartTone(tone, LoudAmplitude)) return -1;
    return WaitForMore(reader, loud, before, start);
}

}  // namespace

// A key as a user's: the milliseconds until the window is gone (or hidden)
// and until its process has ended, or false when either takes over 10 s.
bool KeyToWindowGone(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    INPUT key[2] = {};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = VK_SPACE;
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    LARGE_INTEGER start, gone, ended;
    QueryPerformanceCounter(&start);
    SendInput(2, key, sizeof(INPUT));
    if (!WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 10000, BetweenPolls::Sleep))
        return false;
    QueryPerformanceCounter(&gone);
    if (process == nullptr || WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) return false;
    QueryPerformanceCounter(&ended);
    std::printf("key to window gone: %.0f ms, to process ended: %.0f ms\n", Milliseconds(start, gone),
                Milliseconds(start, ended));
    return true;
}

int main(int argc, char** argv) {
    timeBeginPeriod(1);
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool floor = mode == "floor";
    HWND window = nullptr;
    const bool shown = WaitUntil(
        [&] {
        window = floor ? FindWindowA("BrasswickFloor", "Floor") : FindWindowA(SaverClassName, FullScreenTitle);
        return window != nullptr;
        },
        10000, BetweenPolls::Sleep);
    if (shown && mode == "key") return KeyToWindowGone(window) ? 0 : 1;
    CellReader reader;
    if (!shown || !OpenReader(reader)) {
        std::printf("no full-screen saver to watch\n");
        return 1;
    }
    Tone tone;
    if (LoudTileAfterOnset(reader, tone) < 0) {
        std::printf("the %s never showed a loud tile\n", floor ? "floor" : "saver");
        return 1;
    }
    std::vector<double> latencies;
    for (int onset = 0; onset < Onsets; ++onset) {
        StopTone(tone);
        // A quiet room, shown; the steps of 13 ms move the onset across the tick.
        Sleep(QuietMs);
        if (!WaitForQuietPicture(reader)) break;
        Sleep(13 * onset);
        const double latency = LoudTileAfterOnset(reader, tone);
        if (latency < 0) break;
        latencies.push_back(latency);
        std::printf("onset %d: %.0f ms\n", onset + 1, latency);
    }
    StopTone(tone);
    if (latencies.size() != Onsets) {
        std::printf("only %zu of %d onsets came through\n", latencies.size(), Onsets);
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("sound to picture, median of %d onsets: %.0f ms\n", Onsets, latencies[Onsets / 2]);
    return 0;
}
