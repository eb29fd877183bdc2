// The local wall clock as a date value, and a date value as text through a mask of %-tokens.
#pragma once

#include <cstdint>
#include <string>

// Seconds from 1970-01-01 00:00:00 to a date and time, both on the local wall clock, counted
// by Gregorian days with no time-zone arithmetic. -1 means no valid date.
using DateValue = std::int32_t;
constexpr DateValue NoDate = -1;

// The local wall clock now, to the second; NoDate outside 1970-01-01 00:00:00 to
// 2038-01-19 03:14:07.
DateValue CurrentDateTime();

// What the latest CurrentDateTime call gave (NoDate before the first), so that a record kept
// beside a log line carries the very time that line shows.
DateValue LatestCurrentDateTime();

// Copies the mask with each token replaced by a field of the date: %yyyy, %yy, %mm (month),
// %dd, %hh, %ii (minute), %ss, in either letter case. A "%" that starts no token stays as it is.
// NoDate gives zero in every field.
std::wstring ClockText(const std::wstring& mask, DateValue date);
