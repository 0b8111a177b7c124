// The host's structured exception guard, with real faults under the real
// exception dispatcher.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include "host/fault_guard.h"
#include "sound/sound_meter.h"
#include "tests/shared/import_hook.h"

namespace {

int FaultsCalled = 0;

void CountFault() {
    ++FaultsCalled;
}

void* ExceptionChainHead() {
    void* head = nullptr;
#if defined(__i386__)
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
#endif
    return head;
}

// Top-level filters, which UnhandledExceptionFilter asks first. Without a
// debugger, their answer is what the platform's crash reporting would choose.
LONG WINAPI ChooseHandler(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}
LONG WINAPI ResumeAfterRaise(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_EXECUTION;
}

class FaultGuard : public ::testing::Test {
protected:
    void SetUp() override {
#if !defined(__i386__)
        GTEST_SKIP() << "the guard is 32-bit code; the 64-bit test build runs without it";
#endif
        FaultsCalled = 0;
    }
    void TearDown() override {
        if (filtered_) SetUnhandledExceptionFilter(previous_);
    }
    void Filter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
        previous_ = SetUnhandledExceptionFilter(filter);
        filtered_ = true;
    }

    LPTOP_LEVEL_EXCEPTION_FILTER previous_ = nullptr;
    bool filtered_ = false;
    void* const chain_ = ExceptionChainHead();
};

TEST_F(FaultGuard, PassesTheResultThroughWhenNothingFaults) {
    EXPECT_EQ(RunUnderFaultGuard([](void*) { return 7; }, nullptr, CountFault), 7);
    EXPECT_EQ(FaultsCalled, 0);
    EXPECT_EQ(ExceptionChainHead(), chain_);
}

TEST_F(FaultGuard, EndsWithMinusOneAfterAFault) {
    Filter(ChooseHandler);
    auto writesThroughNull = [](void* target) {
        *static_cast<volatile int*>(target) = 1;
        return 0;
    };
    EXPECT_EQ(RunUnderFaultGuard(writesThroughNull, nullptr, CountFault), -1);
    EXPECT_EQ(FaultsCalled, 1);
    EXPECT_EQ(ExceptionChainHead(), chain_);

    int zero = 0;
    auto dividesByZero = [](void* divisor) { return 100 / *static_cast<volatile int*>(divisor); };
    EXPECT_EQ(RunUnderFaultGuard(dividesByZero, &zero, CountFault), -1);
    EXPECT_EQ(FaultsCalled, 2);
    EXPECT_EQ(ExceptionChainHead(), chain_);
}

TEST_F(FaultGuard, ResumesWhenTheFilterSaysSo) {
    Filter(ResumeAfterRaise);
    auto raisesContinuable = [](void*) {
        RaiseException(0xE0000001, 0, 0, nullptr);
        return 5;
    };
    EXPECT_EQ(RunUnderFaultGuard(raisesContinuable, nullptr, CountFault), 5);
    EXPECT_EQ(FaultsCalled, 0);
}

MMRESULT WINAPI FaultingOpen(LPHWAVEIN, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) {
    *static_cast<volatile int*>(nullptr) = 1;
    return MMSYSERR_NOERROR;
}

// The meter's thread runs under the guard too: a driver that faults in its
// open gives the meter up instead of ending the process, and the next open
// starts a thread of its own that opens the input.
TEST_F(FaultGuard, AFaultOnTheMetersThreadGivesTheMeterUp) {
    Filter(ChooseHandler);
    void* open = ReplaceProgramImport("WINMM.dll", "waveInOpen", reinterpret_cast<void*>(&FaultingOpen));
    ASSERT_NE(open, nullptr);
    MMRESULT code = MMSYSERR_NOERROR;
    EXPECT_EQ(OpenSoundMeter("", 10000, &code), 0);
    ReplaceProgramImport("WINMM.dll", "waveInOpen", open);
    SoundMeterReport report;
    ReadSoundMeterReport(&report);
    EXPECT_EQ(report.State, MeterState::GivenUp);
    EXPECT_EQ(report.OpenAnswer, MeterState::GivenUp);
    CloseSoundMeter(&code);
    EXPECT_EQ(OpenSoundMeter("", 20000, &code), 1);
    CloseSoundMeter(&code);
}

}  // namespace
