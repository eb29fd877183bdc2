// The performance counter, pauses and the local time of day on Windows.
#include <windows.h>

#include <mmsystem.h>

#include "platform/clock.h"

std::int64_t QueryCounter() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

std::int64_t QueryCounterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void PauseMilliseconds(int milliseconds) {
    // Sleep and the message wait are only as fine as the system tick (often 15.6 ms); 1 ms makes
    // the 5 ms loop and the short pauses mean what they say. It stays raised until exit.
    static bool resolutionRaised = false;
    if (!resolutionRaised) {
        timeBeginPeriod(1);
        resolutionRaised = true;
    }
    Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

LocalDateTime ReadLocalDateTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}
