// GCC has no __try/__except for 32-bit Windows, so the guard links its own
// exception-registration record into the thread's chain at fs:[0]. In the
// order things happen:
//  1. RunUnderFaultGuard puts a GuardFrame (the platform's registration
//     record, then a resume buffer) on its own stack (noinline: both must
//     stay in this one stack frame until it returns) and makes it the head
//     of the chain, through the fs-segment intrinsics.
//  2. __builtin_setjmp notes the stack, the frame pointer and where to go on.
//  3. On a fault the system calls GuardHandler with the frame it registered;
//     the handler asks UnhandledExceptionFilter. To run the handler, it
//  4. has RtlUnwind call and take off every record registered after ours,
//  5. takes its own record off the chain, and
//  6. __builtin_longjmp's back to step 2 (GCC's builtin: it only restores
//     the stack and frame pointers and jumps, and may be called from another
//     function than the one that set it), which now returns 1: onFault runs.
#include "host/fault_guard.h"

#include <intrin.h>
#include <windows.h>

#if defined(__i386__)

namespace {

// The chain's head is at offset 0 of the thread information block, which
// fs points at on 32-bit Windows.
constexpr unsigned long ExceptionListOffset = 0;

struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD Registration;  // first: fs:[0] points here
    void* Resume[5];                             // __builtin_setjmp buffer
};

EXCEPTION_REGISTRATION_RECORD* ExceptionChain() {
    return reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(ExceptionListOffset));
}

void SetExceptionChain(EXCEPTION_REGISTRATION_RECORD* head) {
    __writefsdword(ExceptionListOffset, reinterpret_cast<unsigned long>(head));
}

// RtlUnwind(target, 0, record, 0), stdcall. On x86 it returns with ebx, esi
// and edi (on some systems ebp too) changed, against what its prototype
// promises, so a plain call could leave GCC trusting a register it lost.
// Step by step: save ebp; push the arguments right to left (ReturnValue 0,
// the record, TargetIp 0 so that it returns here, the target frame); call,
// which pops them; restore ebp. The clobbers tell GCC what is lost.
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

// Declared as the header's EXCEPTION_ROUTINE (stdcall); the system restores
// the stack pointer after calling a handler, so either convention works.
EXCEPTION_DISPOSITION NTAPI GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT* context, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    EXCEPTION_POINTERS pointers = {record, context};
    LONG verdict = UnhandledExceptionFilter(&pointers);
    if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
    if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    UnwindInnerFrames(frame, record);
    SetExceptionChain(frame->Registration.Next);
    __builtin_longjmp(frame->Resume, 1);
}

}  // namespace

__attribute__((noinline)) int RunUnderFaultGuard(int (*body)(void*), void* context,
                                                 void (*onFault)()) {
    GuardFrame frame;
    frame.Registration.Handler = GuardHandler;
    if (__builtin_setjmp(frame.Resume)) {
        onFault();
        return -1;
    }
    frame.Registration.Next = ExceptionChain();
    SetExceptionChain(&frame.Registration);
    int result = body(context);
    SetExceptionChain(frame.Registration.Next);
    return result;
}

#else
// The 64-bit test build (for kernels that run no 32-bit program) has no
// fs:[0] chain to link a frame into; it runs the body unguarded, and the
// guard's own tests run on the 32-bit build alone.
int RunUnderFaultGuard(int (*body)(void*), void* context, void (*)()) {
    return body(context);
}
#endif
