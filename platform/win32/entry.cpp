// The Windows entry point: everything else starts in the portable program.
#include <windows.h>

#include "app/lifecycle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunTockmeter();
}
