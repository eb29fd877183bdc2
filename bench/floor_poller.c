/* floor_poller: the least a program can do to stamp the arrival of a serial line's first byte,
 * as the yardstick for the timing run's stamps. It busy-polls the terminal for waiting input,
 * reads the counter the moment some is found (as the program's tick wait does), then reads it.
 *
 * Usage: floor_poller TERMINAL
 * Prints one line per line received: "<CLOCK_MONOTONIC ns of its first byte> <text>", the text
 * without its CR LF. Runs until it is killed or the terminal fails.
 */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

static long long MonotonicNanoseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: floor_poller TERMINAL\n");
        return 2;
    }
    const int terminal = open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (terminal < 0) {
        perror(argv[1]);
        return 1;
    }
    char line[4096];
    size_t length = 0;
    long long lineStart = 0;
    for (;;) {
        int waiting = 0;
        if (ioctl(terminal, FIONREAD, &waiting) != 0) {
            perror("FIONREAD");
            return 1;
        }
        if (waiting == 0)
            continue;
        const long long stamp = MonotonicNanoseconds();
        char bytes[4096];
        const ssize_t count = read(terminal, bytes, sizeof bytes);
        for (ssize_t i = 0; i < count; ++i) {
            if (length == 0 && lineStart == 0)
                lineStart = stamp;
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
