// OPTION CLOCKTRIM on its own: the firmware applies it at once, so the automatic trim moves the
// controller to its next value without replacing the program it holds.
#pragma once

#include <string>

enum class TrimCommand {
    Took,         // the echo and the prompt came back, with no error
    Refused,      // the firmware answered with an error
    NotConfirmed, // no answer that shows the value was taken (a lost echo, a busy controller)
};

// The command at App.ClockTrim, without its line end.
std::wstring ClockTrimCommand();

// Reads the reply to OPTION CLOCKTRIM at App.ClockTrim, for the upload and for the command
// alone: an error line means the firmware refused the value and kept the one it had, which the
// log then says and App.RefusedClockTrim records; a reply without the command's echo followed by
// the prompt does not show the value taken, which App.UnconfirmedClockTrim records. The runs
// that follow either are credited to no value.
TrimCommand NoteTrimReply(const std::wstring& reply);

// Interrupts the controller's program and sends OPTION CLOCKTRIM at App.ClockTrim, logging the
// replies as the upload does, and closes the link again. App.UploadedClockTrim is the value
// once it took, and empty otherwise.
TrimCommand SendClockTrim();
