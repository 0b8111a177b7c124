#include "host/command_line.h"

namespace {

bool IsBlankOrControl(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= 0x20;
}

const char* SkipSpaces(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

}  // namespace

const char* SkipProgramName(const char* commandLine, NextCharFn nextChar) {
    const char* p = commandLine;
    if (*p == '"') {
        do {
            p = nextChar(p);
        } while (*p != '\0' && *p != '"');
        if (*p == '"') ++p;
    } else if (static_cast<unsigned char>(*p) > 0x20) {
        while (static_cast<unsigned char>(*p) > 0x20) p = nextChar(p);
    }
    while (IsBlankOrControl(*p)) p = nextChar(p);
    return p;
}

uint32_t ParseWindowHandle(const char* text) {
    uint32_t value = 0;  // wraps modulo 2^32, as the platform's own parser did
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    return value;
}

ModeRequest ReadModeSwitch(const char* commandTail, bool isWin9x) {
    const char* p = commandTail;
    for (;; ++p) {
        switch (*p) {
        case '\0':
            return {SaverMode::ConfigNoOwner, 0};
        case ' ':
        case '-':
        case '/':
            continue;
        case 'S':
        case 's':
            return {SaverMode::FullScreen, 0};
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            return {SaverMode::Preview, ParseWindowHandle(SkipSpaces(p + 1))};
        case 'C':
        case 'c':
            ++p;
            return {SaverMode::ConfigDialog, *p == ':' ? ParseWindowHandle(p + 1) : 0};
        case 'A':
        case 'a':
            if (!isWin9x) return {SaverMode::Invalid, 0};
            return {SaverMode::ChangePassword, ParseWindowHandle(SkipSpaces(p + 1))};
        default:
            return {SaverMode::Invalid, 0};
        }
    }
}
