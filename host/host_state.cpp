#include "host/host_state.h"

namespace {
constexpr DWORD NeverVerified = 0xFFFFFFFF;
constexpr BYTE AcLineUnknown = 255;
}  // namespace

HostStateRecord HostState = {nullptr, nullptr, 0, 0, 0, 0, NeverVerified, {0, 0}, AcLineUnknown, 0};

void ResetHostState() {
    HostState = HostStateRecord{nullptr, nullptr, 0, 0, 0, 0, NeverVerified, {0, 0}, AcLineUnknown, 0};
}
