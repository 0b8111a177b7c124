// The saver on the Windows 9x platform, which Wine reports for Brasswick.scr
// alone while HKCU\Software\Wine\AppDefaults\Brasswick.scr\Version is
// "win98". The platform's password libraries are the test doubles built
// beside the saver.
#include <gtest/gtest.h>

#include <string>

#include "saved_state.h"
#include "saver_checks.h"
#include "saver_process.h"

namespace {

constexpr char AppDefaults[] = "Software\\Wine\\AppDefaults\\Brasswick.scr";

std::string BesideSaver(const char* name) {
    return ProgramFolder() + "\\" + name;
}

std::string Decimal(HWND window) {
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

class Windows9xSaver : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(promptLog_.c_str());
        DeleteFileA(promptAnswer_.c_str());
        version_ = SaveRegistryValue(HKEY_CURRENT_USER, AppDefaults, "Version");
        ASSERT_TRUE(SetRegistryString(version_, "win98"));
        usePassword_ = SaveRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
    }
    void TearDown() override {
        EndSaver(saver_);
        RestoreRegistryValue(usePassword_);
        RestoreRegistryValue(version_);
        DeleteFileA(promptLog_.c_str());
        DeleteFileA(promptAnswer_.c_str());
    }

    bool AnswerPrompts(int answer) {
        return WriteTextFile(promptAnswer_, std::to_string(answer));
    }

    // One line per prompt: "VerifyScreenSavePwd <window> <answer>".
    std::string Prompts() {
        return ReadWholeFile(promptLog_);
    }

    const std::string promptLog_ = BesideSaver("PASSWORD.CPL.log");
    const std::string promptAnswer_ = BesideSaver("PASSWORD.CPL.answer");
    SavedRegistryValue version_;
    SavedRegistryValue usePassword_;
    SaverProcess saver_;
    HWND window_ = nullptr;
};

TEST_F(Windows9xSaver, WithoutPasswordValueTheFirstKeyEndsTheSaver) {
    ASSERT_TRUE(DeleteRegistryValue(usePassword_));
    ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    PressKey(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
    EXPECT_FALSE(FileExists(promptLog_)) << "prompted: " << Prompts();
}

TEST_F(Windows9xSaver, WithPasswordSwitchedOffTheFirstKeyEndsTheSaver) {
    ASSERT_TRUE(SetRegistryDword(usePassword_, 0));
    ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    PressKey(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
    EXPECT_FALSE(FileExists(promptLog_)) << "prompted: " << Prompts();
}

TEST_F(Windows9xSaver, RefusedPasswordKeepsTheSaverRunning) {
    ASSERT_TRUE(SetRegistryDword(usePassword_, 1));
    ASSERT_TRUE(AnswerPrompts(0));
    ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(promptLog_); }, ReactionMs + ReactionSlackMs))
        << "the key brought no password prompt";
    ExpectKeepsRunning(saver_, window_);
    EXPECT_EQ(Prompts(), "VerifyScreenSavePwd " + Decimal(window_) + " 0\n");
    DWORD_PTR ignored;
    EXPECT_NE(SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored), 0)
        << "the saver no longer answers";
}

TEST_F(Windows9xSaver, GrantedPasswordEndsTheSaver) {
    ASSERT_TRUE(SetRegistryDword(usePassword_, 1));
    ASSERT_TRUE(AnswerPrompts(1));
    ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    const std::string window = Decimal(window_);
    PressKey(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
    EXPECT_EQ(Prompts(), "VerifyScreenSavePwd " + window + " 1\n");
}

// Wine takes its own MPR.DLL unless told otherwise for the program. An
// override in the environment block given to CreateProcess does not reach
// the child (Wine takes WINE* variables from the Unix environment), so the
// program's own override key is used.
class Windows9xPasswordChange : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(changeLog_.c_str());
        version_ = SaveRegistryValue(HKEY_CURRENT_USER, AppDefaults, "Version");
        ASSERT_TRUE(SetRegistryString(version_, "win98"));
        mprOverride_ = SaveRegistryValue(HKEY_CURRENT_USER, std::string(AppDefaults) + "\\DllOverrides", "mpr");
        ASSERT_TRUE(SetRegistryString(mprOverride_, "native,builtin"));

        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "BrasswickTestOwner";
        RegisterClassA(&windowClass);
        // The named owner stays hidden; another window is in front.
        owner_ = CreateWindowExA(0, windowClass.lpszClassName, "owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        front_ = CreateWindowExA(0, windowClass.lpszClassName, "front", WS_POPUP, 100, 100, 50, 50, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        ASSERT_TRUE(owner_ && front_);
        ShowWindow(front_, SW_SHOW);
        SetForegroundWindow(front_);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front_; }, 5000));
    }
    void TearDown() override {
        RestoreRegistryValue(mprOverride_);
        RestoreRegistryValue(version_);
        DeleteFileA(changeLog_.c_str());
        if (front_) DestroyWindow(front_);
        if (owner_) DestroyWindow(owner_);
    }

    // Runs the password mode; what the double was asked, one line per call.
    std::string ChangeRequests(const std::string& arguments) {
        DeleteFileA(changeLog_.c_str());
        SaverProcess saver = StartSaver(arguments);
        EXPECT_TRUE(saver.Started) << SaverPath();
        QuietExit exit = WatchUntilExit(saver, 15000);
        EXPECT_TRUE(exit.Exited) << "'" << arguments << "' still running";
        EXPECT_EQ(exit.ExitCode, 0u) << "'" << arguments << "'";
        return ReadWholeFile(changeLog_);
    }

    const std::string changeLog_ = BesideSaver("MPR.DLL.log");
    SavedRegistryValue version_;
    SavedRegistryValue mprOverride_;
    HWND owner_ = nullptr;
    HWND front_ = nullptr;
};

TEST_F(Windows9xPasswordChange, ChangeIsOwnedByTheNamedWindow) {
    EXPECT_EQ(ChangeRequests("/a " + Decimal(owner_)), "PwdChangePasswordA SCRSAVE " + Decimal(owner_) + " 0 0\n");
}

TEST_F(Windows9xPasswordChange, ChangeWithoutAUsableHandleIsOwnedByTheForegroundWindow) {
    const HWND none = HandleOfNoWindow();
    ASSERT_NE(none, nullptr);
    for (const std::string& arguments : {std::string("/a"), std::string("/a 0"), "/a " + Decimal(none)})
        EXPECT_EQ(ChangeRequests(arguments), "PwdChangePasswordA SCRSAVE " + Decimal(front_) + " 0 0\n")
            << "'" << arguments << "'";
}

}  // namespace
