// ParseInteger on any wide text, IntegerText on any 64-bit value, FixedText on any double (every
// bit pattern, so the non-finite and the subnormal too) with any number of decimals.
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_text.h"
#include "sim/sim.h"
#include "text/number_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool AllDigits(const std::wstring& text, std::size_t from, std::size_t to) {
    return from < to && std::all_of(text.begin() + from, text.begin() + to, IsDigit);
}

void ParsesAnyText(const std::wstring& text) {
    const std::int64_t value = ParseInteger(text);
    Require(ParseInteger(text + L"x") == value, "reading stops at the first non-digit");
    // A leading minus negates in the wrapping 64-bit arithmetic, unless a sign or blank is
    // already there (then the minus is followed by no digit).
    if (text.empty() || (text[0] != L'+' && text[0] != L'-' && text[0] != L' ' && text[0] != L'\t'))
        Require(static_cast<std::uint64_t>(ParseInteger(L"-" + text)) ==
                    0 - static_cast<std::uint64_t>(value),
                "a minus negates");
}

void WritesAndReadsBackAnyInteger(std::int64_t value) {
    const std::wstring text = IntegerText(value);
    const std::size_t digitsFrom = value < 0 ? 1 : 0;
    Require(AllDigits(text, digitsFrom, text.size()), "integer text is a sign and digits");
    Require(text[digitsFrom] != L'0' || text == L"0", "integer text has no leading zero");
    Require(ParseInteger(text) == value, "integer text reads back");
}

// Decimals as FixedText uses them: -1 is the short form's ten, others are capped to 0..512.
int DecimalsUsed(int decimals) {
    return decimals == -1 ? 10 : std::clamp(decimals, 0, 512);
}

void WritesAnyDouble(double value, int decimals) {
    const std::wstring text = FixedText(value, decimals);
    if (std::isnan(value)) {
        Require(text == L"NaN", "NaN is written as a word");
        return;
    }
    if (std::isinf(value)) {
        Require(text == (value > 0 ? L"+Infinity" : L"-Infinity"), "infinity is written as a word");
        return;
    }
    const std::size_t point = text.find(L'.');
    const std::size_t digitsFrom = text.empty() || text[0] != L'-' ? 0 : 1;
    const std::size_t integerEnd = std::min(point, text.size());
    Require(AllDigits(text, digitsFrom, integerEnd), "fixed text begins with a sign and digits");
    Require(digitsFrom == 0 || text.find_first_of(L"123456789") != std::wstring::npos,
            "fixed text is never a negative zero");
    const std::size_t decimalCount = point == std::wstring::npos ? 0 : text.size() - point - 1;
    Require(point == std::wstring::npos || AllDigits(text, point + 1, text.size()),
            "a point is followed by digits only");
    if (decimals == -1)
        Require(decimalCount <= 10 && (decimalCount == 0 || text.back() != L'0'),
                "the short form has at most ten decimals and no trailing zero");
    else
        Require(static_cast<int>(decimalCount) == DecimalsUsed(decimals),
                "fixed text has the decimals asked for");

    // The text is the value rounded to the last decimal shown; reading it back may land one
    // step of the double's grid further.
    wchar_t* end = nullptr;
    const double back = std::wcstod(text.c_str(), &end);
    const double magnitude = std::fabs(value);
    const double gridStep = std::nextafter(magnitude, INFINITY) - magnitude;
    const double rounding = 0.5 * std::pow(10.0, -DecimalsUsed(decimals));
    Require(end == text.c_str() + text.size(), "fixed text reads as a whole number");
    Require(std::fabs(back - value) <= rounding * (1 + 1e-9) + gridStep,
            "fixed text is the value rounded to its decimals");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::int64_t integer = input.ConsumeIntegral<std::int64_t>();
    const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
    const int decimals = input.ConsumeIntegral<int>();
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    const std::wstring text = WideFromFuzzBytes(input.ConsumeRemainingBytesAsString());

    SimReset(); // FixedText writes through the simulated C runtime
    ParsesAnyText(text);
    WritesAndReadsBackAnyInteger(integer);
    WritesAnyDouble(value, decimals);
    return 0;
}
