// The measurements file: the session's tick records as comma-separated values, one row per
// record under a header row, for a spreadsheet.
#pragma once

#include "measure/tick_records.h"

#include <string>

// ASCII text with CR LF line ends; numbers with a point as the decimal separator (the C
// runtime's conversion, which the program never moves to another locale); a value that is not
// known is an empty field.
std::string MeasurementsCsv(const TickRecords& records);
