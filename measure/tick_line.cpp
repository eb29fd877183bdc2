#include "measure/tick_line.h"

namespace {

constexpr int MostCounterDigits = 18; // fits a 64-bit counter

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsPrintableAscii(char c) {
    return c >= ' ' && c <= '~';
}

bool IsAboveAscii(char c) {
    return static_cast<unsigned char>(c) > 0x7F;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void EndLine(TickLineReader& reader) {
    if (reader.text.empty())
        return;
    ReceivedLine line;
    line.text = reader.text;
    std::size_t wordStart = 0;
    line.isTick = ParseTickCounter(line.text, line.counter, wordStart) &&
                  (reader.noiseAt == std::string::npos || reader.noiseAt < wordStart);
    if (line.isTick)
        line.counterFound = reader.found[wordStart > 0 ? wordStart - 1 : 0];
    reader.lines.push_back(line);
    reader.text.clear();
    reader.found.clear();
    reader.noiseAt = std::string::npos;
}

} // namespace

bool ParseTickCounter(const std::string& text, std::int64_t& counter, std::size_t& wordStart) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    std::size_t start = end;
    while (start > 0 && IsDigit(text[start - 1]))
        --start;
    if (start == end || end - start > MostCounterDigits || (start > 0 && text[start - 1] != ' '))
        return false;
    counter = 0;
    for (std::size_t i = start; i < end; ++i)
        counter = counter * 10 + (text[i] - '0');
    wordStart = start;
    return true;
}

void FeedTickLineReader(TickLineReader& reader, const std::string& bytes, InputFound found) {
    for (const char c : bytes) {
        if (IsLineEnd(c)) {
            EndLine(reader);
        } else if (IsPrintableAscii(c)) {
            // A line too long for any of the controller's keeps its newer half.
            if (reader.text.size() == LongestReceivedLine) {
                const std::size_t half = LongestReceivedLine / 2;
                reader.text.erase(0, half);
                reader.found.erase(reader.found.begin(),
                                   reader.found.begin() + static_cast<std::ptrdiff_t>(half));
                if (reader.noiseAt != std::string::npos)
                    reader.noiseAt = reader.noiseAt >= half ? reader.noiseAt - half : 0;
            }
            reader.text += c;
            reader.found.push_back(found);
        } else if (IsAboveAscii(c)) {
            reader.noiseAt = reader.text.size();
        }
    }
}

bool TakeReceivedLine(TickLineReader& reader, ReceivedLine& line) {
    if (reader.lines.empty())
        return false;
    line = reader.lines.front();
    reader.lines.pop_front();
    return true;
}

void ResetTickLineReader(TickLineReader& reader) {
    reader = TickLineReader{};
}
