#include "host/closing_decisions.h"

namespace {

constexpr uint32_t ResumeFromFailure = 1;  // PBTF_APMRESUMEFROMFAILURE
constexpr uint32_t NeverVerified = 0xFFFFFFFF;
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
    case 6:   // PBT_APMRESUMECRITICAL
    case 7:   // PBT_APMRESUMESUSPEND
    case 8:   // PBT_APMRESUMESTANDBY
    case 18:  // PBT_APMRESUMEAUTOMATIC
        return (data & ResumeFromFailure) ? PowerAction::Ignore : PowerAction::Close;
    case 10:  // PBT_APMPOWERSTATUSCHANGE
        return PowerAction::CheckAcLine;
    default:  // queries, suspends, battery low, OEM events and the unknown
        return PowerAction::Close;
    }
}

bool PromptThrottled(uint32_t lastVerifyTick, uint32_t now) {
    return lastVerifyTick != NeverVerified && now - lastVerifyTick < PromptInterval;
}
