// A structured exception frame for GCC, which has no __try/__except on 32-bit
// Windows. In the order things happen:
//  1. RunUnderFaultGuard puts a GuardFrame on its own stack. It begins with
//     the platform's EXCEPTION_REGISTRATION_RECORD and is pushed onto the
//     thread's chain of them, whose head is the first word of the thread
//     information block (fs:[0]).
//  2. __builtin_setjmp notes the stack, the frame pointer and where to go on.
//  3. On a fault the system calls GuardHandler with the frame it registered.
//     The handler asks UnhandledExceptionFilter; when the verdict is to run
//     the handler, it
//  4. has RtlUnwind call and take off every record registered after ours,
//  5. takes its own record off the chain, and
//  6. __builtin_longjmp's back to step 2, which now returns 1: onFault runs.
#include "host/fault_guard.h"

#include <windows.h>

#include <intrin.h>

#include <cstddef>

namespace {

struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD Registration;  // first: its address is the frame's
    void* Resume[5];                             // __builtin_setjmp's buffer
};

constexpr DWORD ChainHead = offsetof(NT_TIB, ExceptionList);

EXCEPTION_REGISTRATION_RECORD* ExceptionChain() {
    return reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(ChainHead));
}

void SetExceptionChain(EXCEPTION_REGISTRATION_RECORD* head) {
    __writefsdword(ChainHead, reinterpret_cast<DWORD>(head));
}

// RtlUnwind(target, 0, record, 0) as a call the compiler can trust. Its
// prototype promises what every stdcall function keeps, but on x86 it returns
// with ebx, esi and edi (and, on some systems, ebp) changed, so a plain call
// would let GCC keep a pointer in one of them across it. Step by step:
// save ebp; push the four arguments right to left (ReturnValue 0, the
// record, TargetIp 0 so that it returns here, the target frame); call, which
// pops them (stdcall); restore ebp. The clobbers tell GCC what is lost.
void UnwindInnerFrames(GuardFrame* target, EXCEPTION_RECORD* record) {
    DWORD scratchA, scratchC, scratchD;
    __asm__ __volatile__(
        "pushl %%ebp\n\t"
        "pushl $0\n\t"
        "pushl %%ecx\n\t"
        "pushl $0\n\t"
        "pushl %%eax\n\t"
        "call _RtlUnwind@16\n\t"
        "popl %%ebp"
        : "=a"(scratchA), "=c"(scratchC), "=d"(scratchD)
        : "0"(target), "1"(record)
        : "ebx", "esi", "edi", "memory", "cc");
}

// The system restores the stack pointer after calling a handler, so the
// header's NTAPI and the compilers' __cdecl handlers both work.
EXCEPTION_DISPOSITION NTAPI GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT* context, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    EXCEPTION_POINTERS pointers = {record, context};
    const LONG verdict = UnhandledExceptionFilter(&pointers);
    if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
    if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    UnwindInnerFrames(frame, record);
    SetExceptionChain(frame->Registration.Next);
    // GCC's builtin pair, not the C library's longjmp: it only restores the
    // stack and frame pointers and jumps, which is all a jump out of a
    // handler into a live frame may do. It must be called from another
    // function than the one that set it, as here.
    __builtin_longjmp(frame->Resume, 1);
}

}  // namespace

// The frame and its resume buffer live in this function's stack frame until
// it returns. GCC does not inline a function that calls __builtin_setjmp;
// noinline says so where a reader looks.
__attribute__((noinline)) int RunUnderFaultGuard(int (*body)(void*), void* context, void (*onFault)()) {
    GuardFrame frame;
    frame.Registration.Handler = GuardHandler;
    if (__builtin_setjmp(frame.Resume)) {
        onFault();
        return -1;
    }
    frame.Registration.Next = ExceptionChain();
    SetExceptionChain(&frame.Registration);
    const int result = body(context);
    SetExceptionChain(frame.Registration.Next);
    return result;
}
