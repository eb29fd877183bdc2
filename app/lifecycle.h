// The program's start-up, main loop and shut-down.
#pragma once

// Runs the whole program and gives its exit code.
int RunTockmeter();
