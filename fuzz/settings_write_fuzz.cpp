// A document written by the settings file writer reads back to the same entries. The input is a
// script of writes, one per line ("\n" ends a line; other bytes go through WideFromFuzzBytes):
//   [name          SelectGroup(name)
//   ;text          WriteComment(text)
//   #key=number    WriteInteger(key, number as ParseInteger reads it, cut to 32 bits)
//   key=value      WriteText(key, value)
// The script is written once in the default format and once in the compact, spaced one.
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_text.h"
#include "settings/settings_file.h"
#include "sim/sim.h"
#include "text/number_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const std::wstring Folder = L"C:\\T";
const std::wstring Path = L"C:\\T\\Tockmeter.inf";
// No text read back holds a line end, so this default shows that a key was not found.
const std::wstring Absent = L"\n";

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// What the writer promises for any text: a line end becomes a blank, and a character that has
// no UTF-8 form (a lone surrogate, beyond U+10FFFF) becomes U+FFFD.
std::wstring Normalized(std::wstring text) {
    for (wchar_t& c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        if (c == L'\r' || c == L'\n')
            c = L' ';
        else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            c = static_cast<wchar_t>(0xFFFD);
    }
    return text;
}

// Names match with only A to Z folded.
std::wstring Folded(std::wstring name) {
    for (wchar_t& c : name)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return name;
}

std::wstring TrimmedBlanks(const std::wstring& text) {
    const auto begin = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto end = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return begin < end ? std::wstring(begin, end) : std::wstring();
}

// The line format cannot hold every name: a key line loses blanks at the key's ends and would be
// read as a comment or a group header if it began with ";" or "["; a header ends at the first
// "]". Such names are left out of the script. (A key never holds "=": the script splits there.)
bool KeyFitsTheFormat(const std::wstring& key) {
    return key == TrimmedBlanks(key) && (key.empty() || (key[0] != L';' && key[0] != L'['));
}

bool GroupFitsTheFormat(const std::wstring& name) {
    return name.find(L']') == std::wstring::npos;
}

struct Expected {
    std::wstring text;
    bool integer = false;
    std::int32_t number = 0;
};

// What the written document must hold, by folded group and key names.
struct Model {
    std::set<std::wstring> groupsWritten{L""}; // the top section is always there
    std::set<std::wstring> groupsSelected;
    std::set<std::wstring> keys; // every key written anywhere, to look for in every group
    std::map<std::pair<std::wstring, std::wstring>, Expected> entries;
    std::wstring current; // "" is the top section
};

std::pair<std::wstring, std::wstring> KeyAndValue(const std::wstring& line) {
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos)
        return {line, std::wstring()};
    return {line.substr(0, equals), line.substr(equals + 1)};
}

void WriteKey(Model& model, const std::wstring& key, const Expected& expected) {
    const std::wstring name = Folded(Normalized(key));
    model.groupsWritten.insert(model.current);
    model.keys.insert(name);
    model.entries[{model.current, name}] = expected;
}

void RunLine(Model& model, const std::wstring& line) {
    if (line.empty())
        return;
    const std::wstring rest = line.substr(1);
    if (line[0] == L'[') {
        if (!GroupFitsTheFormat(Normalized(rest)))
            return;
        SelectGroup(rest);
        model.current = Folded(Normalized(rest));
        model.groupsSelected.insert(model.current);
    } else if (line[0] == L';') {
        WriteComment(rest);
        model.groupsWritten.insert(model.current);
    } else {
        const bool integer = line[0] == L'#';
        const auto [key, value] = KeyAndValue(integer ? rest : line);
        if (!KeyFitsTheFormat(Normalized(key)))
            return;
        Expected expected;
        if (integer) {
            expected.integer = true;
            expected.number = static_cast<std::int32_t>(ParseInteger(value));
            expected.text = IntegerText(expected.number);
            WriteInteger(key, expected.number);
        } else {
            // The reader drops the blanks at a value's ends.
            expected.text = TrimmedBlanks(Normalized(value));
            WriteText(key, value);
        }
        WriteKey(model, key, expected);
    }
}

// Every key ever written, looked for in every group: found with its last value where it was
// written, absent everywhere else.
void RequireReadsBack(const Model& model) {
    for (const std::wstring& group : model.groupsSelected)
        Require(SelectGroup(group) == (model.groupsWritten.count(group) != 0),
                "a group is in the file exactly when something was written into it");
    for (const std::wstring& group : model.groupsWritten) {
        Require(SelectGroup(group), "a group written into reads back");
        for (const std::wstring& key : model.keys) {
            const auto found = model.entries.find({group, key});
            const std::wstring text = ReadText(key, Absent);
            if (found == model.entries.end()) {
                Require(text == Absent, "a key is found only in the group it was written into");
                continue;
            }
            Require(text == found->second.text, "a written text reads back");
            if (found->second.integer)
                Require(ReadInteger(key, 0) == found->second.number,
                        "a written integer reads back");
        }
    }
}

// Lines end only at the input's own "\n" bytes: an LF inside a text comes from another byte.
std::vector<std::wstring> ScriptLines(const std::string& bytes) {
    std::vector<std::wstring> lines;
    std::size_t lineStart = 0;
    while (lineStart <= bytes.size()) {
        const std::size_t lineEnd = std::min(bytes.find('\n', lineStart), bytes.size());
        lines.push_back(
            WideFromFuzzBytes(std::string_view(bytes).substr(lineStart, lineEnd - lineStart)));
        lineStart = lineEnd + 1;
    }
    return lines;
}

void WriteAndReadBack(const std::vector<std::wstring>& script, int formatFlags) {
    SimReset();
    SimMakeFolder(Folder);
    Require(CreateForWriting(Path, formatFlags), "a document can be created");
    Model model;
    for (const std::wstring& line : script)
        RunLine(model, line);
    CloseFile();
    Require(SimOpenFileCount() == 0, "the save closes every file handle");
    Require(OpenForReading(Path, formatFlags), "the saved file opens");
    RequireReadsBack(model);
    CloseFile();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> script =
        ScriptLines(std::string(reinterpret_cast<const char*>(data), size));
    WriteAndReadBack(script, 0);
    WriteAndReadBack(script, CompactSeparator + GroupSpacing);
    return 0;
}
