// What a run has seen of the lines that were not tick lines: each text once, and how many there
// were. Kept in AppState; calibration/stray_lines.cpp fills it and logs it.
#pragma once

#include <string>
#include <vector>

struct StrayLineNote {
    std::vector<std::string> seen;   // distinct texts of this run, in the order they came
    std::vector<std::string> unsaid; // texts seen for the first time and not yet logged
    long long count = 0;             // every stray line of this run
    long long said = 0;              // of those, the ones the log shows
};
