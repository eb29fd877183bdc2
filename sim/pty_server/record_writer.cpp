#include "record_writer.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127 && c != '\\')
            escaped += c;
        else
            escaped += "\\x" + Hex(std::string(1, c));
    }
    return escaped;
}

} // namespace

bool OpenRecord(RecordWriter& writer, const std::string& path, std::string& error) {
    writer.file = std::fopen(path.c_str(), "w");
    if (writer.file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void CloseRecord(RecordWriter& writer) {
    if (writer.file != nullptr)
        std::fclose(writer.file);
    writer.file = nullptr;
}

void WriteRecordStart(RecordWriter& writer, std::int64_t atNanoseconds,
                      const MicromiteOptions& options, const std::string& terminalPath) {
    if (writer.file == nullptr)
        return;
    std::fprintf(writer.file,
                 "start %" PRId64
                 " error-ppm %.17g trim-step-ppm %.17g trim %d baud %d terminal %s\n",
                 atNanoseconds, options.baseErrorPpm, options.trimStepPpm, options.startTrim,
                 options.baud, terminalPath.c_str());
    std::fflush(writer.file);
}

void WriteModelRecord(RecordWriter& writer, MicromiteRecord& record) {
    if (writer.file != nullptr) {
        for (const MicromiteReceived& received : record.received)
            std::fprintf(writer.file, "rx %" PRId64 " %s\n", received.atNanoseconds,
                         Hex(received.bytes).c_str());
        for (const MicromiteLine& line : record.lines)
            std::fprintf(writer.file, "%s %" PRId64 " %s\n",
                         line.lost   ? "lost"
                         : line.tick ? "tick"
                                     : "line",
                         line.atNanoseconds, Escaped(line.text).c_str());
        if (!record.received.empty() || !record.lines.empty())
            std::fflush(writer.file);
    }
    record.received.clear();
    record.lines.clear();
}

void WriteRecordSent(RecordWriter& writer, std::int64_t dueNanoseconds,
                     std::int64_t writtenNanoseconds, const std::string& bytes) {
    if (writer.file == nullptr)
        return;
    std::fprintf(writer.file, "tx %" PRId64 " %" PRId64 " %s\n", dueNanoseconds, writtenNanoseconds,
                 Hex(bytes).c_str());
    std::fflush(writer.file);
}

void WriteRecordDropped(RecordWriter& writer, std::int64_t atNanoseconds, std::size_t count) {
    if (writer.file == nullptr)
        return;
    std::fprintf(writer.file, "dropped %" PRId64 " %zu\n", atNanoseconds, count);
    std::fflush(writer.file);
}

void WriteRecordFlood(RecordWriter& writer, std::int64_t atNanoseconds, std::size_t count) {
    if (writer.file == nullptr)
        return;
    std::fprintf(writer.file, "flood %" PRId64 " %zu\n", atNanoseconds, count);
    std::fflush(writer.file);
}

void WriteRecordStop(RecordWriter& writer, std::int64_t atNanoseconds, const std::string& reason) {
    if (writer.file == nullptr)
        return;
    std::fprintf(writer.file, "stop %" PRId64 " %s\n", atNanoseconds, reason.c_str());
    std::fflush(writer.file);
}
