#include "settings/listening_status.h"

namespace {

// Appends to a line, cut at its size: the program ships without the C
// library's printf.
struct Line {
    char* Text;
    int Size;
    int Length;
};

Line& operator<<(Line& line, const char* part) {
    while (*part && line.Length < line.Size - 1) line.Text[line.Length++] = *part++;
    line.Text[line.Length] = '\0';
    return line;
}

Line& operator<<(Line& line, uint32_t number) {
    char digits[11];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    char reversed[11];
    for (int i = 0; i < count; ++i) reversed[i] = digits[count - 1 - i];
    reversed[count] = '\0';
    return line << static_cast<const char*>(reversed);
}

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
    Line line = {text, StatusTextSize, 0};
    line << "";
    const char* name = InputNameOf(facts);
    switch (facts.Condition) {
    case MeterCondition::NotListening:
        line << "Not listening: the saver paints random tiles on white.";
        return;
    case MeterCondition::Opening:
        line << "Opening " << name << "...";
        return;
    case MeterCondition::Lost:
        line << "Lost " << name << ": looking for it again; the saver paints random tiles meanwhile.";
        return;
    case MeterCondition::Failed:
        if (facts.DeviceCount == 0)
            line << "No recording device on this computer: the saver paints random tiles.";
        else
            line << "Could not open " << name << " (" << CodeName(facts.OpenCode) << ", code " << facts.OpenCode
                 << "): the saver paints random tiles.";
        return;
    case MeterCondition::Open:
        break;
    }
    if (facts.SilentMs >= SilenceNoticeMs)
        line << "Hearing only exact silence from " << name << " for " << facts.SilentMs / 1000
             << " s: is the microphone muted or blocked?";
    else if (facts.NamedMissing)
        line << facts.Wanted << " is missing: listening to " << name << " instead.";
    else
        line << "Listening to " << name << ".";
}

bool OffersPrivacyPage(const ListeningFacts& facts, uint32_t windowsMajorVersion) {
    return facts.Condition == MeterCondition::Failed && windowsMajorVersion >= 10;
}
