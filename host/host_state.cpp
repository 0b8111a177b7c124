#include "host/host_state.h"

namespace {
constexpr HostStateRecord StartingHostState = {nullptr, nullptr, 0, 0, 0, 0, NeverVerified, {0, 0}, AcLineUnknown, 0};
}  // namespace

HostStateRecord HostState = StartingHostState;

void ResetHostState() {
    HostState = StartingHostState;
}

BYTE CurrentAcLineStatus() {
    SYSTEM_POWER_STATUS status;
    return GetSystemPowerStatus(&status) ? status.ACLineStatus : AcLineUnknown;
}
