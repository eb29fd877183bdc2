#include "settings/settings_file.h"

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "sim/sim.h"
#include "text/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

namespace {

const std::wstring Folder = L"C:\\T";
const std::wstring Path = L"C:\\T\\Tockmeter.inf";
const std::wstring Name = L"Tockmeter.inf";
// A file of the user's named as the save's new file once was.
const std::wstring OldNewFileName = L"Tockmeter.inf.new";
const std::string Mark = "\xEF\xBB\xBF";
const wchar_t* const Missing = L"<missing>";

using Files = std::map<std::wstring, std::string>;

// Every file in the settings' folder, with its bytes: a save leaves nothing else behind.
Files FolderFiles() {
    return SimFilesIn(Folder);
}

std::string FileAt(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(SimGetFile(path, bytes));
    return bytes;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { SimReset(); }
    // The document is process-wide; none may leak into the next test.
    void TearDown() override { CloseFile(); }

    static void OpenFileHolding(const std::string& bytes) {
        SimPutFile(Path, bytes);
        ASSERT_TRUE(OpenForReading(Path, 0));
    }
};

// ---- Reading -----------------------------------------------------------------------------------

TEST_F(SettingsFileTest, ReadsTextsByTheLineRules) {
    const struct {
        const char* what;
        std::string bytes;
        const wchar_t* group;
        const wchar_t* key;
        const wchar_t* expected; // Missing: the default
    } cases[] = {
        {"blanks around =", "[G]\r\nk = 5\r\n", L"G", L"k", L"5"},
        {"blanks before key, after value", "[G]\r\n \t k\t=\t 5 \t\r\n", L"G", L"k", L"5"},
        {"blanks inside key kept", "[G]\r\nMax port no = 9\r\n", L"G", L"Max port no", L"9"},
        {"blanks inside key must match", "[G]\r\nMax port no = 9\r\n", L"G", L"Maxportno", Missing},
        {"key letter case", "[G]\r\nMainX=1\r\n", L"G", L"mainx", L"1"},
        {"group letter case", "[Windows]\r\nk=1\r\n", L"WINDOWS", L"k", L"1"},
        {"only A-Z fold", Mark + "\xC3\x89=1\r\n", L"", L"\u00e9", Missing},
        {"non-ASCII key exact", Mark + "\xC3\x89=1\r\n", L"", L"\u00c9", L"1"},
        {"header blanks belong to name", "[ G ]\r\nk=1\r\n", L"G", L"k", Missing},
        {"header blanks matched exactly", "[ G ]\r\nk=1\r\n", L" G ", L"k", L"1"},
        {"caller's name not trimmed", "[G]\r\nk=1\r\n", L"G ", L"k", Missing},
        {"first of two keys", "[G]\r\nk=1\r\nk=2\r\n", L"G", L"k", L"1"},
        {"only first of two groups", "[G]\r\na=1\r\n[H]\r\n[G]\r\nb=2\r\n", L"G", L"b", Missing},
        {"section ends at next header", "[G]\r\na=1\r\n[H]\r\nb=2\r\n", L"G", L"b", Missing},
        {"top section", "t=1\r\n[G]\r\nk=2\r\n", L"", L"t", L"1"},
        {"top section ends at header", "t=1\r\n[G]\r\nk=2\r\n", L"", L"k", Missing},
        {"key without =", "[G]\r\nk\r\nn=2\r\n", L"G", L"k", L""},
        {"key without =, blanks", "[G]\r\nk \t\r\n", L"G", L"k", L""},
        {"line after key without =", "[G]\nk\nn=2\n", L"G", L"n", L"2"},
        {"empty value", "[G]\r\nk=\r\n", L"G", L"k", L""},
        {"value of blanks", "[G]\r\nk= \t \r\n", L"G", L"k", L""},
        {"value holds further =", "[G]\r\nk = a=b = c\r\n", L"G", L"k", L"a=b = c"},
        {"no comment behind value", "[G]\r\nk=1 ; x\r\n", L"G", L"k", L"1 ; x"},
        {"header without ]", "[G x\r\nk=1\r\n", L"G x", L"k", L"1"},
        {"text after ] ignored", "[G] ; note\r\nk=1\r\n", L"G", L"k", L"1"},
        {"indented header", " \t[G]\r\nk=1\r\n", L"G", L"k", L"1"},
        {"comment is no key", "[G]\r\n;k=1\r\n  ; k=2\r\n", L"G", L"k", Missing},
        {"comments passed over", "[G]\r\n;k=1\r\nk=2\r\n", L"G", L"k", L"2"},
        {"LF line ends", "[G]\nk=1\n", L"G", L"k", L"1"},
        {"CR line ends", "[G]\rk=1\r", L"G", L"k", L"1"},
        {"runs of line ends, blank lines", "\r\n\n[G]\n\r\n \t \r\r\nk=1", L"G", L"k", L"1"},
        {"empty file", "", L"", L"k", Missing},
        {"mark alone", Mark, L"", L"k", Missing},
        {"Latin-1 byte", "k=\xE9\r\n", L"", L"k", L"\u00e9"},
        {"UTF-8 after mark", Mark + "k=\xC3\xA9\r\n", L"", L"k", L"\u00e9"},
        {"UTF-8 bytes without mark", "k=\xC3\xA9", L"", L"k", L"\u00c3\u00a9"},
        {"one-byte file is Latin-1", "\xE9", L"", L"\u00e9", L""},
        {"two-byte file is Latin-1", "\xEF\xBB", L"", L"\u00ef\u00bb", L""},
        {"broken mark read from first byte",
         "\xEF\xBB"
         "k=1",
         L"", L"\u00ef\u00bbk", L"1"},
        {"bad UTF-8: a byte each",
         Mark + "k=a\xFF"
                "b\xC0\xAF"
                "c\xE2\x82"
                "d\xED\xA0\x80"
                "e\xF0\x9F\x98\x80\r\nn=2",
         L"", L"k", L"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe\U0001F600"},
        {"bad UTF-8: next line intact", Mark + "k=\xFF\r\nn=2", L"", L"n", L"2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFileHolding(c.bytes);
        SelectGroup(c.group);
        EXPECT_EQ(ReadText(c.key, Missing), c.expected);
        CloseFile();
    }
}

TEST_F(SettingsFileTest, ReadsIntegersAsDecimalAndSaturates) {
    const struct {
        const char* value;
        std::int32_t expected;
    } cases[] = {
        {"12abc", 12},
        {"-5", -5},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"1 2", 1},
        {"42  ", 42},
        {"$10", 0},
        {"0000000000000000000000000000042", 42},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999999999999999999999", INT32_MAX},
        {"-99999999999999999999999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        OpenFileHolding(std::string("[G]\r\nk = ") + c.value + "\r\n");
        SelectGroup(L"G");
        EXPECT_EQ(ReadInteger(L"k", 99), c.expected);
        EXPECT_EQ(ReadInteger(L"other", 99), 99);
        CloseFile();
    }
}

TEST_F(SettingsFileTest, SelectGroupSetsTheSectionThatReadsSee) {
    OpenFileHolding("t=0\r\n[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
    EXPECT_EQ(ReadText(L"t", Missing), L"0"); // the top section to begin with
    EXPECT_TRUE(SelectGroup(L"b"));
    EXPECT_EQ(ReadInteger(L"k", 9), 2);
    // A missing group is pending: B stays current, but no key is found in the meantime.
    EXPECT_FALSE(SelectGroup(L"C"));
    EXPECT_EQ(ReadInteger(L"k", 9), 9);
    EXPECT_TRUE(SelectGroup(L""));
    EXPECT_EQ(ReadText(L"t", Missing), L"0");
    EXPECT_EQ(ReadText(L"k", Missing), Missing);
}

TEST_F(SettingsFileTest, ReadsALineOfTenMegabytes) {
    const std::string value(10 * 1024 * 1024, 'x');
    OpenFileHolding("k=" + value + "\r\nn=2\r\n");
    EXPECT_EQ(ReadText(L"k", Missing), std::wstring(value.begin(), value.end()));
    EXPECT_EQ(ReadInteger(L"n", 0), 2);
}

// 16 MiB is read, a byte more reads as no file. The file is a million lines without "=" or "]":
// a reader that searched the rest of the file for them on every line would take many minutes.
TEST_F(SettingsFileTest, ReadsAFileUpTo16MegabytesAndNoneBeyond) {
    const std::string head = "[G]\r\n";
    const std::string tail = "k=1\r\n";
    const std::size_t limit = std::size_t{16} << 20;
    const struct {
        std::size_t size;
        bool read;
    } cases[] = {{limit, true}, {limit + 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        SimReset();
        std::string bytes = head;
        const std::string filler = std::string(15, 'x') + "\n";
        while (bytes.size() + filler.size() + tail.size() <= c.size)
            bytes += filler;
        const std::size_t rest = c.size - bytes.size() - tail.size();
        if (rest > 0)
            bytes += std::string(rest - 1, 'x') + "\n";
        bytes += tail;
        ASSERT_EQ(bytes.size(), c.size);
        SimPutFile(Path, bytes);
        EXPECT_EQ(OpenForReading(Path, 0), c.read);
        EXPECT_EQ(SelectGroup(L"G"), c.read);
        EXPECT_EQ(ReadInteger(L"k", 0), c.read ? 1 : 0);
        CloseFile();
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

TEST_F(SettingsFileTest, OpensFilesThatOthersHoldOrThatAreReadOnly) {
    const struct {
        const char* what;
        FileAccess access; // how another opener holds the file, if at all
        FileShare share;
        bool readOnly;
    } cases[] = {
        {"read-only file", FileAccess::Read, FileShare::None, true},
        {"another reader", FileAccess::Read, FileShare::Read, false},
        {"another writer", FileAccess::ReadWrite, FileShare::ReadWrite, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        SimPutFile(Path, "k=1\r\n");
        SimSetFileReadOnly(Path, c.readOnly);
        const FileHandle other = c.readOnly ? 0 : OpenExistingFile(Path, c.access, c.share);
        EXPECT_TRUE(OpenForReading(Path, 0));
        EXPECT_EQ(ReadInteger(L"k", 0), 1);
        CloseFile();
        CloseFileHandle(other);
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

TEST_F(SettingsFileTest, MissingFileGivesDefaults) {
    SimMakeFolder(Folder);
    EXPECT_FALSE(OpenForReading(Path, 0));
    EXPECT_FALSE(SelectGroup(L"G"));
    EXPECT_EQ(ReadInteger(L"k", 7), 7);
    EXPECT_EQ(ReadText(L"k", L"d"), L"d");
    CloseFile();
    EXPECT_FALSE(SimFileExists(Path));
    EXPECT_EQ(SimOpenFileCount(), 0);
}

// Writes into a read document change it in memory only; its file is never touched.
TEST_F(SettingsFileTest, ReadDocumentTakesWritesButIsNeverWrittenBack) {
    const std::string original = "[G]\r\nk=1\r\nk=2\r\n";
    OpenFileHolding(original);
    SelectGroup(L"G");
    WriteText(L"K", L"3"); // replaces the first of the two
    EXPECT_EQ(ReadText(L"k", Missing), L"3");
    WriteInteger(L"n", 4);
    EXPECT_EQ(ReadInteger(L"n", 0), 4);
    EXPECT_TRUE(WriteComment(L"c"));
    CloseFile();
    EXPECT_EQ(FolderFiles(), (Files{{Name, original}}));
    EXPECT_EQ(SimOpenFileCount(), 0);
}

// ---- Writing -----------------------------------------------------------------------------------

// The same writes in every combination of the format flags; the old file is replaced, and a
// file of the user's named as the save's new file once was stays as it was.
TEST_F(SettingsFileTest, WritesTheWrittenFormByteForByte) {
    const struct {
        int flags;
        std::string expected;
    } cases[] = {
        {0, Mark + "\r\nTop = 1\r\n[Windows]\r\n; Main Window\r\nMainX = -5\r\n"
                   "[micromite]\r\nuM comport = COM3\r\n"},
        {CompactSeparator, Mark + "\r\nTop=1\r\n[Windows]\r\n; Main Window\r\nMainX=-5\r\n"
                                  "[micromite]\r\nuM comport=COM3\r\n"},
        {GroupSpacing, Mark + "\r\nTop = 1\r\n[Windows]\r\n; Main Window\r\nMainX = -5\r\n"
                              "\r\n[micromite]\r\nuM comport = COM3\r\n"},
        {CompactSeparator + GroupSpacing,
         Mark + "\r\nTop=1\r\n[Windows]\r\n; Main Window\r\nMainX=-5\r\n"
                "\r\n[micromite]\r\nuM comport=COM3\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        SimPutFile(Path, "old");
        SimPutFile(Folder + L"\\" + OldNewFileName, "the user's");
        ASSERT_TRUE(CreateForWriting(Path, c.flags));
        WriteText(L"Top", L"1");
        EXPECT_FALSE(SelectGroup(L"Windows"));
        EXPECT_TRUE(WriteComment(L"Main Window"));
        WriteInteger(L"MainX", -5);
        SelectGroup(L"micromite");
        WriteText(L"uM comport", L"COM3");
        EXPECT_EQ(FileAt(Path), "old"); // nothing reaches it before CloseFile
        CloseFile();
        EXPECT_EQ(FolderFiles(), (Files{{Name, c.expected}, {OldNewFileName, "the user's"}}));
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

TEST_F(SettingsFileTest, WritesLandInTheirSection) {
    SimMakeFolder(Folder);
    ASSERT_TRUE(CreateForWriting(Path, CompactSeparator + GroupSpacing));
    SelectGroup(L"A");
    WriteText(L"a1", L"1");
    SelectGroup(L"B");
    WriteText(L"b1", L"1");
    SelectGroup(L"A");
    WriteText(L"a2", L"2");    // after the section's last entry, before [B]
    WriteComment(L"after a2"); // after the entry just written
    SelectGroup(L"");
    WriteText(L"top", L"t");  // the list begins with a header: at its start
    WriteText(L"top2", L"u"); // before the first header
    SelectGroup(L"");
    WriteComment(L"first"); // no insertion point: at the start
    SelectGroup(L"a");
    WriteInteger(L"A1", 9); // in place, in the key's new letter case
    WriteComment(L"after A1");
    SelectGroup(L"B");
    WriteComment(L"under B"); // right after the header
    WriteText(L"b2", L"2");   // after the last entry, the comment passed
    SelectGroup(L"C");
    WriteText(L"c1", L"3"); // a missing group is appended at the end
    CloseFile();
    EXPECT_EQ(FileAt(Path), Mark + "\r\n; first\r\ntop=t\r\ntop2=u\r\n"
                                   "[A]\r\nA1=9\r\n; after A1\r\na2=2\r\n; after a2\r\n"
                                   "\r\n[B]\r\n; under B\r\nb1=1\r\nb2=2\r\n"
                                   "\r\n[C]\r\nc1=3\r\n");
}

TEST_F(SettingsFileTest, FirstGroupOfTheFileGetsNoSpacingLine) {
    SimMakeFolder(Folder);
    ASSERT_TRUE(CreateForWriting(Path, GroupSpacing));
    SelectGroup(L"G");
    WriteComment(L"x");
    CloseFile();
    EXPECT_EQ(FileAt(Path), Mark + "\r\n[G]\r\n; x\r\n");
}

TEST_F(SettingsFileTest, LineBreaksInWrittenTextsBecomeBlanks) {
    SimMakeFolder(Folder);
    ASSERT_TRUE(CreateForWriting(Path, CompactSeparator));
    SelectGroup(L"G\r\nH");
    WriteComment(L"a\rb");
    WriteText(L"k\n1", L"v\r\nw");
    EXPECT_EQ(ReadText(L"k\n1", Missing), L"v  w");
    EXPECT_TRUE(SelectGroup(L"G\r\nH")); // found again, not appended twice
    CloseFile();
    EXPECT_EQ(FileAt(Path), Mark + "\r\n[G  H]\r\n; a b\r\nk 1=v  w\r\n");
}

TEST_F(SettingsFileTest, CreatedAndClosedWithoutWritesLeavesAnEmptyFile) {
    SimPutFile(Path, "old");
    ASSERT_TRUE(CreateForWriting(Path, GroupSpacing));
    SelectGroup(L"G"); // pending only: nothing stored
    CloseFile();
    EXPECT_EQ(FolderFiles(), (Files{{Name, ""}}));
}

TEST_F(SettingsFileTest, WrittenFileReadsBackTheSame) {
    const struct {
        const wchar_t* group;
        const wchar_t* key;
        const wchar_t* value;
    } settings[] = {
        {L"", L"Top", L"first"},
        {L"Windows", L"MainX", L"-120"},
        {L"Windows", L"Title", L"Gr\u00fc\u00dfe \u2603 \U0001F600"},
        {L"micromite", L"Max port no", L"12"},
        {L"micromite", L"Expression", L"a=b = c ; d"},
        {L"micromite", L"Empty", L""},
        {L"\u00c9t\u00e9", L"\u00e9", L"x"},
    };
    SimMakeFolder(Folder);
    for (int flags : {0, CompactSeparator + GroupSpacing}) {
        SCOPED_TRACE(flags);
        ASSERT_TRUE(CreateForWriting(Path, flags));
        for (const auto& s : settings) {
            SelectGroup(s.group);
            WriteComment(L"about ");
            WriteText(s.key, s.value);
        }
        CloseFile();
        ASSERT_TRUE(OpenForReading(Path, flags));
        for (const auto& s : settings) {
            EXPECT_TRUE(SelectGroup(s.group));
            EXPECT_EQ(ReadText(s.key, Missing), s.value) << "key " << s.key;
        }
        CloseFile();
    }
}

// Opening another document first closes the current one, saving it when it was created.
TEST_F(SettingsFileTest, OpeningSavesTheCreatedDocumentFirst) {
    SimMakeFolder(Folder);
    ASSERT_TRUE(CreateForWriting(Path, 0));
    SelectGroup(L"G");
    WriteInteger(L"k", 3);
    ASSERT_TRUE(OpenForReading(Path, 0));
    EXPECT_TRUE(SelectGroup(L"G"));
    EXPECT_EQ(ReadInteger(L"k", 0), 3);
}

// ---- Failed saves ------------------------------------------------------------------------------

// In a folder where no file can be made, a file that may be written is written in place (a longer
// and a shorter text than before); a read-only one, or none, is left as it was.
TEST_F(SettingsFileTest, ReadOnlyFolderWritesAWritableFileInPlaceAndCreatesNothing) {
    const std::string previous = "[G]\r\nk=1\r\n; a long comment that the save leaves out\r\n";
    const struct {
        const char* what;
        bool exists, readOnly;
        const wchar_t* value;
    } cases[] = {
        {"writable file, longer text", true, false, L"a value longer than the whole file was"},
        {"writable file, shorter text", true, false, L"2"},
        {"read-only file", true, true, L"2"},
        {"no file", false, false, L"2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        SimMakeFolder(Folder);
        if (c.exists)
            SimPutFile(Path, previous);
        SimSetFileReadOnly(Path, c.readOnly);
        SimSetFolderReadOnly(Folder, true);
        const bool writable = c.exists && !c.readOnly;
        EXPECT_EQ(CreateForWriting(Path, CompactSeparator), writable);
        SelectGroup(L"G");
        WriteText(L"k", c.value);
        EXPECT_EQ(ReadText(L"k", Missing), writable ? c.value : Missing);
        CloseFile();
        const std::string saved = Mark + "\r\n[G]\r\nk=" + Utf8FromWide(c.value) + "\r\n";
        const Files expected = c.exists ? Files{{Name, writable ? saved : previous}} : Files{};
        EXPECT_EQ(FolderFiles(), expected);
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

// Someone who holds the file for a moment makes the replace fail: it is tried again, six times
// in all, 100 ms apart; after that the previous file stays.
TEST_F(SettingsFileTest, TheReplaceIsTriedAgainWhileTheFileIsHeldForAMoment) {
    const std::string previous = Mark + "\r\n[G]\r\nk = 1\r\n";
    const struct {
        int failing;
        bool saved;
    } cases[] = {{0, true}, {1, true}, {5, true}, {6, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        SimReset();
        SimPutFile(Path, previous);
        SimFailNextReplaces(c.failing);
        ASSERT_TRUE(CreateForWriting(Path, 0));
        SelectGroup(L"G");
        WriteInteger(L"k", 2);
        const std::int64_t before = SimNowNanoseconds();
        CloseFile();
        EXPECT_EQ(SimReplaceCount(), std::min(c.failing + 1, 6));
        EXPECT_EQ(SimNowNanoseconds() - before, std::min(c.failing, 5) * 100 * 1000000LL);
        const std::string saved = Mark + "\r\n[G]\r\nk = 2\r\n";
        EXPECT_EQ(FolderFiles(), (Files{{Name, c.saved ? saved : previous}}));
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

TEST_F(SettingsFileTest, FailedSaveLeavesThePreviousFileAsItWas) {
    const struct {
        const char* what;
        void (*injectFault)();
    } cases[] = {
        {"read-only target", [] { SimSetFileReadOnly(Path, true); }},
        {"failing write", [] { SimFailWritesFrom(1); }},
        {"failing replace", [] { SimFailReplaces(true); }},
    };
    const std::string previous = Mark + "\r\n[G]\r\nk = 1\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        SimPutFile(Path, previous);
        c.injectFault();
        ASSERT_TRUE(CreateForWriting(Path, 0));
        SelectGroup(L"G");
        WriteInteger(L"k", 2);
        CloseFile();
        EXPECT_EQ(FolderFiles(), (Files{{Name, previous}}));
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

// ---- Files beside the settings -----------------------------------------------------------------

// The save's new file is always one it made: files of the user's at the names it tries (and one
// named as the new file once was) are never opened, emptied or deleted, whether the save is done
// in one replace, fails, or finds every name taken and writes the file in place.
TEST_F(SettingsFileTest, FilesAtTheNamesASaveTriesStayAsTheyWere) {
    const std::string previous = Mark + "\r\nk=1\r\n";
    const std::string saved = Mark + "\r\nk=2\r\n";
    const std::string users = "the user's own";
    const struct {
        const char* what;
        int takenNames;
        bool replaceFails;
        bool saved;
        int replaces;
    } cases[] = {
        {"no name taken", 0, false, true, 1},
        {"the first name taken", 1, false, true, 1},
        {"all names but the last taken", 3, false, true, 1},
        {"a name taken, then the replace failing", 1, true, false, 6},
        {"every name taken: written in place", 4, false, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        SimPutFile(Path, previous);
        SimPutFile(Folder + L"\\" + OldNewFileName, users);
        SimTakeNextNewFileNames(c.takenNames, users);
        SimFailReplaces(c.replaceFails);
        ASSERT_TRUE(CreateForWriting(Path, CompactSeparator));
        WriteInteger(L"k", 2);
        CloseFile();

        EXPECT_EQ(SimReplaceCount(), c.replaces);
        Files files = FolderFiles();
        EXPECT_EQ(files[Name], c.saved ? saved : previous);
        EXPECT_EQ(files[OldNewFileName], users);
        files.erase(Name);
        files.erase(OldNewFileName);
        EXPECT_EQ(static_cast<int>(files.size()), c.takenNames) << "files made or deleted";
        for (const auto& file : files)
            EXPECT_EQ(file.second, users) << "a taken name was written";
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

// ---- Lossy UTF-8 -------------------------------------------------------------------------------

TEST(TextFromUtf8Lossy, KeepsWellFormedSequencesAndReplacesEachBadByte) {
    const struct {
        const char* what;
        std::string bytes;
        std::wstring expected;
    } cases[] = {
        {"empty", "", L""},
        {"ASCII", "abc", L"abc"},
        {"2, 3 and 4 bytes", "\xC3\xA9\xE2\x98\x83\xF0\x9F\x98\x80", L"\u00e9\u2603\U0001F600"},
        {"lowest and highest of each length", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
         L"\u0080\u07ff\u0800\uffff"},
        {"edges of the surrogates and the top", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF",
         L"\ud7ff\ue000\U0010FFFF"},
        {"stray continuation",
         "a\x80"
         "b",
         L"a\uFFFDb"},
        {"overlong 2 bytes", "\xC0\xAF\xC1\xBF", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"overlong 3 bytes", "\xE0\x9F\xBF", L"\uFFFD\uFFFD\uFFFD"},
        {"overlong 4 bytes", "\xF0\x8F\xBF\xBF", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"no such lead", "\xF5\xFE\xFF", L"\uFFFD\uFFFD\uFFFD"},
        {"cut off by ASCII",
         "\xE2\x98"
         "x",
         L"\uFFFD\uFFFDx"},
        {"cut off by a lead", "\xF0\x9F\xC3\xA9", L"\uFFFD\uFFFD\u00e9"},
        {"cut off at the end", "x\xF0\x9F\x98", L"x\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextFromUtf8Lossy(c.bytes), c.expected) << c.what;
}

} // namespace
