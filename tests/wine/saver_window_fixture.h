// A saver window made in the test's own thread, so that each message can be
// sent through the real chain and what it posts read back from the queue
// without being dispatched.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

class SaverWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shapes as the host makes them: a topmost popup, or a child of parent.
    HWND CreateFullScreen(int width = 1920, int height = 1080);
    HWND CreatePreview(HWND parent);
    HWND CreatePreviewHost(int clientWidth, int clientHeight);

    // Removes everything posted to the window (and WM_QUIT) and returns the
    // message numbers, oldest first; nothing is dispatched.
    std::vector<UINT> TakePosted();
    int TakePostedCloses();

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    HWND window_ = nullptr;
    HWND host_ = nullptr;
};

// WM_HELP messages that reached the preview host window, sent or posted.
extern int HostHelpRequests;

// Runs the thread's message loop for up to ms milliseconds.
void PumpMessages(DWORD ms);

bool CursorHidden();
void ShowSomeCursor();
