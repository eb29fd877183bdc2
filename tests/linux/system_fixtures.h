// Helpers for the tests of the Linux system half: a temporary folder, an environment variable
// set for one test, and a pseudo-terminal whose far end the test holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

// A fresh folder under the system's temporary folder, removed with all it holds at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or, given null, unsets) an environment variable until the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    bool wasSet_;
    std::string previous_;
};

// A pseudo-terminal: the test holds the master end; the slave's path stands for a serial device.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int master() const { return master_; }
    const std::string& devicePath() const { return devicePath_; }
    // Writes the bytes to the device's input, waiting while its queue is full (for a generous
    // limit: bytes the device never takes are not sent).
    void Send(const std::string& bytes) const;
    // Reads exactly count bytes of the device's output, waiting up to a generous limit for each;
    // fewer only when they never come.
    std::string Receive(std::size_t count) const;
    // The far end goes away, as an unplugged adapter does.
    void CloseMaster();

private:
    int master_ = -1;
    std::string devicePath_;
};

// Whether the process may do what the user cannot: root passes every permission check.
inline bool RunsAsRoot() {
    return geteuid() == 0;
}

// Run as root (as in CI), a test of what the user may not do runs itself again, alone, as the
// unprivileged user "nobody" in a child process (a copy of this test program in a scratch folder
// that user can reach, with that folder's own temporary folder), and fails with the child's output
// when the child fails. It skips only when the machine has no such user or will not switch to it.
void RunThisTestAsAnUnprivilegedUser();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
