// The saver on the Windows 9x platform, which Wine reports for Brasswick.scr
// alone while HKCU\Software\Wine\AppDefaults\Brasswick.scr\Version is
// "win98". The platform's password libraries are the test doubles built
// beside the saver; each logs its calls to <name>.log.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "saver_checks.h"
#include "saver_process.h"
#include "tests/shared/saved_state.h"
#include "tests/shared/window_text.h"

namespace {

constexpr char AppDefaults[] = "Software\\Wine\\AppDefaults\\Brasswick.scr";

class Windows9x : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& file : files_) DeleteFileA(file.c_str());
        version_ = SaveRegistryValue(HKEY_CURRENT_USER, AppDefaults, "Version");
        ASSERT_TRUE(SetRegistryString(version_, "win98"));
        usePassword_ = SaveRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
        mpr_ = SaveRegistryValue(HKEY_CURRENT_USER, std::string(AppDefaults) + "\\DllOverrides", "mpr");
    }
    void TearDown() override {
        EndSaver(saver_);
        RestoreRegistryValue(mpr_);
        RestoreRegistryValue(usePassword_);
        RestoreRegistryValue(version_);
        for (const std::string& file : files_) DeleteFileA(file.c_str());
    }

    const std::string prompts_ = ProgramFolder() + "\\PASSWORD.CPL.log";
    const std::string answer_ = ProgramFolder() + "\\PASSWORD.CPL.answer";
    const std::string changes_ = ProgramFolder() + "\\MPR.DLL.log";
    const std::string files_[3] = {prompts_, answer_, changes_};
    SavedRegistryValue version_, usePassword_, mpr_;
    SaverProcess saver_;
    HWND window_ = nullptr;
};

TEST_F(Windows9x, WithoutPasswordTheFirstKeyEndsTheSaver) {
    for (bool missing : {true, false}) {
        ASSERT_TRUE(missing ? DeleteRegistryValue(usePassword_) : SetRegistryDword(usePassword_, 0));
        ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
        PressKeyOnKeyboard(VK_SPACE);
        ExpectEndsWithZero(saver_, window_);
        EndSaver(saver_);
        EXPECT_FALSE(FileExists(prompts_)) << "prompted: " << ReadWholeFile(prompts_);
    }
}

TEST_F(Windows9x, ARefusedPromptKeepsTheSaverRunningAndAGrantedOneEndsIt) {
    ASSERT_TRUE(SetRegistryDword(usePassword_, 1));
    ASSERT_TRUE(WriteTextFile(answer_, "0"));
    ASSERT_NO_FATAL_FAILURE(StartFullScreenAtRest(saver_, window_));
    const std::string prompt = "VerifyScreenSavePwd " + Decimal(window_);
    PressKeyOnKeyboard(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(prompts_); }, ReactionMs + ReactionSlackMs))
        << "the key brought no password prompt";
    ExpectKeepsRunning(saver_, window_);
    EXPECT_EQ(ReadWholeFile(prompts_), prompt + " 0\n");

    ASSERT_TRUE(WriteTextFile(answer_, "1"));
    PressKeyOnKeyboard(VK_SPACE);
    ExpectEndsWithZero(saver_, window_);
    EXPECT_EQ(ReadWholeFile(prompts_), prompt + " 0\n" + prompt + " 1\n");
}

TEST_F(Windows9x, PasswordChangeIsOwnedByTheNamedWindowElseTheForegroundOne) {
    // Wine takes its own MPR.DLL unless the program's override key says
    // otherwise; an override in the environment does not reach the child.
    ASSERT_TRUE(SetRegistryString(mpr_, "native,builtin"));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BrasswickTestOwner";
    RegisterClassA(&windowClass);
    // The named owner stays hidden; another window is in front.
    HWND owner = CreateWindowExA(0, windowClass.lpszClassName, "owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    HWND front = CreateWindowExA(0, windowClass.lpszClassName, "front", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(front);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front; }, 5000));
    const HWND none = HandleOfNoWindow();
    ASSERT_NE(none, nullptr);

    const std::pair<std::string, HWND> cases[] = {
        {"/a " + Decimal(owner), owner}, {"/a", front}, {"/a 0", front}, {"/a " + Decimal(none), front}};
    for (const auto& c : cases) {
        DeleteFileA(changes_.c_str());
        SaverProcess saver = StartSaver(c.first);
        ASSERT_TRUE(saver.Started) << SaverPath();
        const QuietExit exit = WatchUntilExit(saver, 15000);
        EXPECT_TRUE(exit.Exited) << "'" << c.first << "' still running";
        EXPECT_EQ(exit.ExitCode, 0u) << "'" << c.first << "'";
        EXPECT_EQ(ReadWholeFile(changes_), "PwdChangePasswordA SCRSAVE " + Decimal(c.second) + " 0 0\n")
            << "'" << c.first << "'";
    }
    DestroyWindow(front);
    DestroyWindow(owner);
}

}  // namespace
