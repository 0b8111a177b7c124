// Dialog template 2003 of the built program, read back from the file.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "saver_process.h"

namespace {

// Reads the words of an extended dialog template in order.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}

    bool Overran() const { return overran_; }
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    BYTE Byte() { return Take<BYTE>(); }
    short Short() { return static_cast<short>(Take<WORD>()); }
    void AlignToDword() { at_ = (at_ + 3) & ~static_cast<DWORD>(3); }

    // A name or ordinal: empty, 0xFFFF and a number ("#n"), or a string.
    std::wstring NameOrOrdinal() {
        WORD first = Word();
        if (first == 0) return L"";
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + String();
    }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !overran_; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }

private:
    template <typename T>
    T Take() {
        T value{};
        if (at_ + sizeof(T) > size_) {
            overran_ = true;
            return value;
        }
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }

    const BYTE* data_;
    DWORD size_;
    DWORD at_ = 0;
    bool overran_ = false;
};

struct ItemTemplate {
    DWORD Style;
    short X, Y, Width, Height;
    DWORD Id;
    std::wstring Class;
    std::wstring Text;
};

const DWORD Shown = WS_CHILD | WS_VISIBLE;
const DWORD Slider = Shown | WS_TABSTOP | TBS_BOTH | TBS_NOTICKS;
const DWORD Label = Shown | WS_GROUP;
const DWORD NoId = 0xFFFFFFFF;

const ItemTemplate Expected[20] = {
    {Slider, 42, 23, 125, 13, 1009, L"msctls_trackbar32", L""},
    {Slider, 42, 65, 125, 13, 1003, L"msctls_trackbar32", L""},
    {Slider, 42, 83, 125, 13, 1004, L"msctls_trackbar32", L""},
    {Slider, 42, 101, 125, 13, 1005, L"msctls_trackbar32", L""},
    {Slider, 42, 119, 125, 13, 1006, L"msctls_trackbar32", L""},
    {Slider, 42, 137, 125, 13, 1007, L"msctls_trackbar32", L""},
    {Slider, 42, 155, 125, 13, 1008, L"msctls_trackbar32", L""},
    {Shown | WS_TABSTOP | BS_DEFPUSHBUTTON, 120, 189, 50, 14, IDOK, L"#128", L"OK"},
    {Shown | WS_TABSTOP | BS_PUSHBUTTON, 60, 189, 50, 14, IDCANCEL, L"#128", L"\uff77\uff6c\uff9d\uff7e\uff99"},
    {Label | SS_LEFT, 21, 30, 19, 11, NoId, L"#130", L"msec"},
    {Shown | BS_GROUPBOX, 8, 8, 162, 39, NoId, L"#128", L"\u5468\u671f\u8a2d\u5b9a"},
    {Label | SS_LEFT, 8, 191, 47, 8, 1001, L"#130", L"Brasswick"},
    {Shown | BS_GROUPBOX, 8, 54, 162, 123, NoId, L"#128", L"\u3057\u304d\u3044\u5024"},
    {Label | SS_RIGHT, 17, 22, 19, 10, 1010, L"#130", L"0000"},
    {Label | SS_RIGHT, 22, 67, 13, 8, NoId, L"#130", L"0-1"},
    {Label | SS_RIGHT, 22, 85, 13, 8, NoId, L"#130", L"1-2"},
    {Label | SS_RIGHT, 22, 103, 13, 8, NoId, L"#130", L"2-3"},
    {Label | SS_RIGHT, 22, 121, 13, 8, NoId, L"#130", L"3-4"},
    {Label | SS_RIGHT, 22, 139, 13, 8, NoId, L"#130", L"4-5"},
    {Label | SS_RIGHT, 22, 157, 13, 8, NoId, L"#130", L"5-6"},
};

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
        out += hex;
    }
    return out;
}

// Window classes are matched without regard to case, and the resource
// compiler stores class names in capitals.
bool SameClass(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

TEST(ConfigDialogTemplate, IsTheExtendedJapaneseTemplateWithItsTwentyControls) {
    HMODULE module = LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(2003), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    ASSERT_NE(found, nullptr) << "no Japanese dialog 2003";
    const DWORD size = SizeofResource(module, found);
    TemplateReader in(static_cast<const BYTE*>(LockResource(LoadResource(module, found))), size);

    EXPECT_EQ(in.Word(), 1) << "version";
    EXPECT_EQ(in.Word(), 0xFFFF) << "extended template";
    EXPECT_EQ(in.Dword(), 0u) << "help id";
    EXPECT_EQ(in.Dword(), 0u) << "extended style";
    EXPECT_EQ(in.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    const WORD count = in.Word();
    ASSERT_EQ(count, 20);
    EXPECT_EQ(in.Short(), 0);
    EXPECT_EQ(in.Short(), 0);
    EXPECT_EQ(in.Short(), 179);
    EXPECT_EQ(in.Short(), 213);
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "menu";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "class";
    EXPECT_EQ(Narrow(in.String()), "Brasswick\\u8a2d\\u5b9a");
    EXPECT_EQ(in.Word(), 9) << "points";
    EXPECT_EQ(in.Word(), 0) << "weight";
    EXPECT_EQ(in.Byte(), 0) << "italic";
    EXPECT_EQ(in.Byte(), 0) << "character set";
    EXPECT_EQ(Narrow(in.String()), "\\uff2d\\uff33 \\uff30\\u30b4\\u30b7\\u30c3\\u30af");

    for (const ItemTemplate& expected : Expected) {
        in.AlignToDword();
        const std::string item = "control " + std::to_string(static_cast<int>(expected.Id));
        EXPECT_EQ(in.Dword(), 0u) << item << " help id";
        EXPECT_EQ(in.Dword(), 0u) << item << " extended style";
        EXPECT_EQ(in.Dword(), expected.Style) << item;
        EXPECT_EQ(in.Short(), expected.X) << item;
        EXPECT_EQ(in.Short(), expected.Y) << item;
        EXPECT_EQ(in.Short(), expected.Width) << item;
        EXPECT_EQ(in.Short(), expected.Height) << item;
        EXPECT_EQ(in.Dword(), expected.Id) << item;
        const std::wstring className = in.NameOrOrdinal();
        EXPECT_TRUE(SameClass(className, expected.Class)) << item << " class " << Narrow(className);
        EXPECT_EQ(Narrow(in.NameOrOrdinal()), Narrow(expected.Text)) << item;
        EXPECT_EQ(in.Word(), 0) << item << " creation data";
    }
    EXPECT_FALSE(in.Overran());
    FreeLibrary(module);
}

}  // namespace
