#include "host/closing_decisions.h"

namespace {

constexpr uint32_t PromptInterval = 200;

uint32_t Distance(int32_t from, int32_t to) {
    const int64_t d = static_cast<int64_t>(to) - from;
    return static_cast<uint32_t>(d < 0 ? -d : d);
}

}  // namespace

bool MouseTravelExceeds(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
    return Distance(fromX, toX) + Distance(fromY, toY) > MouseMoveThreshold;
}

PowerAction PowerBroadcastAction(uint32_t event, uint32_t data) {
    switch (event) {
    case PowerResumeCritical:
    case PowerResumeSuspend:
    case PowerResumeStandby:
    case PowerResumeAutomatic:
        return (data & PowerResumeFromFailure) ? PowerAction::Ignore : PowerAction::Close;
    case PowerStatusChange:
        return PowerAction::CheckAcLine;
    default:  // queries, suspends, battery low, OEM events and the unknown
        return PowerAction::Close;
    }
}

bool PromptThrottled(uint32_t lastVerifyTick, uint32_t now) {
    return lastVerifyTick != NeverVerified && now - lastVerifyTick < PromptInterval;
}
