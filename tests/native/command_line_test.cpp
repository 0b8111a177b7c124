#include <gtest/gtest.h>

#include "host/command_line.h"

namespace {

const char* NextByte(const char* p) {
    return *p ? p + 1 : p;
}

// A stand-in for a double-byte code page: a lead byte 0x81..0x9F takes the
// following byte with it, whatever that byte is.
const char* NextDoubleByteChar(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x81 && c <= 0x9F && p[1]) return p + 2;
    return NextByte(p);
}

struct TailCase {
    const char* CommandLine;
    const char* Tail;
};

TEST(SkipProgramName, LeavesTheTailAfterNameAndBlanks) {
    const TailCase cases[] = {
        {"Brasswick.scr /s", "/s"},
        {"Brasswick.scr", ""},
        {"\"C:\\Program Files\\Brasswick.scr\" /s", "/s"},
        {"\"C:\\Program Files\\Brasswick.scr /s", ""},  // no closing quote
        {"\"\" /p 12", "/p 12"},
        {"Brasswick.scr\t/s", "/s"},                    // tab before the switch
        {"Brasswick.scr \x01\x1f /c", "/c"},             // control bytes count as blanks
        {"Br\xe4sswick.scr /s", "/s"},                   // 0x80..0xFF are part of a name
        {" /s", "/s"},                                   // no name at all
        {"", ""},
        {"a.scr /s  x", "/s  x"},                        // the tail keeps its inner blanks
    };
    for (const TailCase& c : cases)
        EXPECT_STREQ(SkipProgramName(c.CommandLine, NextByte), c.Tail) << c.CommandLine;
}

TEST(SkipProgramName, StepsOverDoubleByteCharactersWhole) {
    // The trail byte 0x22 is part of a character, not the closing quote.
    EXPECT_STREQ(SkipProgramName("\"a\x81\"b\" /s", NextDoubleByteChar), "/s");
    // The trail byte 0x20 is part of the name, not the blank after it.
    EXPECT_STREQ(SkipProgramName("a\x81 b /s", NextDoubleByteChar), "/s");
}

struct HandleCase {
    const char* Text;
    uint32_t Value;
};

TEST(ParseWindowHandle, ReadsLeadingDigitsModulo2To32) {
    const HandleCase cases[] = {
        {"1234", 1234},       {"12x", 12},  {"", 0},         {" 12", 0},  {"-5", 0},    {"+5", 0},
        {"4294967295", 0xFFFFFFFFu},        {"4294967297", 1},           {"00042", 42}, {"7:8", 7},
        {"\xb1" "5", 0},
    };
    for (const HandleCase& c : cases) EXPECT_EQ(ParseWindowHandle(c.Text), c.Value) << c.Text;
    // 10^20 - 1 modulo 2^32, worked out independently of the parser.
    unsigned long long value = 0;
    for (int i = 0; i < 20; ++i) value = (value * 10 + 9) % 4294967296ull;
    EXPECT_EQ(ParseWindowHandle("99999999999999999999"), value);
}

struct ModeCase {
    const char* Tail;
    bool IsWin9x;
    SaverMode Mode;
    uint32_t Window;
};

TEST(ReadModeSwitch, FollowsTheSwitchTable) {
    const ModeCase cases[] = {
        // No switch: the dialog without owner.
        {"", false, SaverMode::ConfigNoOwner, 0},
        {"/", false, SaverMode::ConfigNoOwner, 0},
        {"-", false, SaverMode::ConfigNoOwner, 0},
        {" -/ /- ", false, SaverMode::ConfigNoOwner, 0},
        // Full screen; whatever follows is ignored.
        {"/s", false, SaverMode::FullScreen, 0},
        {"-S", false, SaverMode::FullScreen, 0},
        {"s", false, SaverMode::FullScreen, 0},
        {"/screen", false, SaverMode::FullScreen, 0},
        {"/s 1234", false, SaverMode::FullScreen, 0},
        // Preview: spaces, then the handle; no other separator.
        {"/p 1234", false, SaverMode::Preview, 1234},
        {"/p1234", false, SaverMode::Preview, 1234},
        {"/P   1234", false, SaverMode::Preview, 1234},
        {"-p 1234", false, SaverMode::Preview, 1234},
        {" / - p 1234", false, SaverMode::Preview, 1234},
        {"/p 12x", false, SaverMode::Preview, 12},
        {"/l 1234", false, SaverMode::Preview, 1234},
        {"/L1234", false, SaverMode::Preview, 1234},
        {"/p:1234", false, SaverMode::Preview, 0},
        {"/p", false, SaverMode::Preview, 0},
        {"/p 0", false, SaverMode::Preview, 0},
        {"/p abc", false, SaverMode::Preview, 0},
        {"/p\t1234", false, SaverMode::Preview, 0},
        {"/p 4294967297", false, SaverMode::Preview, 1},
        // Configuration: ':' then the handle, nothing else.
        {"/c:1234", false, SaverMode::ConfigDialog, 1234},
        {"/C:1234", false, SaverMode::ConfigDialog, 1234},
        {"/c", false, SaverMode::ConfigDialog, 0},
        {"/c:", false, SaverMode::ConfigDialog, 0},
        {"/c 1234", false, SaverMode::ConfigDialog, 0},
        {"/c: 1234", false, SaverMode::ConfigDialog, 0},
        // Password change: Windows 9x only.
        {"/a 1234", true, SaverMode::ChangePassword, 1234},
        {"/A1234", true, SaverMode::ChangePassword, 1234},
        {"/a", true, SaverMode::ChangePassword, 0},
        {"/a 1234", false, SaverMode::Invalid, 0},
        {"/a", false, SaverMode::Invalid, 0},
        // Anything else runs nothing.
        {"/x", false, SaverMode::Invalid, 0},
        {"x", false, SaverMode::Invalid, 0},
        {"/1234", false, SaverMode::Invalid, 0},
        {"/\ts", false, SaverMode::Invalid, 0},
        {":s", false, SaverMode::Invalid, 0},
        {"/\xd3", false, SaverMode::Invalid, 0},
        {"\xf3", true, SaverMode::Invalid, 0},
    };
    for (const ModeCase& c : cases) {
        ModeRequest request = ReadModeSwitch(c.Tail, c.IsWin9x);
        EXPECT_EQ(request.Mode, c.Mode) << "'" << c.Tail << "'";
        EXPECT_EQ(request.Window, c.Window) << "'" << c.Tail << "'";
    }
}

}  // namespace
