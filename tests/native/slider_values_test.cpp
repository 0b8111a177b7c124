// Setting texts to slider positions.
#include <gtest/gtest.h>

#include "settings/slider_values.h"

namespace {

struct NumberCase {
    const char* Text;
    int32_t Number;
};

// Beyond 32 bits it stops at the ends instead of wrapping.
TEST(SettingNumber, ReadsTextsAsAtolDoes) {
    const NumberCase cases[] = {
        {"300", 300},     {"  42", 42},   {"\t7", 7},         {"+15", 15},   {"-5", -5},
        {"12abc", 12},    {"abc", 0},     {"", 0},            {"- 5", 0},    {"0x1F", 0},
        {"007", 7},       {"3.9", 3},     {"2147483647", 2147483647},        {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MAX},        {"4294967596", INT32_MAX},         {"-2147483649", INT32_MIN},
        {"99999999999999999999999999", INT32_MAX},  {"-99999999999999999999999999", INT32_MIN},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(SettingNumber(c.Text), c.Number) << "'" << c.Text << "'";
}

struct StartCase {
    const char* Text;
    int Freq;
    int Threshold;
};

TEST(SliderStartPositions, KeepEachSliderInsideItsRange) {
    const StartCase cases[] = {
        {"300", 300, 127},  {"20", 55, 20},       {"55", 55, 55},          {"54", 55, 54},
        {"5000", 3000, 127}, {"3000", 3000, 127}, {"3001", 3000, 127},     {"abc", 55, 0},
        {"", 55, 0},        {"-5", 55, 0},        {"127", 127, 127},       {"128", 128, 127},
        {"0", 55, 0},       {"99999999999999999999", 3000, 127},           {"-99999999999999999999", 55, 0},
        {"4294967396", 3000, 127},
    };
    for (const StartCase& c : cases) {
        EXPECT_EQ(FreqStartPosition(c.Text), c.Freq) << "'" << c.Text << "'";
        EXPECT_EQ(ThresholdStartPosition(c.Text), c.Threshold) << "'" << c.Text << "'";
    }
}

}  // namespace
