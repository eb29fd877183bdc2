// ClockText with any mask and any date value.
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_text.h"
#include "text/clock_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <cwchar>
#include <string>

namespace {

// The calendar fields of the C library's UTC calendar, which counts the same Gregorian seconds
// from 1970 that a date value does.
std::wstring CalendarText(DateValue date) {
    if (date == NoDate)
        return L"0000-00-00 00:00:00 00";
    const std::time_t seconds = date;
    std::tm fields{};
    Require(gmtime_r(&seconds, &fields) != nullptr, "the C library reads every date value");
    wchar_t text[32];
    Require(std::wcsftime(text, 32, L"%Y-%m-%d %H:%M:%S %y", &fields) != 0, "the reference fits");
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const DateValue date = input.ConsumeIntegral<DateValue>();
    const std::wstring mask = WideFromFuzzBytes(input.ConsumeRemainingBytesAsString());

    // Text before the first "%" is copied as it is and changes nothing after it.
    const std::size_t percent = std::min(mask.find(L'%'), mask.size());
    Require(ClockText(mask, date) ==
                mask.substr(0, percent) + ClockText(mask.substr(percent), date),
            "text before the first token is copied as it is");

    Require(ClockText(L"%yyyy-%mm-%dd %hh:%ii:%ss %yy", date) == CalendarText(date),
            "every field is the calendar's");
    return 0;
}
