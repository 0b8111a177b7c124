// The resources of the built program, read back from the file.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brasswick_version.h"
#include "resources/resource_ids.h"
#include "saver_process.h"
#include "tests/shared/saved_state.h"

namespace {

const WORD Japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD EnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class SaverResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << SaverPath();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    // The resource in exactly this language, or nothing.
    const BYTE* Resource(LPCSTR type, LPCSTR name, WORD language, DWORD* size) {
        HRSRC found = FindResourceExA(module_, type, name, language);
        if (!found) return nullptr;
        *size = SizeofResource(module_, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }

    HMODULE module_ = nullptr;
};

// Their format is tested on the files themselves (tests/native).
TEST_F(SaverResources, TileBitmapsAreTheCommittedFiles) {
    for (int id = IDB_TILE_0; id <= IDB_TILE_6; ++id) {
        DWORD size = 0;
        const BYTE* data = Resource(RT_BITMAP, MAKEINTRESOURCEA(id), Japanese, &size);
        ASSERT_NE(data, nullptr) << id;
        const std::string file = ReadWholeFile(RESOURCES_DIR "/tile" + std::to_string(id) + ".bmp");
        ASSERT_GT(file.size(), sizeof(BITMAPFILEHEADER)) << id;
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(data), size) == file.substr(sizeof(BITMAPFILEHEADER)))
            << id;
    }
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(IDB_TILE_0 - 1), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(IDB_TILE_6 + 1), RT_BITMAP), nullptr);
}

TEST_F(SaverResources, IconGroupHoldsThreeSizesOf256Colours) {
    DWORD size = 0;
    const BYTE* group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_PROGRAM), Japanese, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(size, 6u + 3 * 14);
    WORD count;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 3);
    const BYTE sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        WORD bits, iconId;
        std::memcpy(&bits, entry + 6, 2);
        std::memcpy(&iconId, entry + 12, 2);
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(entry[1], sizes[i]);
        EXPECT_EQ(bits, 8);
        DWORD imageSize = 0;
        EXPECT_NE(Resource(RT_ICON, MAKEINTRESOURCEA(iconId), Japanese, &imageSize), nullptr);
    }
    // The window class asks for an icon that is not there.
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(IDI_CLASS_ICON), RT_GROUP_ICON), nullptr);
}

TEST_F(SaverResources, StringsManifestAndVersionBlock) {
    DWORD size = 0;
    EXPECT_NE(Resource(RT_STRING, MAKEINTRESOURCEA(IDS_PRODUCT_NAME / 16 + 1), Japanese, &size), nullptr)
        << "the block of the first sixteen strings";
    char text[256];
    ASSERT_EQ(LoadStringA(module_, IDS_PRODUCT_NAME, text, sizeof text), 9);
    EXPECT_STREQ(text, "Brasswick");
    const int versionLength = static_cast<int>(std::strlen(BRASSWICK_VERSION_TEXT));
    ASSERT_EQ(LoadStringA(module_, IDS_VERSION, text, sizeof text), versionLength);
    EXPECT_STREQ(text, BRASSWICK_VERSION_TEXT);

    const BYTE* manifest = Resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, EnglishUs, &size);
    ASSERT_NE(manifest, nullptr);
    const std::string xml(reinterpret_cast<const char*>(manifest), size);
    EXPECT_NE(xml.find("<assembly"), std::string::npos);
    EXPECT_NE(xml.find("manifestVersion=\"1.0\""), std::string::npos);
    EXPECT_EQ(xml.find("dependency"), std::string::npos);

    EXPECT_NE(Resource(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO), Japanese, &size), nullptr);
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(SaverPath().c_str(), &ignored), '\0');
    ASSERT_TRUE(GetFileVersionInfoA(SaverPath().c_str(), 0, static_cast<DWORD>(block.size()), &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    const DWORD versionMs = MAKELONG(BRASSWICK_VERSION_MINOR, BRASSWICK_VERSION_MAJOR);
    const DWORD versionLs = MAKELONG(0, BRASSWICK_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, versionMs);
    EXPECT_EQ(fixed->dwFileVersionLS, versionLs);
    EXPECT_EQ(fixed->dwProductVersionMS, versionMs);
    EXPECT_EQ(fixed->dwProductVersionLS, versionLs);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32)) << "runs on the 9x and the NT family";
    for (const auto& value : {std::make_pair("ProductName", "Brasswick"), std::make_pair("FileDescription", "Brasswick"),
                              std::make_pair("CompanyName", "Korvane")}) {
        char* found = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\041104B0\\") + value.first;
        ASSERT_TRUE(VerQueryValueA(&block[0], key.c_str(), reinterpret_cast<void**>(&found), &length)) << key;
        EXPECT_STREQ(found, value.second);
    }
}

// Reads an extended dialog template in order.
struct TemplateReader {
    const BYTE* Data;
    DWORD Size;
    DWORD At = 0;
    bool Overran = false;

    template <typename T>
    T Take() {
        T value{};
        if (At + sizeof(T) > Size) {
            Overran = true;
            return value;
        }
        std::memcpy(&value, Data + At, sizeof(T));
        At += sizeof(T);
        return value;
    }
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return static_cast<short>(Take<WORD>()); }
    void AlignToDword() { At = (At + 3) & ~3u; }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !Overran; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    // Empty, "#n" for an ordinal, or a string.
    std::wstring NameOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        return first == 0 ? std::wstring() : static_cast<wchar_t>(first) + String();
    }
};

struct ItemTemplate {
    DWORD Style;
    short X, Y, Width, Height;
    DWORD Id;
    const wchar_t* Class;
    const wchar_t* Text;
};

const DWORD Shown = WS_CHILD | WS_VISIBLE;
const DWORD Slider = Shown | WS_TABSTOP | TBS_BOTH | TBS_NOTICKS;
const DWORD Label = Shown | WS_GROUP;
const DWORD NoId = 0xFFFFFFFF;

// The design's twenty, then the room's seven in an area of their own below.
const ItemTemplate Items[29] = {
    {Slider, 42, 23, 125, 13, IDC_FREQ_SLIDER, L"msctls_trackbar32", L""},
    {Slider, 42, 65, 125, 13, IDC_THRESHOLD_0, L"msctls_trackbar32", L""},
    {Slider, 42, 83, 125, 13, IDC_THRESHOLD_1, L"msctls_trackbar32", L""},
    {Slider, 42, 101, 125, 13, IDC_THRESHOLD_2, L"msctls_trackbar32", L""},
    {Slider, 42, 119, 125, 13, IDC_THRESHOLD_3, L"msctls_trackbar32", L""},
    {Slider, 42, 137, 125, 13, IDC_THRESHOLD_4, L"msctls_trackbar32", L""},
    {Slider, 42, 155, 125, 13, IDC_THRESHOLD_5, L"msctls_trackbar32", L""},
    {Shown | WS_TABSTOP | BS_DEFPUSHBUTTON, 120, 189, 50, 14, IDOK, L"#128", L"OK"},
    {Shown | WS_TABSTOP | BS_PUSHBUTTON, 60, 189, 50, 14, IDCANCEL, L"#128", L"\uff77\uff6c\uff9d\uff7e\uff99"},
    {Label | SS_LEFT, 21, 30, 19, 11, NoId, L"#130", L"msec"},
    {Shown | BS_GROUPBOX, 8, 8, 162, 39, NoId, L"#128", L"\u5468\u671f\u8a2d\u5b9a"},
    {Label | SS_LEFT, 8, 191, 47, 8, IDC_VERSION_TEXT, L"#130", L"Brasswick"},
    {Shown | BS_GROUPBOX, 8, 54, 162, 123, NoId, L"#128", L"\u3057\u304d\u3044\u5024"},
    {Label | SS_RIGHT, 17, 22, 19, 10, IDC_FREQ_TEXT, L"#130", L"0000"},
    {Label | SS_RIGHT, 22, 67, 13, 8, NoId, L"#130", L"0-1"},
    {Label | SS_RIGHT, 22, 85, 13, 8, NoId, L"#130", L"1-2"},
    {Label | SS_RIGHT, 22, 103, 13, 8, NoId, L"#130", L"2-3"},
    {Label | SS_RIGHT, 22, 121, 13, 8, NoId, L"#130", L"3-4"},
    {Label | SS_RIGHT, 22, 139, 13, 8, NoId, L"#130", L"4-5"},
    {Label | SS_RIGHT, 22, 157, 13, 8, NoId, L"#130", L"5-6"},
    {Shown | BS_GROUPBOX, 8, 210, 162, 106, IDC_ROOM_FRAME, L"#128", L"Sound input"},
    {Shown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 15, 222, 148, 120, IDC_INPUT_LIST, L"#133", L""},
    {Shown | PBS_SMOOTH, 15, 240, 124, 10, IDC_LEVEL_BAR, L"msctls_progress32", L""},
    {Shown | SS_OWNERDRAW, 145, 237, 16, 16, IDC_LEVEL_BAND, L"Static", L"0"},
    {Label | SS_LEFT, 15, 256, 148, 24, IDC_LISTENING_TEXT, L"#130", L""},
    {Shown | WS_TABSTOP | BS_AUTOCHECKBOX, 15, 283, 126, 10, IDC_AUTO_CHECK, L"#128", L"Follow the room's loudness"},
    {Label | SS_RIGHT, 143, 284, 20, 8, IDC_GAIN_TEXT, L"#130", L""},
    {WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 15, 298, 86, 13, IDC_PRIVACY_BUTTON, L"#128", L"Microphone privacy..."},
    {Shown | WS_TABSTOP | BS_PUSHBUTTON, 113, 298, 50, 13, IDC_DEFAULTS_BUTTON, L"#128", L"Defaults"},
};

TEST_F(SaverResources, DialogIsTheExtendedJapaneseTemplateWithItsTwentyControlsThenTheRooms) {
    DWORD size = 0;
    const BYTE* data = Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_CONFIG), Japanese, &size);
    ASSERT_NE(data, nullptr) << "no Japanese dialog";
    TemplateReader in{data, size};
    EXPECT_EQ(in.Word(), 1) << "version";
    EXPECT_EQ(in.Word(), 0xFFFF) << "extended template";
    EXPECT_EQ(in.Dword(), 0u) << "help id";
    EXPECT_EQ(in.Dword(), 0u) << "extended style";
    EXPECT_EQ(in.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    ASSERT_EQ(in.Word(), 29);
    // Grown in height only.
    for (short expected : {0, 0, 179, 322}) EXPECT_EQ(in.Short(), expected) << "x, y, width, height";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "menu";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "class";
    EXPECT_EQ(in.String(), L"Brasswick\u8a2d\u5b9a");
    EXPECT_EQ(in.Word(), 9) << "points";
    EXPECT_EQ(in.Word(), 0) << "weight";
    EXPECT_EQ(in.Word(), 0) << "italic, character set";
    EXPECT_EQ(in.String(), L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af");

    for (const ItemTemplate& item : Items) {
        in.AlignToDword();
        const std::string name = "control " + std::to_string(static_cast<int>(item.Id));
        EXPECT_EQ(in.Dword(), 0u) << name << " help id";
        EXPECT_EQ(in.Dword(), 0u) << name << " extended style";
        EXPECT_EQ(in.Dword(), item.Style) << name;
        for (short expected : {item.X, item.Y, item.Width, item.Height}) EXPECT_EQ(in.Short(), expected) << name;
        EXPECT_EQ(in.Dword(), item.Id) << name;
        // Classes match without regard to case; the resource compiler writes capitals.
        const std::wstring className = in.NameOrOrdinal();
        EXPECT_EQ(lstrcmpiW(className.c_str(), item.Class), 0) << name << " class " << ::testing::PrintToString(className);
        EXPECT_EQ(in.NameOrOrdinal(), item.Text) << name;
        EXPECT_EQ(in.Word(), 0) << name << " creation data";
    }
    EXPECT_FALSE(in.Overran);
}

}  // namespace
