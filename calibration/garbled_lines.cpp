#include "calibration/garbled_lines.h"

#include "calibration/stray_lines.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"

void ResetGarbledLines() {
    App.GarbledTickLines = 0;
}

void SetAsideGarbledLine(const std::string& text, const std::wstring& why) {
    if (App.GarbledTickLines++ == 0)
        AppendLogLine(L"Garbled tick line set aside: \"" + ShownLineText(text) + L"\" " + why +
                      L".");
}

void LogGarbledLineCount() {
    if (App.GarbledTickLines > 1)
        AppendLogLine(IntegerText(App.GarbledTickLines) +
                      L" garbled tick lines were set aside in this run.");
}
