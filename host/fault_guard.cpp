// GCC has no __try/__except for 32-bit Windows, so the guard links its own
// exception-registration record into the thread's chain at fs:[0].
#include "host/fault_guard.h"

#include <windows.h>

namespace {

struct GuardFrame {
    GuardFrame* Next;  // these two fields are the platform's registration record
    void* Handler;
    void* Resume[5];   // __builtin_setjmp buffer
};

GuardFrame* ExceptionChain() {
    GuardFrame* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head) : : "memory");
    return head;
}

void SetExceptionChain(GuardFrame* head) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// RtlUnwind need not preserve ebx, esi and edi; the clobbers say so.
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

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher,
                                           CONTEXT* context, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    EXCEPTION_POINTERS pointers = {record, context};
    LONG verdict = UnhandledExceptionFilter(&pointers);
    if (verdict == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
    if (verdict != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    UnwindInnerFrames(frame, record);
    SetExceptionChain(frame->Next);
    __builtin_longjmp(frame->Resume, 1);
}

}  // namespace

__attribute__((noinline)) int RunUnderFaultGuard(int (*body)(void*), void* context,
                                                 void (*onFault)()) {
    GuardFrame frame;
    frame.Handler = reinterpret_cast<void*>(&GuardHandler);
    if (__builtin_setjmp(frame.Resume)) {
        onFault();
        return -1;
    }
    frame.Next = ExceptionChain();
    SetExceptionChain(&frame);
    int result = body(context);
    SetExceptionChain(frame.Next);
    return result;
}
