#include "text/number_text.h"

#include "platform/fixed_format.h"

#include <cstring>

namespace {

constexpr int MaxDecimals = 512;
constexpr int ShortFormDecimals = 10;

// Value of the character as a digit of the base, or -1.
int DigitValue(wchar_t character, unsigned base) {
    int digit = -1;
    if (character >= L'0' && character <= L'9')
        digit = character - L'0';
    else if (character >= L'a' && character <= L'f')
        digit = character - L'a' + 10;
    else if (character >= L'A' && character <= L'F')
        digit = character - L'A' + 10;
    return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

std::uint64_t BitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool HasNonZeroDigit(const std::wstring& text) {
    return text.find_first_of(L"123456789") != std::wstring::npos;
}

} // namespace

std::int64_t ParseInteger(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && (text[i] == L'$' || text[i] == L'%')) {
        base = text[i] == L'$' ? 16 : 2;
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0)
            break;
        value = value * base + static_cast<std::uint64_t>(digit);
    }
    if (negative)
        value = ~value + 1;
    return static_cast<std::int64_t>(value); // the 64 bits read as two's complement
}

std::wstring IntegerText(std::int64_t value) {
    // Work on the magnitude as unsigned so that the most negative value has one too.
    std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    wchar_t digits[24];
    std::size_t start = sizeof digits / sizeof digits[0];
    do {
        digits[--start] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--start] = L'-';
    return std::wstring(digits + start, sizeof digits / sizeof digits[0] - start);
}

std::wstring FixedText(double value, int decimals) {
    const std::uint64_t bits = BitsOf(value);
    if (bits == 0x7FF0000000000000ULL)
        return L"+Infinity";
    if (bits == 0xFFF0000000000000ULL)
        return L"-Infinity";
    if (value != value)
        return L"NaN";

    const bool shortForm = decimals == -1;
    if (shortForm)
        decimals = ShortFormDecimals;
    else if (decimals > MaxDecimals)
        decimals = MaxDecimals;
    else if (decimals < 0)
        decimals = 0;
    if (value == 0.0)
        value = 0.0; // a negative zero becomes a positive one

    std::wstring text = FormatFixed(value, decimals);
    // A negative value too small to show any digit would come out as "-0.000": never a "-0".
    if (!text.empty() && text[0] == L'-' && !HasNonZeroDigit(text))
        text.erase(0, 1);

    if (shortForm && !text.empty() && text.back() == L'0' &&
        text.find(L'.') != std::wstring::npos) {
        text.erase(text.find_last_not_of(L'0') + 1);
        if (text.back() == L'.')
            text.pop_back();
    }
    return text;
}
