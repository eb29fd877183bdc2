#include "calibration/stray_lines.h"

#include "serial/command_exchange.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"

#include <algorithm>

namespace {

// A run says at most this many different stray texts; a line beyond that is only counted.
constexpr std::size_t MostTextsSaid = 10;
constexpr std::size_t LongestTextShown = 60;

StrayLineNote& Note() {
    return App.StrayLines;
}

} // namespace

void ResetStrayLines() {
    Note() = StrayLineNote{};
}

void NoteStrayLine(const std::string& text) {
    NoteStartUpBanner(DecodeWireText(text.data(), text.size()));
    StrayLineNote& note = Note();
    ++note.count;
    if (note.seen.size() >= MostTextsSaid ||
        std::find(note.seen.begin(), note.seen.end(), text) != note.seen.end())
        return;
    note.seen.push_back(text);
    note.unsaid.push_back(text);
}

void LogStrayLines() {
    StrayLineNote& note = Note();
    for (const std::string& text : note.unsaid)
        AppendLogLine(StrayLineText(text));
    note.said += static_cast<long long>(note.unsaid.size());
    note.unsaid.clear();
}

void LogStrayLineCount() {
    const StrayLineNote& note = Note();
    if (note.count > note.said)
        AppendLogLine(L"Lines in this run that were not tick lines: " + IntegerText(note.count) +
                      L".");
}

std::wstring StrayLineText(const std::string& text) {
    return L"Not a tick line: " + ShownLineText(text);
}

std::wstring ShownLineText(const std::string& text) {
    const bool cut = text.size() > LongestTextShown;
    const std::string shown = cut ? text.substr(0, LongestTextShown) : text;
    return DecodeWireText(shown.data(), shown.size()) + (cut ? L"\u2026" : L"");
}
