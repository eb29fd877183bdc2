#include "text/number_text.h"

#include "sim/sim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(ParseInteger, ReadsBlanksSignBasesAndStopsAtTheFirstNonDigit) {
    const struct {
        const wchar_t* text;
        std::int64_t expected;
    } cases[] = {
        {L"  -12abc", -12},
        {L"\t\t42", 42},
        {L"\n42", 0}, // only spaces and tabs count as blanks
        {L"+7", 7},
        {L"- 7", 0},
        {L"", 0},
        {L"$ff", 255},
        {L"$FF", 255},
        {L"-$10", -16},
        {L"%101", 5},
        {L"%2", 0},
        {L"12.9", 12},
        {L"0x1F", 0},
        {L"+-5", 0},
        {L"9223372036854775807", INT64_MAX},
        {L"9223372036854775808", INT64_MIN},
        {L"-9223372036854775808", INT64_MIN},
        {L"18446744073709551617", 1},
        {L"$FFFFFFFFFFFFFFFF", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInteger(c.text), c.expected) << "text: " << c.text;
}

TEST(ParseInteger, AbsentTextGivesZero) {
    EXPECT_EQ(ParseInteger(std::wstring_view()), 0);
}

TEST(IntegerText, WritesTheWhole64BitRange) {
    const struct {
        std::int64_t value;
        const wchar_t* expected;
    } cases[] = {
        {0, L"0"},
        {7, L"7"},
        {-31, L"-31"},
        {1000, L"1000"},
        {-2147483648LL, L"-2147483648"},
        {INT64_MAX, L"9223372036854775807"},
        {INT64_MIN, L"-9223372036854775808"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IntegerText(c.value), c.expected);
}

TEST(IntegerText, ReadsBackThroughParseInteger) {
    for (std::int64_t value :
         {INT64_MIN, INT64_MIN + 1, std::int64_t{-1}, std::int64_t{0}, INT64_MAX})
        EXPECT_EQ(ParseInteger(IntegerText(value)), value);
}

class FixedTextTest : public ::testing::Test {
protected:
    void SetUp() override { SimReset(); }
};

TEST_F(FixedTextTest, WritesFixedDecimals) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int decimals;
        const wchar_t* expected;
    } cases[] = {
        {123.4567891, 6, L"123.456789"},
        {10.0, 6, L"10.000000"},
        {-0.0, 6, L"0.000000"},
        {-1.5, 6, L"-1.500000"},
        {-0.0000001, 6, L"0.000000"}, // rounds to zero: still no "-0"
        {2.5, -1, L"2.5"},
        {3.0, -1, L"3"},
        {-0.0, -1, L"0"},
        {100.0, -1, L"100"},
        {0.1234567891234, -1, L"0.1234567891"},
        {1.0, -5, L"1"},
        {1.0, 0, L"1"},
        {infinity, 6, L"+Infinity"},
        {-infinity, -1, L"-Infinity"},
        {std::nan(""), 6, L"NaN"},
        {-std::nan(""), 0, L"NaN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FixedText(c.value, c.decimals), c.expected)
            << "value " << c.value << " decimals " << c.decimals;
}

TEST_F(FixedTextTest, CapsDecimalsAt512) {
    const std::wstring text = FixedText(1.0, 1000);
    EXPECT_EQ(text, L"1." + std::wstring(512, L'0'));
    EXPECT_EQ(FixedText(1.0, 513), text);
}

TEST_F(FixedTextTest, WritesTheLargestDoubleWithoutExponent) {
    const std::wstring text = FixedText(std::numeric_limits<double>::max(), 512);
    EXPECT_EQ(text.find(L'e'), std::wstring::npos);
    EXPECT_EQ(text.size(), 309u + 1u + 512u);
}

} // namespace
