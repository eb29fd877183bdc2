#include "measure/measurements_csv.h"

#include "platform/text_encoding.h"
#include "text/number_text.h"

namespace {

const char* const HeaderRow = "Run,CLOCKTRIM,Tick,Time,Stamp (us),Interval (s),Average (s),"
                              "Rate fast (ppm),Bound (ppm),Note,Chip\r\n";
const std::wstring TimeMask = L"%yyyy-%mm-%dd %hh:%ii:%ss";

std::wstring Row(const TickRecord& record) {
    std::wstring row = IntegerText(record.run) + L",";
    if (record.trimKnown)
        row += IntegerText(record.trim);
    row += L"," + IntegerText(record.tick) + L",";
    if (record.time != NoDate)
        row += ClockText(TimeMask, record.time);
    row += L"," + FixedText(record.stampMicroseconds, 0) + L",";
    if (record.hasInterval)
        row += FixedText(record.intervalSeconds, 6) + L"," + FixedText(record.averageSeconds, 6);
    else
        row += L",";
    row += L",";
    if (record.rateKnown)
        row += FixedText(record.ppm, 3) + L"," + FixedText(record.boundPpm, 3);
    else
        row += L",";
    row += L",";
    if (record.late)
        row += L"late stamp";
    return row + L"," + IntegerText(record.chip) + L"\r\n";
}

} // namespace

std::string MeasurementsCsv(const TickRecords& records) {
    std::string text = HeaderRow;
    const std::size_t count = TickRecordCount(records);
    for (std::size_t i = 0; i < count; ++i)
        text += Utf8FromWide(Row(TickRecordAt(records, i)));
    return text;
}
