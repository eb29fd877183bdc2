// The tick program upload: puts on the Micromite, at the chosen CLOCKTRIM, a small BASIC
// program that prints its counter once per timing interval.
#pragma once

#include <string>

// The upload button: interrupts the controller, sets its CLOCKTRIM, replaces its program with
// the tick program, logging every reply but AUTOSAVE's, and closes the link again.
void UploadTickProgram();

// Types one program line (given without its line end) and logs the echo without its last line
// ends.
void SendProgramLine(const std::wstring& line);

// The echo with at most two carriage returns or line feeds, in any mix, taken off its end.
std::wstring WithoutLineEnds(std::wstring reply);
