// The program's own path on Linux.
#include "platform/program_paths.h"
#include "platform/text_encoding.h"

#include <unistd.h>
#include <vector>

std::wstring ProgramFilePath() {
    // readlink does not say how long the path is: a result that fills the buffer may be cut, so
    // the buffer grows until the path leaves room.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return std::wstring();
        if (static_cast<std::size_t>(length) < buffer.size())
            return WideFromUtf8(std::string(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}
