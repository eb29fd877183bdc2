// The pseudo-terminal the simulated Micromite is served on, and its link in the file system.
#pragma once

#include <string>

struct PseudoTerminal {
    int master = -1;
    // Held open so that the master never sees a hang-up while the client has the port closed.
    int slave = -1;
    std::string slavePath;
};

// Opens a pseudo-terminal with a raw slave at 38400 baud and a non-blocking master. False, with
// the reason in error, when it cannot.
bool OpenPseudoTerminal(PseudoTerminal& terminal, std::string& error);
void ClosePseudoTerminal(PseudoTerminal& terminal);

// Makes path a symbolic link to target in one step, replacing a link already there but nothing
// else. False, with the reason in error, when it cannot.
bool MakeLink(const std::string& path, const std::string& target, std::string& error);
// Removes the link at path if it still points to target.
void RemoveLink(const std::string& path, const std::string& target);
