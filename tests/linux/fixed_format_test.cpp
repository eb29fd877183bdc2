// The fixed-point conversion writes a point whatever the program's locale: the GTK program
// takes the user's locale at start-up.
#include "platform/fixed_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

const struct {
    double value;
    int decimals;
    const wchar_t* text;
} Cases[] = {
    {1234.5, 2, L"1234.50"}, {-0.25, 1, L"-0.2"}, // halfway: the C library rounds to even
    {0.0, 0, L"0"},          {99.96, 1, L"100.0"}, {1e20, 1, L"100000000000000000000.0"},
};

void ExpectPointedTexts() {
    for (const auto& c : Cases)
        EXPECT_EQ(FormatFixed(c.value, c.decimals), c.text) << c.value;
    const std::wstring long_ = FormatFixed(1.0, 512);
    EXPECT_EQ(long_.size(), 514u);
    EXPECT_EQ(long_.substr(0, 3), L"1.0");
}

// Sets a locale that writes a decimal comma for the test's length; none when none is installed.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "nl_NL.UTF-8", "nl_NL.utf8"}) {
            if (std::setlocale(LC_ALL, name) && WritesAComma()) {
                name_ = name;
                return;
            }
        }
        std::setlocale(LC_ALL, "C");
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    const std::string& name() const { return name_; }

private:
    static bool WritesAComma() {
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        return std::string(text) == "1,5";
    }
    std::string name_;
};

TEST(FixedFormat, WritesAPointInTheCLocale) {
    ExpectPointedTexts();
}

TEST(FixedFormat, WritesAPointUnderALocaleWithADecimalComma) {
    CommaLocale locale;
    if (locale.name().empty())
        GTEST_SKIP() << "no locale with a decimal comma is installed (de_DE.UTF-8 and others)";
    SCOPED_TRACE(locale.name());
    ExpectPointedTexts();
}

} // namespace
