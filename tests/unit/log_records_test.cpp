// The log and the measurements kept as files: the commands of the log's menu, the Save As
// dialog's answers, the safe replace of an existing file, and the measurements file against the
// lines the log shows.
#include "app/lifecycle.h"
#include "calibration/measured_run.h"
#include "measure/measurements_csv.h"
#include "platform/dialogs.h"
#include "platform/text_encoding.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <sstream>

namespace {

// The CLOCKTRIM list runs from 32 down to -32.
int ClockTrimIndex(int value) {
    return 32 - value;
}

DateValue At(int hour, int minute, int second) {
    SimSetLocalDateTime({2026, 12, 10, hour, minute, second});
    return CurrentDateTime();
}

TEST(MeasurementsCsv, OneRowPerRecordWithEmptyFieldsForWhatIsNotKnown) {
    SimReset();
    TickRecord first;
    first.run = 1;
    first.time = At(12, 0, 11);
    TickRecord tick = first;
    tick.tick = 1;
    tick.time = At(12, 0, 21);
    tick.stampMicroseconds = 9997500.4;
    tick.hasInterval = true;
    tick.intervalSeconds = tick.averageSeconds = 9.9975004;
    TickRecord late = tick;
    late.tick = 2;
    late.time = At(12, 0, 33);
    late.stampMicroseconds = 21997520.0;
    late.intervalSeconds = 12.0000196;
    late.averageSeconds = 10.99876;
    late.late = true;
    TickRecord secondRun;
    secondRun.run = 2;
    secondRun.trimKnown = true;
    secondRun.trim = -3;
    secondRun.time = At(23, 59, 59);
    TickRecord rated = secondRun;
    rated.tick = 1;
    rated.time = At(0, 0, 9);
    rated.stampMicroseconds = 10000123.0;
    rated.hasInterval = true;
    rated.intervalSeconds = rated.averageSeconds = 10.000123;
    rated.rateKnown = true;
    rated.ppm = -12.3456;
    rated.boundPpm = 101.5;
    TickRecord unknownTime = rated;
    unknownTime.run = 3;
    unknownTime.trim = 4;
    unknownTime.time = NoDate;
    unknownTime.chip = 2;

    TickRecords records;
    for (const TickRecord& record : {first, tick, late, secondRun, rated, unknownTime})
        KeepTickRecord(records, record);
    EXPECT_EQ(MeasurementsCsv(records),
              "Run,CLOCKTRIM,Tick,Time,Stamp (us),Interval (s),Average (s),Rate fast (ppm),"
              "Bound (ppm),Note,Chip\r\n"
              "1,,0,2026-12-10 12:00:11,0,,,,,,1\r\n"
              "1,,1,2026-12-10 12:00:21,9997500,9.997500,9.997500,,,,1\r\n"
              "1,,2,2026-12-10 12:00:33,21997520,12.000020,10.998760,,,late stamp,1\r\n"
              "2,-3,0,2026-12-10 23:59:59,0,,,,,,1\r\n"
              "2,-3,1,2026-12-10 00:00:09,10000123,10.000123,10.000123,-12.346,101.500,,1\r\n"
              "3,4,1,,10000123,10.000123,10.000123,-12.346,101.500,,2\r\n");
}

TEST(TickRecordsKept, BeyondTheBoundTheOldestGoAndTheOrderStays) {
    TickRecords records;
    for (std::size_t i = 0; i < MostTickRecords + 5; ++i) {
        TickRecord record;
        record.tick = static_cast<int>(i);
        KeepTickRecord(records, record);
    }
    ASSERT_EQ(TickRecordCount(records), MostTickRecords);
    EXPECT_EQ(records.dropped, 5);
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, MostTickRecords - 1})
        EXPECT_EQ(TickRecordAt(records, i).tick, static_cast<int>(i + 5)) << i;
}

// Splits a text at CR LF; the text ends with one.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(text.substr(from, end - from));
    EXPECT_EQ(from, text.size()) << "a last line without CR LF";
    return lines;
}

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::stringstream stream(row);
    for (std::string field; std::getline(stream, field, ',');)
        fields.push_back(field);
    if (!row.empty() && row.back() == ',')
        fields.push_back("");
    return fields;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

using LogRecordsTest = MicromiteRunTest;

TEST_F(LogRecordsTest, TheMeasurementsFileHasARowForEveryLineOfEveryRunAndOutlivesClearLog) {
    // A run at CLOCKTRIM 0 with a late wake in it (the thread held for 2 s just before the third
    // wake), then one at -3.
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleAction(StartAt + 30690 * Milliseconds, [] { SimAdvanceNanoseconds(2 * Seconds); });
    SimSchedulePressButton(StartAt + 65 * Seconds, StopButtonId);
    SimScheduleChooseListItem(80 * Seconds, ClockTrimListId, ClockTrimIndex(-3));
    SimSchedulePressButton(81 * Seconds, UploadButtonId);
    SimSchedulePressButton(90 * Seconds, StartButtonId);
    SimSchedulePressButton(126 * Seconds, StopButtonId);
    std::vector<std::wstring> log;
    SimScheduleAction(129 * Seconds, [&] { log = LogLines(); });
    SimScheduleMenuCommand(130 * Seconds, ClearLogCommandId);
    SimMakeFolder(L"D:\\Records");
    SimAnswerSaveDialogs([](const SaveFileQuestion&) { return L"D:\\Records\\clock.csv"; });
    SimScheduleMenuCommand(131 * Seconds, SaveMeasurementsCommandId);
    SimScheduleClose(132 * Seconds);
    RunTockmeter();

    EXPECT_EQ(LogLines(), std::vector<std::wstring>{L""}) << "Clear Log";
    ASSERT_EQ(SimSaveQuestions().size(), 1u);
    const SaveFileQuestion& question = SimSaveQuestions()[0];
    EXPECT_EQ(question.title, L"Save Measurements As");
    EXPECT_EQ(question.folder, L"C:\\Tockmeter\\");
    EXPECT_EQ(question.proposedName, L"Tockmeter 2026-12-10 12-02.csv");
    EXPECT_EQ(question.extension, L"csv");
    std::string csv;
    ASSERT_TRUE(SimGetFile(L"D:\\Records\\clock.csv", csv));
    const std::vector<std::string> rows = CrLfLines(csv);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "Run,CLOCKTRIM,Tick,Time,Stamp (us),Interval (s),Average (s),"
                       "Rate fast (ppm),Bound (ppm),Note,Chip");

    // Walk the log: each header line starts a run, each tick line is the next row, and a late
    // stamp line after a tick line marks its row.
    static const std::wregex tickLine(
        L"(\\d\\d:\\d\\d:\\d\\d),  (\\d+\\.\\d{6}),  (\\d+\\.\\d{6})");
    std::size_t row = 0;
    int run = 0, tick = 0, lateRows = 0;
    double previousStamp = 0.0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const std::wstring& line = log[i];
        const bool saidLate = i + 1 < log.size() && log[i + 1].rfind(L"Late stamp:", 0) == 0;
        std::wsmatch match;
        if (IsHeaderLine(line)) {
            ++run;
            tick = 0;
            ASSERT_LT(++row, rows.size());
            const std::vector<std::string> fields = Fields(rows[row]);
            ASSERT_EQ(fields.size(), 11u) << rows[row];
            EXPECT_EQ(fields[0], std::to_string(run));
            EXPECT_EQ(fields[1], run == 1 ? "0" : "-3");
            EXPECT_EQ(fields[2], "0");
            EXPECT_EQ(fields[3], "2026-12-10 " + Narrow(line.substr(0, 8)));
            EXPECT_EQ(fields[4], "0");
            EXPECT_EQ(fields[5] + fields[6] + fields[7] + fields[8] + fields[9], "");
            previousStamp = 0.0;
        } else if (std::regex_match(line, match, tickLine)) {
            ASSERT_LT(++row, rows.size());
            const std::vector<std::string> fields = Fields(rows[row]);
            ASSERT_EQ(fields.size(), 11u) << rows[row];
            EXPECT_EQ(fields[0], std::to_string(run));
            EXPECT_EQ(fields[2], std::to_string(++tick));
            EXPECT_EQ(fields[3], "2026-12-10 " + Narrow(match[1]));
            EXPECT_EQ(fields[5], Narrow(match[2])) << rows[row];
            EXPECT_EQ(fields[6], Narrow(match[3])) << rows[row];
            const double stamp = std::stod(fields[4]);
            EXPECT_NEAR((stamp - previousStamp) / 1e6, std::stod(fields[5]), 1.5e-6) << rows[row];
            previousStamp = stamp;
            EXPECT_EQ(fields[9], saidLate ? "late stamp" : "") << rows[row];
            lateRows += saidLate ? 1 : 0;
        }
    }
    EXPECT_EQ(run, 2);
    EXPECT_GE(lateRows, 1);
    EXPECT_EQ(row + 1, rows.size()) << "rows beyond the log's lines";
    // The last row carries the estimate the run ended with, and the log said it.
    const RateEstimate& estimate = SessionRuns().back().estimate;
    ASSERT_TRUE(estimate.known);
    const std::vector<std::string> last = Fields(rows.back());
    EXPECT_NEAR(std::stod(last[7]), estimate.ppm, 5e-4);
    EXPECT_NEAR(std::stod(last[8]), estimate.boundPpm, 5e-4);
}

TEST_F(LogRecordsTest, SavingMeasurementsBeforeAnyRunSaysThereAreNone) {
    SimAnswerSaveDialogs([](const SaveFileQuestion&) { return L"C:\\Tockmeter\\m.csv"; });
    SimScheduleMenuCommand(1 * Seconds, SaveMeasurementsCommandId);
    SimScheduleClose(2 * Seconds);
    RunTockmeter();

    EXPECT_TRUE(SimSaveQuestions().empty());
    EXPECT_FALSE(SimFileExists(L"C:\\Tockmeter\\m.csv"));
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].text.rfind(L"There are no measurements to save yet", 0), 0u);
}

// The log's text as the file holds it: a byte order mark, then each line and CR LF.
std::string LogFileBytes(const std::vector<std::wstring>& lines) {
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::wstring& line : lines)
        bytes += Utf8FromWide(line) + "\r\n";
    return bytes;
}

// Beside the file, files of the user's named as a save's new file once was ("log.txt.new") and,
// in some cases, at the very names the save tries first: whatever the save does, they stay as
// they were and nothing else is left in the folder.
TEST_F(LogRecordsTest, SaveLogWritesTheLogOrSaysWhyAndLeavesTheOldFileAsItWas) {
    const std::wstring folder = L"D:\\Records";
    const std::wstring path = folder + L"\\log.txt";
    const std::string oldBytes = "the previous file";
    const std::string users = "the user's own";
    const std::wstring usersNames[] = {L"log.txt.new", L"new.txt.new"};
    const struct {
        const char* what;
        std::function<void()> fault;
        const wchar_t* answer;
        const wchar_t* reason; // null: saved
        int takenNames;        // names the save tries that hold files of the user's
    } cases[] = {
        {"a new file", [] {}, L"D:\\Records\\new.txt", nullptr, 0},
        {"an existing file", [] {}, L"D:\\Records\\log.txt", nullptr, 0},
        {"the first names taken", [=] { SimTakeNextNewFileNames(2, users); },
         L"D:\\Records\\log.txt", nullptr, 2},
        {"every name taken", [=] { SimTakeNextNewFileNames(4, users); }, L"D:\\Records\\log.txt",
         L"No file can be made in that folder. The file exists.", 4},
        {"a full disk", [] { SimFailWritesFrom(1); }, L"D:\\Records\\log.txt",
         L"Writing the file failed. There is not enough space on the disk.", 0},
        {"a read-only file", [=] { SimSetFileReadOnly(path, true); }, L"D:\\Records\\log.txt",
         L"The file of that name could not be replaced; it is as it was. Access is denied.", 0},
        {"a name taken, then the replace failing",
         [=] {
             SimTakeNextNewFileNames(1, users);
             SimFailReplaces(true);
         },
         L"D:\\Records\\log.txt",
         L"The file of that name could not be replaced; it is as it was. The process cannot access "
         L"the file because it is being used by another process.",
         1},
        {"a folder the user may not add to", [=] { SimSetFolderReadOnly(folder, true); },
         L"D:\\Records\\log.txt", L"No file can be made in that folder. Access is denied.", 0},
        {"a folder that is gone", [] {}, L"E:\\Gone\\log.txt",
         L"No file can be made in that folder. The system cannot find the path specified.", 0},
        {"the dialog cancelled", [] {}, L"", nullptr, 0},
    };
    for (const auto& c : cases) {
        SetUp();
        SimPutFile(path, oldBytes);
        for (const std::wstring& name : usersNames)
            SimPutFile(folder + L"\\" + name, users);
        SimScheduleTypeIntoLog(1 * Seconds, LogViewId, L"Reading 5 \u00B1 0.3 \u00B5s\nand more");
        std::vector<std::wstring> log;
        SimScheduleAction(2 * Seconds, [&] {
            log = LogLines();
            c.fault();
        });
        SimAnswerSaveDialogs([&](const SaveFileQuestion&) { return std::wstring(c.answer); });
        SimScheduleCtrlKey(3 * Seconds, L'S');
        SimScheduleClose(4 * Seconds);
        RunTockmeter();

        ASSERT_EQ(SimSaveQuestions().size(), 1u) << c.what;
        EXPECT_EQ(SimSaveQuestions()[0].title, L"Save Log As") << c.what;
        EXPECT_EQ(SimSaveQuestions()[0].proposedName, L"Tockmeter 2026-12-10 12-00.txt");
        const std::wstring answer = c.answer;
        std::string bytes;
        if (c.reason == nullptr && !answer.empty()) {
            ASSERT_TRUE(SimGetFile(answer, bytes)) << c.what;
            EXPECT_EQ(bytes, LogFileBytes(log)) << c.what;
            EXPECT_TRUE(SimMessageBoxes().empty()) << c.what;
        } else if (c.reason != nullptr) {
            ASSERT_EQ(SimMessageBoxes().size(), 1u) << c.what;
            EXPECT_EQ(SimMessageBoxes()[0].title, L"Tockmeter");
            EXPECT_EQ(SimMessageBoxes()[0].text,
                      L"The log was not saved to\n" + answer + L"\n\n" + c.reason +
                          L"\n\nThe log is still in the window: try another folder or name.")
                << c.what;
        }
        if (answer != path) {
            ASSERT_TRUE(SimGetFile(path, bytes));
            EXPECT_EQ(bytes, oldBytes) << c.what;
        }
        std::map<std::wstring, std::string> files = SimFilesIn(folder);
        files.erase(L"log.txt");
        if (answer == L"D:\\Records\\new.txt") {
            EXPECT_EQ(files.erase(L"new.txt"), 1u) << c.what;
        }
        for (const std::wstring& name : usersNames)
            EXPECT_EQ(files[name], users) << c.what;
        EXPECT_EQ(static_cast<int>(files.size()), 2 + c.takenNames) << c.what << ": files left";
        for (const auto& file : files)
            EXPECT_EQ(file.second, users) << c.what;
        EXPECT_EQ(SimOpenFileCount(), 0) << c.what;
    }
}

TEST_F(LogRecordsTest, TheNextDialogOpensInTheFolderOfTheLastSave) {
    SimMakeFolder(L"D:\\Records");
    SimAnswerSaveDialogs([](const SaveFileQuestion&) { return L"D:\\Records\\log.txt"; });
    SimScheduleMenuCommand(1 * Seconds, SaveLogCommandId);
    SimScheduleCtrlKey(2 * Seconds, L'S');
    SimScheduleClose(3 * Seconds);
    RunTockmeter();

    ASSERT_EQ(SimSaveQuestions().size(), 2u);
    EXPECT_EQ(SimSaveQuestions()[0].folder, L"C:\\Tockmeter\\");
    EXPECT_EQ(SimSaveQuestions()[1].folder, L"D:\\Records\\");
}

TEST_F(LogRecordsTest, CtrlAAndCtrlCSelectAndCopyTheWholeLogAndCopyNeedsASelection) {
    SimScheduleTypeIntoLog(1 * Seconds, LogViewId, L"first\nsecond \u00B1");
    SimScheduleMenuCommand(2 * Seconds, CopyCommandId);
    std::wstring copiedWithoutSelection = L"unset";
    SimScheduleAction(3 * Seconds, [&] { copiedWithoutSelection = SimClipboardText(); });
    SimScheduleCtrlKey(4 * Seconds, L'A');
    SimScheduleCtrlKey(5 * Seconds, L'C');
    SimScheduleClose(6 * Seconds);
    RunTockmeter();

    EXPECT_EQ(copiedWithoutSelection, L"");
    const SimControl* log = SimFindControl(LogViewId);
    EXPECT_EQ(std::min(log->selectionStart, log->selectionEnd), 0);
    EXPECT_EQ(std::max(log->selectionStart, log->selectionEnd), static_cast<int>(log->text.size()));
    std::wstring expected;
    for (const std::wstring& line : LogLines())
        expected += (expected.empty() ? L"" : L"\r\n") + line;
    EXPECT_EQ(SimClipboardText(), expected);
}

} // namespace
