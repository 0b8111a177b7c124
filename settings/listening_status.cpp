#include "settings/listening_status.h"

#include <cstdio>

namespace {

// The platform's names of the codes an open gives, for people to look up.
const char* CodeName(uint32_t code) {
    switch (code) {
    case 1: return "MMSYSERR_ERROR";
    case 2: return "MMSYSERR_BADDEVICEID";
    case 4: return "MMSYSERR_ALLOCATED";
    case 6: return "MMSYSERR_NODRIVER";
    case 7: return "MMSYSERR_NOMEM";
    case 32: return "WAVERR_BADFORMAT";
    }
    return "MMSYSERR";
}

const char* InputNameOf(const ListeningFacts& facts) {
    if (facts.Opened[0] != '\0') return facts.Opened;
    if (facts.Wanted[0] != '\0' && !facts.NamedMissing) return facts.Wanted;
    return "the default input";
}

}  // namespace

void DescribeListening(const ListeningFacts& facts, char (&text)[StatusTextSize]) {
    const char* name = InputNameOf(facts);
    switch (facts.Condition) {
    case MeterCondition::NotListening:
        std::snprintf(text, sizeof text, "Not listening: the saver paints random tiles on white.");
        return;
    case MeterCondition::Opening:
        std::snprintf(text, sizeof text, "Opening %s...", name);
        return;
    case MeterCondition::Failed:
        if (facts.DeviceCount == 0)
            std::snprintf(text, sizeof text, "No recording device on this computer: the saver paints random tiles.");
        else
            std::snprintf(text, sizeof text, "Could not open %s (%s, code %u): the saver paints random tiles.", name,
                          CodeName(facts.OpenCode), static_cast<unsigned>(facts.OpenCode));
        return;
    case MeterCondition::Open:
        break;
    }
    if (facts.SilentMs >= SilenceNoticeMs)
        std::snprintf(text, sizeof text,
                      "Hearing only exact silence from %s for %u s: is the microphone muted or blocked?", name,
                      static_cast<unsigned>(facts.SilentMs / 1000));
    else if (facts.NamedMissing)
        std::snprintf(text, sizeof text, "%s is missing: listening to %s instead.", facts.Wanted,
                      facts.Opened[0] != '\0' ? facts.Opened : "the default input");
    else
        std::snprintf(text, sizeof text, "Listening to %s.", name);
}

bool OffersPrivacyPage(const ListeningFacts& facts, uint32_t windowsMajorVersion) {
    return facts.Condition == MeterCondition::Failed && windowsMajorVersion >= 10;
}
