#include "app/log_commands.h"

#include "app/save_as.h"
#include "calibration/measured_run.h"
#include "measure/measurements_csv.h"
#include "platform/text_encoding.h"
#include "text/number_text.h"
#include "window/log_view.h"
#include "window/main_controls.h"

namespace {

const char* const Utf8ByteOrderMark = "\xEF\xBB\xBF";

const SaveAsKind LogFile{L"Save Log As", L"Text files", L"txt", L"The log was not saved to",
                         L"The log is still in the window: try another folder or name."};
const SaveAsKind MeasurementsFile{L"Save Measurements As", L"CSV files", L"csv",
                                  L"The measurements",
                                  L"The measurements are still kept: try another folder or name."};

} // namespace

void CopyLogCommand() {
    CopyLogSelection();
}

void SelectAllCommand() {
    SelectWholeLog();
}

void ClearLogCommand() {
    ClearLog();
}

void SaveLogCommand() {
    const std::wstring path = AskWhereToSave(LogFile);
    if (!path.empty())
        SaveBytesAt(LogFile, path, Utf8ByteOrderMark + Utf8FromWide(LogTextAsLines()));
}

void SaveMeasurementsCommand() {
    const TickRecords& records = SessionTickRecords();
    if (TickRecordCount(records) == 0) {
        ShowMessage(L"Tockmeter", L"There are no measurements to save yet: they are the tick "
                                  L"lines of this session's timing runs.");
        return;
    }
    const std::wstring path = AskWhereToSave(MeasurementsFile);
    if (path.empty() || !SaveBytesAt(MeasurementsFile, path, MeasurementsCsv(records)))
        return;
    if (records.dropped > 0)
        AppendLogLine(L"The measurements file lacks the oldest " + IntegerText(records.dropped) +
                      L" tick lines: the program keeps the latest " +
                      IntegerText(static_cast<std::int64_t>(MostTickRecords)) + L".");
}
