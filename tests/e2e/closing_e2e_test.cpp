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
    PressKeyOnKeyboard(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, ClickEndsTheSaver) {
    ClickLeftButton();
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, MouseTravelOfFourPixelsDoesNotEndTheSaverButFiveDo) {
    ASSERT_TRUE(SetCursorPos(Rest.x + 2, Rest.y + 2));
    ExpectKeepsRunning(saver_, window_);
    // Travel is measured from where the saver started: one pixel more ends it.
    ASSERT_TRUE(SetCursorPos(Rest.x + 3, Rest.y + 2));
    ExpectEndsWithZero(saver_, window_);
}

TEST_F(ClosingFullScreen, LossOfActivationEndsTheSaver) {
    front_ = CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(front_, nullptr);
    SetForegroundWindow(front_);
    ExpectEndsWithZero(saver_, window_);
}

}  // namespace
