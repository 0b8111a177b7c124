// Input and loss of activation end the full-screen saver.
#include <gtest/gtest.h>

#include "saver_checks.h"
#include "saver_process.h"

namespace {

class ClosingFullScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    }
    void TearDown() override {
        EndSaver(saver_);
        if (front_) DestroyWindow(front_);
    }

    SaverProcess saver_;
    HWND window_ = nullptr;
    HWND front_ = nullptr;
};

TEST_F(ClosingFullScreen, KeyPressEndsTheSaver) {
    PressKey(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, ClickEndsTheSaver) {
    ClickLeftButton();
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, MouseTravelOfFivePixelsEndsTheSaver) {
    ASSERT_TRUE(SetCursorPos(Rest.x + 3, Rest.y - 2));
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, MouseTravelOfFourPixelsDoesNotEndTheSaver) {
    ASSERT_TRUE(SetCursorPos(Rest.x + 2, Rest.y + 2));
    ExpectKeepsRunning(saver_, window_);
    // Travel is measured from where the saver started: one pixel more ends it.
    ASSERT_TRUE(SetCursorPos(Rest.x + 3, Rest.y + 2));
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, LossOfActivationEndsTheSaver) {
    WNDCLASSA frontClass = {};
    frontClass.lpfnWndProc = DefWindowProcA;
    frontClass.hInstance = GetModuleHandleA(nullptr);
    frontClass.lpszClassName = "BrasswickTestFront";
    RegisterClassA(&frontClass);
    front_ = CreateWindowExA(0, frontClass.lpszClassName, "front", WS_POPUP, 10, 10, 100, 100, nullptr, nullptr,
                             frontClass.hInstance, nullptr);
    ASSERT_NE(front_, nullptr);
    ShowWindow(front_, SW_SHOW);
    SetForegroundWindow(front_);
    ExpectEndsWithZero(saver_, window_);
}

}  // namespace
