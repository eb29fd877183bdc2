// The program's start-up, main loop and shut-down.
#pragma once

// Runs the whole program and gives its exit code.
int RunTockmeter();

// The session ends (log-off, shutdown) and the system may end the process without a close:
// saves the settings at once, from wherever the event is raised (it touches nothing a handler
// holds).
void OnSessionEnd();
