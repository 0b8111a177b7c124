// Any command line: the parser stays inside the text and always names a
// mode or nothing, with the window handle that the digits spell.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/command_line.h"

namespace {

const char* NextByte(const char* p) {
    return *p ? p + 1 : p;
}

// A lead byte of a double-byte code page takes the next byte with it.
const char* NextDoubleByteChar(const char* p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && p[1]) return p + 2;
    return NextByte(p);
}

uint32_t DigitsModulo2To32(const char* p) {
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = (value * 10 + static_cast<uint64_t>(*p - '0')) & 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckTail(const std::string& line, NextCharFn next) {
    const char* tail = SkipProgramName(line.c_str(), next);
    Check(tail >= line.c_str() && tail <= line.c_str() + line.size());
    for (bool isWin9x : {false, true}) {
        const ModeRequest request = ReadModeSwitch(tail, isWin9x);
        switch (request.Mode) {
        case SaverMode::ConfigNoOwner:
        case SaverMode::FullScreen:
        case SaverMode::Invalid:
            Check(request.Window == 0);
            break;
        case SaverMode::ChangePassword:
            Check(isWin9x);
            break;
        case SaverMode::ConfigDialog:
        case SaverMode::Preview:
            break;
        default:
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);  // cut at the first NUL, as the platform's is
    const std::string text = line.c_str();
    CheckTail(text, NextByte);
    CheckTail(text, NextDoubleByteChar);
    Check(ParseWindowHandle(text.c_str()) == DigitsModulo2To32(text.c_str()));
    return 0;
}
