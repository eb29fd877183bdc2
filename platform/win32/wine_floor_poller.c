/* wine_floor_poller: floor_poller's loop in the program's own terms, for Windows (run under
 * Wine): ClearCommError for the bytes waiting, the performance counter the moment some do,
 * ReadFile. Its stamps against the program's show what the program adds to what Wine's serial
 * layer and counter cost anyway.
 *
 * Usage: wine_floor_poller COMn
 * Prints "frequency <counts per second>" once the port is open, then one line per line received:
 * "<performance counter at its first byte> <text>", the text without its CR LF. Runs until it is
 * ended or the port fails.
 */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: wine_floor_poller COMn\n");
        return 2;
    }
    wchar_t path[64];
    swprintf(path, 64, L"\\\\.\\%ls", argv[1]);
    const HANDLE port =
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "%ls: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    printf("frequency %lld\n", frequency.QuadPart);
    fflush(stdout);
    char line[4096];
    size_t length = 0;
    long long lineStart = 0;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status;
        if (!ClearCommError(port, &errors, &status)) {
            fprintf(stderr, "ClearCommError: error %lu\n", GetLastError());
            return 1;
        }
        if (status.cbInQue == 0)
            continue;
        LARGE_INTEGER stamp;
        QueryPerformanceCounter(&stamp);
        char bytes[4096];
        DWORD count = 0;
        ReadFile(port, bytes, status.cbInQue < sizeof bytes ? status.cbInQue : sizeof bytes, &count,
                 NULL);
        for (DWORD i = 0; i < count; ++i) {
            if (length == 0 && lineStart == 0)
                lineStart = stamp.QuadPart;
            if (bytes[i] == '\n') {
                printf("%lld %.*s\n", lineStart, (int)length, line);
                fflush(stdout);
                length = 0;
                lineStart = 0;
            } else if (bytes[i] != '\r' && length < sizeof line) {
                line[length++] = bytes[i];
            }
        }
    }
}
