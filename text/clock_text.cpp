#include "text/clock_text.h"

#include "platform/clock.h"

#include <cwctype>

namespace {

constexpr std::int64_t SecondsPerDay = 86400;

struct CalendarFields {
    std::int64_t year;
    int month, day, hour, minute, second;
};

// Days from 1970-01-01 to the given Gregorian date (negative before it).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CalendarFields FieldsOf(DateValue date) {
    if (date == NoDate)
        return {0, 0, 0, 0, 0, 0};
    std::int64_t days = date / SecondsPerDay;
    std::int64_t secondOfDay = date % SecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += SecondsPerDay;
        --days;
    }
    // The inverse of DaysFromCivil, counted in 400-year eras from 0000-03-01.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
    return {year,
            month,
            day,
            static_cast<int>(secondOfDay / 3600),
            static_cast<int>(secondOfDay / 60 % 60),
            static_cast<int>(secondOfDay % 60)};
}

void AppendDigits(std::wstring& out, std::int64_t value, int width) {
    std::wstring digits = std::to_wstring(value);
    if (digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), L'0');
    out += digits;
}

DateValue LatestDateTime = NoDate;

bool StartsWithWord(const std::wstring& mask, std::size_t at, const wchar_t* word) {
    for (std::size_t i = 0; word[i] != L'\0'; ++i) {
        if (at + i >= mask.size() ||
            std::towlower(static_cast<wint_t>(mask[at + i])) != static_cast<wint_t>(word[i]))
            return false;
    }
    return true;
}

} // namespace

DateValue CurrentDateTime() {
    const LocalDateTime now = ReadLocalDateTime();
    const std::int64_t seconds = DaysFromCivil(now.year, now.month, now.day) * SecondsPerDay +
                                 now.hour * 3600 + now.minute * 60 + now.second;
    LatestDateTime =
        seconds >= 0 && seconds <= INT32_MAX ? static_cast<DateValue>(seconds) : NoDate;
    return LatestDateTime;
}

DateValue LatestCurrentDateTime() {
    return LatestDateTime;
}

std::wstring ClockText(const std::wstring& mask, DateValue date) {
    const CalendarFields fields = FieldsOf(date);
    struct Token {
        const wchar_t* word;
        std::int64_t value;
        int width;
    };
    // Tried in this order, so "%yyyy" takes the four-digit year before "%yy" can match.
    const Token tokens[] = {
        {L"yyyy", fields.year, 4}, {L"yy", fields.year % 100, 2}, {L"mm", fields.month, 2},
        {L"dd", fields.day, 2},    {L"hh", fields.hour, 2},       {L"ii", fields.minute, 2},
        {L"ss", fields.second, 2},
    };
    std::wstring text;
    std::size_t i = 0;
    while (i < mask.size()) {
        const Token* matched = nullptr;
        if (mask[i] == L'%') {
            for (const Token& token : tokens) {
                if (StartsWithWord(mask, i + 1, token.word)) {
                    matched = &token;
                    break;
                }
            }
        }
        if (matched) {
            AppendDigits(text, matched->value, matched->width);
            i += 1 + std::char_traits<wchar_t>::length(matched->word);
        } else {
            text += mask[i++];
        }
    }
    return text;
}
