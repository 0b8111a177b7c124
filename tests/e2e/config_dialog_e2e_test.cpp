// Configuration mode of the built Brasswick.scr, started as a process and
// worked from outside as a user would.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver_process.h"

namespace {

const std::wstring JapaneseCaption = L"Brasswick\u8a2d\u5b9a";

std::string SettingsFile() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Korvane\\Brasswick\\Brasswick.ini";
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Our own windows may own the dialog: its process then sends them messages
// and waits for the answers, so every wait here keeps them answered.
void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    } while (GetTickCount() - start < milliseconds);
}

bool WaitForExitPumping(SaverProcess& saver, DWORD timeoutMs, DWORD& exitCode) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (WaitForExit(saver, 0, exitCode)) return true;
        PumpMessagesFor(20);
    }
    return false;
}

// The dialog of one process: class #32770 and the product name in its
// caption (the rest of it depends on the code page).
HWND WaitForDialogOf(const SaverProcess& saver, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (HWND window : WindowsOfProcess(saver.Info.dwProcessId)) {
            char className[32] = {}, caption[64] = {};
            GetClassNameA(window, className, sizeof className);
            GetWindowTextA(window, caption, sizeof caption);
            if (std::string(className) == "#32770" && std::string(caption).rfind("Brasswick", 0) == 0 &&
                IsWindowVisible(window))
                return window;
        }
        PumpMessagesFor(20);
    }
    return nullptr;
}

std::string ItemText(HWND dialog, int id) {
    char text[64] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

// Painted: the period's text has left its template value.
bool WaitUntilPainted(HWND dialog) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
        if (ItemText(dialog, 1010) != "0000" && ItemText(dialog, 1010) != "") return true;
        Sleep(20);
    }
    return false;
}

void TypeKey(WORD virtualKey) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// A plain top-level window of the test's own, to own or be in front.
HWND MakeOwnWindow() {
    HWND window = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 100, 300, 200,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
    PumpMessagesFor(100);
    return window;
}

HWND HandleOfNoWindow() {
    for (UINT_PTR value = 0x00FEDC00; value < 0x00FEDD00; value += 4)
        if (!IsWindow(reinterpret_cast<HWND>(value))) return reinterpret_cast<HWND>(value);
    return nullptr;
}

std::string Decimal(HWND window) {
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

class ConfigModeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        hadFile_ = ReadWholeFile(SettingsFile(), keptBytes_);
        DeleteFileA(SettingsFile().c_str());
    }
    void TearDown() override {
        if (hadFile_)
            WriteWholeFile(SettingsFile(), keptBytes_);
        else
            DeleteFileA(SettingsFile().c_str());
    }

    bool hadFile_ = false;
    std::string keptBytes_;
};

TEST_F(ConfigModeEndToEnd, EscapeEndsTheDialogWithTwoAndWritesNothing) {
    SaverProcess saver = StartSaver("/c");
    ASSERT_TRUE(saver.Started);
    HWND dialog = WaitForDialogOf(saver, 15000);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    ASSERT_TRUE(WaitUntilPainted(dialog));
    EXPECT_EQ(ItemText(dialog, 1010), "300");
    EXPECT_EQ(ItemText(dialog, 1001), "1.1.2");
    TypeKey(VK_RIGHT);  // the keyboard starts on the period slider
    TypeKey(VK_ESCAPE);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver, 15000, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EXPECT_EQ(GetFileAttributesA(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);
    EndSaver(saver);
}

TEST_F(ConfigModeEndToEnd, EnterEndsTheDialogWithOneAndWritesTheFile) {
    SaverProcess saver = StartSaver("/c");
    ASSERT_TRUE(saver.Started);
    HWND dialog = WaitForDialogOf(saver, 15000);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    ASSERT_TRUE(WaitUntilPainted(dialog));
    TypeKey(VK_RIGHT);
    TypeKey(VK_RIGHT);
    const DWORD start = GetTickCount();
    while (ItemText(dialog, 1010) != "302" && GetTickCount() - start < 5000) Sleep(20);
    EXPECT_EQ(ItemText(dialog, 1010), "302");
    TypeKey(VK_RETURN);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver, 15000, exitCode));
    EXPECT_EQ(exitCode, 1u);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFile(), bytes));
    EXPECT_EQ(bytes, "[SETTINGS]\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\nTHRES1=4\r\nFREQ=302\r\n"
                     "THRES0=2\r\n");
    EndSaver(saver);
}

// Opens the dialog with `arguments`, notes its owner, and cancels it.
HWND OwnerOfDialogStartedWith(const std::string& arguments, DWORD& exitCode) {
    SaverProcess saver = StartSaver(arguments);
    HWND owner = reinterpret_cast<HWND>(-1);
    HWND dialog = saver.Started ? WaitForDialogOf(saver, 15000) : nullptr;
    if (dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    exitCode = 0;
    if (!WaitForExitPumping(saver, 15000, exitCode)) exitCode = 0xDEAD;
    EndSaver(saver);
    return owner;
}

TEST_F(ConfigModeEndToEnd, ALiveWindowAfterColonOwnsTheDialog) {
    HWND mine = MakeOwnWindow();
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 500, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(mine);
    DWORD exitCode = 0;
    // The named window owns it even when another one is in front.
    EXPECT_EQ(OwnerOfDialogStartedWith("/c:" + Decimal(other), exitCode), other);
    EXPECT_EQ(exitCode, 2u);
    DestroyWindow(other);
    DestroyWindow(mine);
}

TEST_F(ConfigModeEndToEnd, WithoutALiveWindowTheForegroundWindowOwnsTheDialog) {
    HWND mine = MakeOwnWindow();
    ASSERT_EQ(GetForegroundWindow(), mine);
    HWND stale = HandleOfNoWindow();
    ASSERT_NE(stale, nullptr);
    for (const std::string& arguments : {"/c:" + Decimal(stale), std::string("/c"), "/c " + Decimal(mine),
                                         std::string("/c:0"), std::string("/c:")}) {
        SetForegroundWindow(mine);
        DWORD exitCode = 0;
        EXPECT_EQ(OwnerOfDialogStartedWith(arguments, exitCode), mine) << arguments;
        EXPECT_EQ(exitCode, 2u) << arguments;
    }
    DestroyWindow(mine);
}

TEST_F(ConfigModeEndToEnd, AnEmptyCommandTailOpensTheDialogWithoutOwner) {
    HWND mine = MakeOwnWindow();
    for (const char* arguments : {"", " / - "}) {
        DWORD exitCode = 0;
        EXPECT_EQ(OwnerOfDialogStartedWith(arguments, exitCode), nullptr) << "'" << arguments << "'";
        EXPECT_EQ(exitCode, 2u) << "'" << arguments << "'";
    }
    DestroyWindow(mine);
}

// What is on the screen inside a rectangle, as 24-bit rows, top row first.
struct ScreenImage {
    int Width = 0;
    int Height = 0;
    std::vector<BYTE> Pixels;  // blue, green, red; rows padded to 4 bytes

    int Stride() const { return (Width * 3 + 3) & ~3; }
    COLORREF At(int x, int y) const {
        const BYTE* p = &Pixels[y * Stride() + x * 3];
        return RGB(p[2], p[1], p[0]);
    }
};

ScreenImage CaptureScreen(const RECT& area) {
    ScreenImage image;
    image.Width = area.right - area.left;
    image.Height = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.Width;
    info.bmiHeader.biHeight = -image.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, image.Width, image.Height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const BYTE* rows = static_cast<const BYTE*>(bits);
    image.Pixels.assign(rows, rows + image.Stride() * image.Height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

bool SaveBitmapFile(const ScreenImage& image, const std::string& path) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = image.Width;
    header.biHeight = -image.Height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image.Pixels.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(image.Pixels.data()), image.Pixels.size());
    WriteWholeFile(path, bytes);
    std::string written;
    return ReadWholeFile(path, written) && written == bytes;
}

std::string ScreenshotFolder() {
    char full[MAX_PATH] = {};
    GetFullPathNameA((ProgramFolder() + "\\..\\..\\screenshots").c_str(), MAX_PATH, full, nullptr);
    CreateDirectoryA(full, nullptr);
    return full;
}

// Pixels of a control's rectangle that differ from the dialog's face.
int MarkedPixels(const ScreenImage& image, const RECT& control, COLORREF face) {
    int marked = 0;
    for (int y = control.top; y < control.bottom && y < image.Height; ++y)
        for (int x = control.left; x < control.right && x < image.Width; ++x)
            if (x >= 0 && y >= 0 && image.At(x, y) != face) ++marked;
    return marked;
}

std::wstring WideText(HWND window) {
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    return text;
}

TEST_F(ConfigModeEndToEnd, OnAJapaneseSystemShowsEveryControlAndReadableTexts) {
    ASSERT_TRUE(LaunchSaverInJapanese("/c"));
    HWND dialog = WaitForTopLevelWindow("#32770", JapaneseCaption, 20000);
    ASSERT_NE(dialog, nullptr) << "no dialog captioned Brasswick\u8a2d\u5b9a";
    SaverProcess saver = AttachToProcessOf(dialog);
    ASSERT_TRUE(saver.Started);
    ASSERT_TRUE(WaitUntilPainted(dialog));
    PumpMessagesFor(300);  // let the last paints reach the screen

    const std::wstring texts[] = {L"", L"", L"", L"", L"", L"", L"", L"OK", L"\uff77\uff6c\uff9d\uff7e\uff99",
                                  L"msec", L"\u5468\u671f\u8a2d\u5b9a", L"1.1.2", L"\u3057\u304d\u3044\u5024",
                                  L"300", L"0-1", L"1-2", L"2-3", L"3-4", L"4-5", L"5-6"};
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    ASSERT_EQ(controls.size(), 20u);

    RECT frame;
    GetWindowRect(dialog, &frame);
    const ScreenImage image = CaptureScreen(frame);
    const std::string path = ScreenshotFolder() + "\\config-dialog.bmp";
    EXPECT_TRUE(SaveBitmapFile(image, path)) << path;

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(WideText(controls[i]), texts[i]) << "control " << i + 1;
        EXPECT_TRUE(IsWindowVisible(controls[i])) << "control " << i + 1;
        RECT placed;
        GetWindowRect(controls[i], &placed);
        OffsetRect(&placed, -frame.left, -frame.top);
        EXPECT_GT(MarkedPixels(image, placed, face), 0) << "nothing drawn for control " << i + 1;
    }

    TypeKey(VK_ESCAPE);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver, 15000, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EndSaver(saver);
}

}  // namespace
