// The fixed-point conversion over the POSIX C library (the simulation and Linux). The number
// always takes a point: a program that sets the user's locale (GTK does, at start-up) would
// otherwise get a comma in German, where the Windows runtime, left in its "C" locale, never does.
#include "platform/fixed_format.h"
#include "platform/text_encoding.h"

#include <cstdio>
#include <locale.h>
#include <string>

namespace {

// Made once and kept for the life of the process; 0 when it cannot be made.
locale_t NumbersLocale() {
    static const locale_t numbers = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
    return numbers;
}

std::string FixedText(double value, int decimals) {
    const int needed = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (needed <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(needed) + 1, '\0'); // with room for the zero
    std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
    text.pop_back();
    return text;
}

} // namespace

std::wstring FormatFixed(double value, int decimals) {
    // Without that locale (no memory for it) uselocale changes nothing and the thread's serves.
    const locale_t previous = uselocale(NumbersLocale());
    const std::string text = FixedText(value, decimals);
    uselocale(previous);
    return WideFromAnsi(text.data(), text.size());
}
