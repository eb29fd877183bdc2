#include "settings/settings_file.h"

#include "files/safe_save.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "text/utf8_text.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace {

enum class EntryKind { Group, Comment, Key };

// Texts are the file's UTF-8 bytes, kept as they were read; they are decoded only when handed
// back to a caller, so damaged bytes cost nothing but themselves.
struct Entry {
    EntryKind kind;
    std::string key;  // key entries only
    std::string text; // the group's name, the comment's text or the key's value
};

constexpr std::size_t NoEntry = static_cast<std::size_t>(-1);
const char* const ByteOrderMark = "\xEF\xBB\xBF";
// Far beyond any settings file (the program's own is some 250 bytes, a 10 MB line still reads);
// a larger file reads as no file rather than taking the memory for it.
constexpr std::int64_t LargestFile = std::int64_t{16} << 20;

struct Document {
    bool held = false;    // false: no document at all (none begun, or creation failed)
    bool created = false; // begun with CreateForWriting; only such a document is ever saved
    FileHandle file = 0;  // a read document's file
    SafeSave save;        // a created document's save under way
    int formatFlags = 0;
    std::vector<Entry> entries;
    std::size_t currentGroup = NoEntry; // index of a group header; NoEntry is the top section
    std::size_t insertionPoint = NoEntry;
    bool groupPending = false;
    std::string pendingGroup;
    bool modified = false;
};

Document Doc;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Only A to Z fold: other letters would need tables of their own, and ASCII is what people type.
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// A caller's text as entry bytes. A line break would split the entry on the next reading, so
// each one becomes a blank; lookups do the same, so a key is found again as it was written.
std::string EntryBytes(const std::wstring& text) {
    std::string bytes = Utf8FromWide(text);
    std::replace_if(bytes.begin(), bytes.end(), IsLineEnd, ' ');
    return bytes;
}

std::string TrimBlanksAtEnd(std::string text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    text.resize(end);
    return text;
}

// ---- Reading -----------------------------------------------------------------------------------

FileHandle OpenToRead(const std::wstring& path) {
    // Keep others from writing while the document is held; settle for less when the file is
    // read-only or someone else already has it open for writing.
    FileHandle file = OpenExistingFile(path, FileAccess::ReadWrite, FileShare::Read);
    if (file == 0)
        file = OpenExistingFile(path, FileAccess::Read, FileShare::Read);
    if (file == 0)
        file = OpenExistingFile(path, FileAccess::Read, FileShare::ReadWrite);
    return file;
}

std::string ReadWholeFile(FileHandle file, std::int64_t size) {
    std::string bytes;
    if (size <= 0)
        return bytes;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::size_t part = ReadFromFile(file, &bytes[got], bytes.size() - got);
        if (part == 0)
            break;
        got += part;
    }
    bytes.resize(got);
    return bytes;
}

// Each Latin-1 byte is its own code point; from 80 up that takes two UTF-8 bytes.
std::string Utf8FromLatin1(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

std::string Utf8OfFile(const std::string& bytes) {
    if (bytes.compare(0, 3, ByteOrderMark) == 0)
        return bytes.substr(3);
    return Utf8FromLatin1(bytes);
}

// One line, [begin, end) of text, without its line end; a line of blanks gives no entry.
void AddLine(const std::string& text, std::size_t begin, std::size_t end) {
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    if (begin == end)
        return;
    // Within the line only: a search through the rest of the file on every line would make a
    // large file of lines without the character take quadratic time.
    const auto find = [&](char wanted, std::size_t from) {
        const auto last = text.begin() + static_cast<std::ptrdiff_t>(end);
        return static_cast<std::size_t>(
            std::find(text.begin() + static_cast<std::ptrdiff_t>(from), last, wanted) -
            text.begin());
    };
    Entry entry;
    if (text[begin] == ';') {
        ++begin;
        if (begin < end && text[begin] == ' ')
            ++begin;
        entry = Entry{EntryKind::Comment, std::string(), text.substr(begin, end - begin)};
    } else if (text[begin] == '[') {
        ++begin;
        entry =
            Entry{EntryKind::Group, std::string(), text.substr(begin, find(']', begin) - begin)};
    } else {
        const std::size_t equals = find('=', begin);
        std::size_t valueBegin = equals < end ? equals + 1 : end;
        while (valueBegin < end && IsBlank(text[valueBegin]))
            ++valueBegin;
        entry = Entry{EntryKind::Key, TrimBlanksAtEnd(text.substr(begin, equals - begin)),
                      text.substr(valueBegin, end - valueBegin)};
    }
    Doc.entries.push_back(std::move(entry));
}

// Any run of CR and LF ends a line; the empty lines between them give no entries.
void ParseText(const std::string& text) {
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsLineEnd(text[i])) {
            AddLine(text, lineStart, i);
            lineStart = i + 1;
        }
    }
}

// ---- Finding -----------------------------------------------------------------------------------

std::size_t SectionStart() {
    return Doc.currentGroup == NoEntry ? 0 : Doc.currentGroup + 1;
}

// Index of the next group header after the current section's start, or the end of the list.
std::size_t SectionEnd() {
    std::size_t i = SectionStart();
    while (i < Doc.entries.size() && Doc.entries[i].kind != EntryKind::Group)
        ++i;
    return i;
}

// The first matching key of the current section. A pending group has no keys yet.
std::size_t FindKey(const std::string& key) {
    if (!Doc.held || Doc.groupPending)
        return NoEntry;
    const std::size_t end = SectionEnd();
    for (std::size_t i = SectionStart(); i < end; ++i)
        if (Doc.entries[i].kind == EntryKind::Key && SameName(Doc.entries[i].key, key))
            return i;
    return NoEntry;
}

bool IsWhiteSpace(char c) {
    return IsBlank(c) || c == '\v' || c == '\f';
}

// Decimal digits after an optional sign, up to the first non-digit; out-of-range values stop at
// the nearest 32-bit bound. No digits give 0.
std::int32_t IntegerOfValue(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && IsWhiteSpace(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Growth stops at 2^31, the largest magnitude either bound needs, so no digit string can
    // overflow.
    const std::int64_t limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        magnitude = std::min(magnitude * 10 + (value[i] - '0'), limit);
    if (negative)
        return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(std::min(magnitude, limit - 1));
}

// ---- Writing -----------------------------------------------------------------------------------

// False without a document. A pending group gets its header at the end of the list first.
bool PrepareWrite() {
    if (!Doc.held)
        return false;
    if (Doc.groupPending) {
        Doc.entries.push_back(Entry{EntryKind::Group, std::string(), Doc.pendingGroup});
        Doc.currentGroup = Doc.entries.size() - 1;
        Doc.insertionPoint = Doc.currentGroup;
        Doc.groupPending = false;
        Doc.pendingGroup.clear();
        Doc.modified = true;
    }
    return true;
}

void InsertEntry(std::size_t at, Entry entry) {
    Doc.entries.insert(Doc.entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    if (Doc.currentGroup != NoEntry && Doc.currentGroup >= at)
        ++Doc.currentGroup;
    Doc.insertionPoint = at;
    Doc.modified = true;
}

std::string WrittenForm() {
    const char* const separator = (Doc.formatFlags & CompactSeparator) != 0 ? "=" : " = ";
    const bool groupSpacing = (Doc.formatFlags & GroupSpacing) != 0;
    std::string text = ByteOrderMark;
    text += "\r\n";
    bool firstGroup = true;
    for (const Entry& entry : Doc.entries) {
        switch (entry.kind) {
        case EntryKind::Group:
            if (groupSpacing && !firstGroup)
                text += "\r\n";
            firstGroup = false;
            text += '[';
            text += entry.text;
            text += ']';
            break;
        case EntryKind::Comment:
            text += "; ";
            text += entry.text;
            break;
        case EntryKind::Key:
            text += entry.key;
            text += separator;
            text += entry.text;
            break;
        }
        text += "\r\n";
    }
    return text;
}

// The text is written out whole only now, and only a document that was written to; a new
// document with no writes saves an empty file.
void SaveCreatedDocument() {
    FinishSafeSave(Doc.save, Doc.modified ? WrittenForm() : std::string());
}

} // namespace

bool OpenForReading(const std::wstring& path, int formatFlags) {
    CloseFile();
    Doc.held = true;
    Doc.formatFlags = formatFlags;
    Doc.file = OpenToRead(path);
    const std::int64_t size = Doc.file == 0 ? 0 : FileSize(Doc.file);
    if (size > LargestFile) {
        CloseFileHandle(Doc.file);
        Doc.file = 0;
    }
    if (Doc.file == 0)
        return false;
    ParseText(Utf8OfFile(ReadWholeFile(Doc.file, size)));
    return true;
}

bool CreateForWriting(const std::wstring& path, int formatFlags) {
    CloseFile();
    SafeSave save;
    if (!BeginSafeSave(path, true, save))
        return false;
    Doc.held = true;
    Doc.created = true;
    Doc.save = save;
    Doc.formatFlags = formatFlags;
    return true;
}

bool SelectGroup(const std::wstring& name) {
    if (!Doc.held)
        return false;
    if (name.empty()) {
        Doc.currentGroup = NoEntry;
        Doc.insertionPoint = NoEntry;
        Doc.groupPending = false;
        Doc.pendingGroup.clear();
        return true;
    }
    const std::string wanted = EntryBytes(name);
    for (std::size_t i = 0; i < Doc.entries.size(); ++i) {
        if (Doc.entries[i].kind == EntryKind::Group && SameName(Doc.entries[i].text, wanted)) {
            Doc.currentGroup = i;
            Doc.insertionPoint = i;
            Doc.groupPending = false;
            Doc.pendingGroup.clear();
            return true;
        }
    }
    Doc.groupPending = true;
    Doc.pendingGroup = wanted;
    return false;
}

std::int32_t ReadInteger(const std::wstring& key, std::int32_t defaultValue) {
    const std::size_t found = FindKey(EntryBytes(key));
    return found == NoEntry ? defaultValue : IntegerOfValue(Doc.entries[found].text);
}

std::wstring ReadText(const std::wstring& key, const std::wstring& defaultValue) {
    const std::size_t found = FindKey(EntryBytes(key));
    return found == NoEntry ? defaultValue
                            : TextFromUtf8Lossy(TrimBlanksAtEnd(Doc.entries[found].text));
}

bool WriteComment(const std::wstring& text) {
    if (!PrepareWrite())
        return false;
    const std::size_t at = Doc.insertionPoint == NoEntry ? 0 : Doc.insertionPoint + 1;
    InsertEntry(at, Entry{EntryKind::Comment, std::string(), EntryBytes(text)});
    return true;
}

void WriteInteger(const std::wstring& key, std::int32_t value) {
    WriteText(key, std::to_wstring(value));
}

void WriteText(const std::wstring& key, const std::wstring& text) {
    if (!PrepareWrite())
        return;
    const std::string keyBytes = EntryBytes(key);
    const std::size_t found = FindKey(keyBytes);
    if (found == NoEntry) {
        // After the section's last entry, comments included; for the top section that is just
        // before the first group header.
        InsertEntry(SectionEnd(), Entry{EntryKind::Key, keyBytes, EntryBytes(text)});
        return;
    }
    Entry& entry = Doc.entries[found];
    entry.key = keyBytes;
    entry.text = EntryBytes(text);
    Doc.insertionPoint = found;
    Doc.modified = true;
}

void CloseFile() {
    if (Doc.held && Doc.created)
        SaveCreatedDocument();
    else
        CloseFileHandle(Doc.file);
    Doc = Document();
}
