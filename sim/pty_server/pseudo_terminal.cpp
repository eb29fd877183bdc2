#include "pseudo_terminal.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool OpenPseudoTerminal(PseudoTerminal& terminal, std::string& error) {
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (terminal.master < 0) {
        error = Failure("posix_openpt");
        return false;
    }
    char path[PATH_MAX];
    if (grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0 ||
        ptsname_r(terminal.master, path, sizeof path) != 0) {
        error = Failure("preparing the pseudo-terminal");
        ClosePseudoTerminal(terminal);
        return false;
    }
    terminal.slavePath = path;
    terminal.slave = open(path, O_RDWR | O_NOCTTY);
    termios settings{};
    if (terminal.slave < 0 || tcgetattr(terminal.slave, &settings) != 0) {
        error = Failure(path);
        ClosePseudoTerminal(terminal);
        return false;
    }
    // A serial line carries bytes as they are: no echo, no line editing, no translation.
    cfmakeraw(&settings);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    if (tcsetattr(terminal.slave, TCSANOW, &settings) != 0) {
        error = Failure("setting the line");
        ClosePseudoTerminal(terminal);
        return false;
    }
    return true;
}

void ClosePseudoTerminal(PseudoTerminal& terminal) {
    if (terminal.slave >= 0)
        close(terminal.slave);
    if (terminal.master >= 0)
        close(terminal.master);
    terminal.slave = terminal.master = -1;
}

bool MakeLink(const std::string& path, const std::string& target, std::string& error) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = path + " exists and is not a symbolic link";
        return false;
    }
    // A new link renamed over the old one: a client never finds the name missing.
    const std::string fresh = path + ".new";
    unlink(fresh.c_str());
    if (symlink(target.c_str(), fresh.c_str()) != 0 || rename(fresh.c_str(), path.c_str()) != 0) {
        error = Failure(path.c_str());
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

void RemoveLink(const std::string& path, const std::string& target) {
    char pointed[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), pointed, sizeof pointed - 1);
    if (length >= 0 && std::string(pointed, static_cast<std::size_t>(length)) == target)
        unlink(path.c_str());
}
