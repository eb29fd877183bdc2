// Files on Linux, in a temporary folder.
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::wstring Wide(const std::string& path) {
    return WideFromUtf8(path);
}

bool Exists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

std::wstring SystemWords(int error) {
    return Wide(std::strerror(error)) + L".";
}

class FilesTest : public ::testing::Test {
protected:
    TempFolder folder;
};

// A new file is made only where nothing is: what is there, a link above all (also one that leads
// nowhere), is neither opened nor followed, and stays as it was.
TEST_F(FilesTest, CreatingMakesOnlyANewFile) {
    const struct {
        const char* what;
        const char* existing; // the bytes of a file at the name
        bool heldByAnother;   // another writer has that file (another Tockmeter saving)
        bool isFolder;
        const char* linkTo; // the name is a link to this, in the folder
        const char* name;
        int error; // why it failed; 0: created
    } cases[] = {
        {"nothing there", nullptr, false, false, nullptr, "a.inf", 0},
        {"a file", "old bytes", false, false, nullptr, "a.inf", EEXIST},
        {"a file held by another writer", "theirs", true, false, nullptr, "a.inf", EEXIST},
        {"a folder", nullptr, false, true, nullptr, "a.inf", EEXIST},
        {"a link to a file of the user's", nullptr, false, false, "mine.txt", "a.inf", EEXIST},
        {"a link that leads nowhere", nullptr, false, false, "none.txt", "a.inf", EEXIST},
        {"folder missing", nullptr, false, false, nullptr, "missing/a.inf", ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder / c.name;
        WriteFileBytes(folder / "mine.txt", "the user's own");
        if (c.existing)
            WriteFileBytes(path, c.existing);
        if (c.isFolder)
            mkdir(path.c_str(), 0700);
        if (c.linkTo) {
            ASSERT_EQ(symlink(c.linkTo, path.c_str()), 0);
        }
        const FileHandle other =
            c.heldByAnother ? OpenExistingFile(Wide(path), FileAccess::ReadWrite, FileShare::Read)
                            : 0;
        ASSERT_EQ(other != 0, c.heldByAnother);

        bool nameTaken = !c.error; // the opposite of the answer, so that it must be set
        const FileHandle file = CreateNewFile(Wide(path), nameTaken);
        EXPECT_EQ(file != 0, c.error == 0);
        EXPECT_EQ(nameTaken, c.error == EEXIST);
        if (file != 0) {
            EXPECT_EQ(FileSize(file), 0);
            EXPECT_EQ(ReadFileBytes(path), "");
            // Held as a writer that lets others only read holds it.
            EXPECT_EQ(OpenExistingFile(Wide(path), FileAccess::Read, FileShare::Read), 0);
        } else {
            EXPECT_EQ(LastFileErrorText(), SystemWords(c.error));
        }
        if (c.existing) {
            EXPECT_EQ(ReadFileBytes(path), c.existing) << "a refused create emptied it";
        }
        if (c.linkTo) {
            char led[64] = "";
            EXPECT_GT(readlink(path.c_str(), led, sizeof led - 1), 0);
            EXPECT_STREQ(led, c.linkTo) << "the link was replaced";
        }
        EXPECT_EQ(ReadFileBytes(folder / "mine.txt"), "the user's own");
        EXPECT_FALSE(Exists(folder / "none.txt")) << "a link was followed";
        CloseFileHandle(file);
        CloseFileHandle(other);
        rmdir(path.c_str());
        unlink(path.c_str());
    }
}

TEST_F(FilesTest, ReplacingPutsTheNewFileInPlaceOrLeavesBothAsTheyWere) {
    const struct {
        const char* what;
        const char* source; // bytes of the new file, if there is one
        const char* target; // bytes of the file it replaces, if there is one
        bool targetHeld;    // another Tockmeter reads it
        bool replaced;
    } cases[] = {
        {"first save", "new", nullptr, false, true},
        {"existing file", "new", "old", false, true},
        {"no new file", nullptr, "old", false, false},
        {"held by a reader", "new", "old", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = folder / "a.inf.new";
        const std::string target = folder / "a.inf";
        if (c.source)
            WriteFileBytes(source, c.source);
        if (c.target)
            WriteFileBytes(target, c.target);
        const FileHandle reader =
            c.targetHeld ? OpenExistingFile(Wide(target), FileAccess::Read, FileShare::Read) : 0;
        ASSERT_EQ(reader != 0, c.targetHeld);

        EXPECT_EQ(ReplaceFileWith(Wide(source), Wide(target)), c.replaced);
        if (c.replaced) {
            EXPECT_EQ(ReadFileBytes(target), c.source);
            EXPECT_FALSE(Exists(source));
        } else {
            EXPECT_FALSE(LastFileErrorText().empty());
            EXPECT_EQ(Exists(source), c.source != nullptr);
            EXPECT_EQ(ReadFileBytes(target), c.target ? c.target : "");
        }
        CloseFileHandle(reader);
        unlink(source.c_str());
        unlink(target.c_str());
    }
}

TEST_F(FilesTest, AReplacedFileKeepsItsPermissions) {
    const std::string target = folder / "a.inf";
    WriteFileBytes(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const std::string source = folder / "a.inf.new";
    bool nameTaken = false;
    const FileHandle file = CreateNewFile(Wide(source), nameTaken);
    ASSERT_NE(file, 0);
    ASSERT_TRUE(WriteToFile(file, "new", 3));
    ASSERT_TRUE(FlushFileToDisk(file));
    CloseFileHandle(file);
    ASSERT_EQ(chmod(source.c_str(), 0606), 0); // unlike the target's, whatever the umask

    ASSERT_TRUE(ReplaceFileWith(Wide(source), Wide(target)));
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ModeOf(target), 0640u);
}

// Root may write any file, so these refusals cannot be shown when the tests run as root (as in
// CI).
TEST_F(FilesTest, WhatTheUserMayNotWriteIsRefused) {
    if (RunsAsRoot())
        GTEST_SKIP() << "runs as root, which may write any file";
    const std::string locked = folder / "locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0700), 0);
    WriteFileBytes(locked + "/a.inf", "old");
    ASSERT_EQ(chmod(locked.c_str(), 0500), 0);
    const std::string readOnly = folder / "read-only.inf";
    WriteFileBytes(readOnly, "kept");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    WriteFileBytes(folder / "a.new", "new");

    bool nameTaken = true;
    EXPECT_EQ(CreateNewFile(Wide(locked + "/b.inf"), nameTaken), 0);
    EXPECT_EQ(LastFileErrorText(), SystemWords(EACCES));
    EXPECT_FALSE(nameTaken);
    EXPECT_EQ(CreateNewFile(Wide(readOnly), nameTaken), 0);
    EXPECT_EQ(OpenExistingFile(Wide(readOnly), FileAccess::ReadWrite, FileShare::Read), 0);
    const FileHandle reader = OpenExistingFile(Wide(readOnly), FileAccess::Read, FileShare::Read);
    EXPECT_NE(reader, 0);
    CloseFileHandle(reader);

    // A read-only file is not replaced, though its folder would allow the rename.
    EXPECT_FALSE(ReplaceFileWith(Wide(folder / "a.new"), Wide(readOnly)));
    EXPECT_EQ(LastFileErrorText(), SystemWords(EACCES));
    EXPECT_EQ(ReadFileBytes(readOnly), "kept");
    EXPECT_EQ(ReadFileBytes(folder / "a.new"), "new");
    chmod(locked.c_str(), 0700);
}

// Another Tockmeter's hold keeps this one out as Windows' sharing modes would, so far as two
// kinds of lock can say it.
TEST_F(FilesTest, OpenersThatWouldShareAFileOnWindowsShareIt) {
    const FileAccess R = FileAccess::Read, RW = FileAccess::ReadWrite;
    const struct {
        FileAccess heldAccess;
        FileShare heldShare;
        FileAccess access;
        FileShare share;
        bool opens;
    } cases[] = {
        // The settings reader's three tries beside a writer that lets others only read.
        {RW, FileShare::Read, RW, FileShare::Read, false},
        {RW, FileShare::Read, R, FileShare::Read, false},
        {RW, FileShare::Read, R, FileShare::ReadWrite, true},
        // Beside a reader that lets others only read.
        {R, FileShare::Read, R, FileShare::Read, true},
        {R, FileShare::Read, RW, FileShare::Read, false},
        {R, FileShare::Read, R, FileShare::ReadWrite, true},
        // Beside one that lets no one in.
        {R, FileShare::None, R, FileShare::Read, false},
    };
    const std::string path = folder / "a.inf";
    WriteFileBytes(path, "k=1");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "held " << int(c.heldAccess) << "/" << int(c.heldShare)
                                        << ", opened " << int(c.access) << "/" << int(c.share));
        const FileHandle held = OpenExistingFile(Wide(path), c.heldAccess, c.heldShare);
        ASSERT_NE(held, 0);
        const FileHandle file = OpenExistingFile(Wide(path), c.access, c.share);
        EXPECT_EQ(file != 0, c.opens);
        CloseFileHandle(file);
        CloseFileHandle(held);
    }
}

TEST_F(FilesTest, WritesReadsAndEndsWhereTheFileIs) {
    const std::string path = folder / "Zähler ✓.txt"; // the name goes to the system as UTF-8
    bool nameTaken = false;
    const FileHandle file = CreateNewFile(Wide(path), nameTaken);
    ASSERT_NE(file, 0);
    ASSERT_TRUE(WriteToFile(file, "hello\0world", 11));
    EXPECT_EQ(FileSize(file), 11);
    ASSERT_TRUE(SeekFileStart(file));
    char buffer[32];
    EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 11u);
    EXPECT_EQ(std::string(buffer, 11), std::string("hello\0world", 11));
    EXPECT_EQ(ReadFromFile(file, buffer, sizeof buffer), 0u); // at the end
    ASSERT_TRUE(SeekFileStart(file));
    ASSERT_TRUE(WriteToFile(file, "HEL", 3));
    ASSERT_TRUE(EndFileHere(file));
    EXPECT_EQ(FileSize(file), 3);
    EXPECT_TRUE(FlushFileToDisk(file));
    CloseFileHandle(file);
    EXPECT_EQ(ReadFileBytes(path), "HEL");
    EXPECT_TRUE(DeleteFileAt(Wide(path)));
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(DeleteFileAt(Wide(path)));
}

TEST_F(FilesTest, WhatIsNoPlainFileDoesNotOpen) {
    const std::string pipe = folder / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, folder.path(), folder / "missing"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(OpenExistingFile(Wide(path), FileAccess::Read, FileShare::ReadWrite), 0);
        EXPECT_FALSE(LastFileErrorText().empty());
    }
}

TEST_F(FilesTest, TheFinalPathLeadsThroughLinks) {
    ASSERT_EQ(mkdir((folder / "real").c_str(), 0700), 0);
    WriteFileBytes(folder / "real/a.inf", "k=1");
    ASSERT_EQ(symlink("real/a.inf", (folder / "link.inf").c_str()), 0);
    ASSERT_EQ(symlink("real", (folder / "linked").c_str()), 0);
    char resolvedFolder[PATH_MAX];
    ASSERT_NE(realpath(folder.path().c_str(), resolvedFolder), nullptr); // /tmp may be a link
    const std::wstring file = Wide(std::string(resolvedFolder) + "/real/a.inf");

    EXPECT_EQ(FinalFilePath(Wide(folder / "link.inf")), file);
    EXPECT_EQ(FinalFilePath(Wide(folder / "linked/a.inf")), file);
    EXPECT_EQ(FinalFilePath(file), file);
    const std::wstring missing = Wide(folder / "linked/missing.inf");
    EXPECT_EQ(FinalFilePath(missing), missing);
}

TEST_F(FilesTest, TheErrorTextIsTheThreadsLatestFailureAsASentence) {
    std::wstring fresh = L"unset";
    std::thread([&] { fresh = LastFileErrorText(); }).join();
    EXPECT_EQ(fresh, L"");

    bool nameTaken = false;
    EXPECT_EQ(CreateNewFile(Wide(folder / "missing/a.inf"), nameTaken), 0);
    const std::wstring missing = SystemWords(ENOENT);
    EXPECT_EQ(LastFileErrorText(), missing);
    EXPECT_EQ(missing.back(), L'.');

    // Neither a later call that succeeds nor another thread's failure changes it.
    const FileHandle file = CreateNewFile(Wide(folder / "a.inf"), nameTaken);
    EXPECT_NE(file, 0);
    CloseFileHandle(file);
    std::wstring otherThread;
    std::thread([&] {
        OpenExistingFile(Wide(folder.path()), FileAccess::Read, FileShare::Read);
        otherThread = LastFileErrorText();
    }).join();
    EXPECT_EQ(otherThread, SystemWords(EISDIR));
    EXPECT_EQ(LastFileErrorText(), missing);
}

} // namespace
