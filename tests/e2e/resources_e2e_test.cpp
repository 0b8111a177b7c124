// The resources of the built program, read back from the file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "saver_process.h"

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

TEST_F(SaverResources, TileBitmapsAre128SquareDibs) {
    for (int id = 102; id <= 108; ++id) {
        DWORD size = 0;
        const BYTE* data = Resource(RT_BITMAP, MAKEINTRESOURCEA(id), Japanese, &size);
        ASSERT_NE(data, nullptr) << id;
        BITMAPINFOHEADER header;
        ASSERT_GE(size, sizeof header);
        std::memcpy(&header, data, sizeof header);
        EXPECT_EQ(header.biSize, 40u) << id;
        EXPECT_EQ(header.biWidth, 128) << id;
        EXPECT_EQ(header.biHeight, 128) << id;
        EXPECT_EQ(header.biBitCount, id == 104 ? 8 : 24) << id;
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << id;
        EXPECT_EQ(size, 40u + (id == 104 ? 1024u : 0u) + 128u * 128u * header.biBitCount / 8) << id;
    }
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(101), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(109), RT_BITMAP), nullptr);
}

TEST_F(SaverResources, IconGroupHoldsThreeSizesOf256Colours) {
    DWORD size = 0;
    const BYTE* group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(32512), Japanese, &size);
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
    // The window class asks for icon 100, which is not there.
    EXPECT_EQ(FindResourceA(module_, MAKEINTRESOURCEA(100), RT_GROUP_ICON), nullptr);
}

TEST_F(SaverResources, StringTableNamesProductAndVersion) {
    DWORD size = 0;
    EXPECT_NE(Resource(RT_STRING, MAKEINTRESOURCEA(1), Japanese, &size), nullptr) << "strings 0..15";
    char text[256];
    ASSERT_EQ(LoadStringA(module_, 1, text, sizeof text), 9);
    EXPECT_STREQ(text, "Brasswick");
    ASSERT_EQ(LoadStringA(module_, 2, text, sizeof text), 5);
    EXPECT_STREQ(text, "1.1.2");
}

TEST_F(SaverResources, ManifestIsAnEmptyAssemblyInEnglish) {
    DWORD size = 0;
    const BYTE* manifest = Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), EnglishUs, &size);
    ASSERT_NE(manifest, nullptr);
    std::string text(reinterpret_cast<const char*>(manifest), size);
    EXPECT_NE(text.find("<assembly"), std::string::npos);
    EXPECT_NE(text.find("manifestVersion=\"1.0\""), std::string::npos);
    EXPECT_EQ(text.find("dependency"), std::string::npos);
}

TEST_F(SaverResources, VersionBlockNamesKorvaneAndBrasswick) {
    DWORD size = 0;
    EXPECT_NE(Resource(RT_VERSION, MAKEINTRESOURCEA(1), Japanese, &size), nullptr);
    DWORD ignored = 0;
    DWORD length = GetFileVersionInfoSizeA(SaverPath().c_str(), &ignored);
    ASSERT_GT(length, 0u);
    std::string block(length, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(SaverPath().c_str(), 0, length, &block[0]));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020000u);

    const std::pair<const char*, const char*> values[] = {
        {"ProductName", "Brasswick"}, {"FileDescription", "Brasswick"}, {"CompanyName", "Korvane"}};
    for (const auto& value : values) {
        char* text = nullptr;
        UINT textSize = 0;
        std::string key = std::string("\\StringFileInfo\\041104B0\\") + value.first;
        ASSERT_TRUE(VerQueryValueA(&block[0], key.c_str(), reinterpret_cast<void**>(&text), &textSize)) << key;
        EXPECT_STREQ(text, value.second);
    }
}

}  // namespace
