#include "line_flood.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t PieceBytes = 4096;

// Byte n of the flood: every seventh a zero byte, where a C string would end, the others
// printable.
char FloodByte(std::size_t n) {
    return n % 7 == 0 ? '\0' : static_cast<char>('!' + n % 90);
}

} // namespace

void NoteModelRecord(LineFlood& flood, const MicromiteRecord& record) {
    flood.ticksSeen += std::count_if(record.lines.begin(), record.lines.end(),
                                     [](const MicromiteLine& line) { return line.tick; });
    for (const MicromiteReceived& received : record.received)
        flood.receivedSeen += static_cast<std::int64_t>(received.bytes.size());
    const LineFloodOptions& options = flood.options;
    if ((options.afterTicks >= 0 && flood.ticksSeen >= options.afterTicks) ||
        (options.afterReceived >= 0 && flood.receivedSeen >= options.afterReceived))
        flood.started = true;
}

bool FloodPending(const LineFlood& flood) {
    return flood.started && flood.written < flood.options.bytes;
}

std::size_t WriteFlood(LineFlood& flood, int descriptor) {
    if (!FloodPending(flood))
        return 0;
    std::string piece(std::min(PieceBytes, flood.options.bytes - flood.written), '\0');
    for (std::size_t i = 0; i < piece.size(); ++i)
        piece[i] = FloodByte(flood.written + i);
    const ssize_t taken = write(descriptor, piece.data(), piece.size());
    if (taken <= 0)
        return 0;
    flood.written += static_cast<std::size_t>(taken);
    return static_cast<std::size_t>(taken);
}
