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

    // The host's own saver window: full screen, or the preview in a
    // 152 x 112 pane of a host window.
    HWND CreateFullScreen();
    HWND CreatePreview();

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

bool CursorHidden();
void ShowSomeCursor();

// Waits until no capture of the sound meter is asked for or in flight; false on timeout.
bool WaitForMeterIdle(DWORD timeoutMs);
