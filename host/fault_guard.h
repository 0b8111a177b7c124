#pragma once

// Runs body(context) under a structured exception frame whose filter is the
// platform's UnhandledExceptionFilter. When that filter chooses the handler,
// the faulting code is unwound, onFault runs and the result is -1; other
// verdicts of the filter are carried out as the platform defines them.
int RunUnderFaultGuard(int (*body)(void*), void* context, void (*onFault)());
