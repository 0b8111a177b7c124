// The host's structured exception guard, with real faults under the real
// exception dispatcher.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/fault_guard.h"

namespace {

int FaultsCalled = 0;

void CountFault() {
    ++FaultsCalled;
}

int ReturnsSeven(void*) {
    return 7;
}

int WritesThroughNull(void* target) {
    *static_cast<volatile int*>(target) = 1;
    return 0;
}

int DividesByZero(void* divisor) {
    return 100 / *static_cast<volatile int*>(divisor);
}

void* ExceptionChainHead() {
    void* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

TEST(FaultGuard, PassesTheResultThroughWhenNothingFaults) {
    FaultsCalled = 0;
    void* before = ExceptionChainHead();
    EXPECT_EQ(RunUnderFaultGuard(ReturnsSeven, nullptr, CountFault), 7);
    EXPECT_EQ(FaultsCalled, 0);
    EXPECT_EQ(ExceptionChainHead(), before);
}

// Without a debugger, UnhandledExceptionFilter answers as the top-level
// filter does; the test stands in for the platform's crash reporting with it.
LONG WINAPI ChooseHandler(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}

TEST(FaultGuard, EndsWithMinusOneAfterAFault) {
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ChooseHandler);
    FaultsCalled = 0;
    void* before = ExceptionChainHead();
    EXPECT_EQ(RunUnderFaultGuard(WritesThroughNull, nullptr, CountFault), -1);
    EXPECT_EQ(FaultsCalled, 1);
    EXPECT_EQ(ExceptionChainHead(), before);

    int zero = 0;
    EXPECT_EQ(RunUnderFaultGuard(DividesByZero, &zero, CountFault), -1);
    EXPECT_EQ(FaultsCalled, 2);
    EXPECT_EQ(ExceptionChainHead(), before);
    SetUnhandledExceptionFilter(previous);
}

LONG WINAPI ResumeAfterRaise(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_EXECUTION;
}

int RaisesContinuable(void*) {
    RaiseException(0xE0000001, 0, 0, nullptr);
    return 5;
}

// UnhandledExceptionFilter asks the top-level filter first; resuming is its call.
TEST(FaultGuard, ResumesWhenTheFilterSaysSo) {
    FaultsCalled = 0;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ResumeAfterRaise);
    EXPECT_EQ(RunUnderFaultGuard(RaisesContinuable, nullptr, CountFault), 5);
    SetUnhandledExceptionFilter(previous);
    EXPECT_EQ(FaultsCalled, 0);
}

}  // namespace
