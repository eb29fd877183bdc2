// The safe save over real files: what lies beside the saved file stays as it was, and only the
// save's own new file is ever made or deleted.
#include "files/safe_save.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const Users = "the user's own";

std::wstring Wide(const std::string& path) {
    return WideFromUtf8(path);
}

// What a folder holds, by name: a file's bytes, or "-> " and where a link leads.
std::map<std::string, std::string> FolderEntries(const std::string& folder) {
    std::map<std::string, std::string> entries;
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return entries;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        char led[256] = "";
        if (readlink(path.c_str(), led, sizeof led - 1) > 0)
            entries[name] = std::string("-> ") + led;
        else
            entries[name] = ReadFileBytes(path);
    }
    closedir(listing);
    return entries;
}

// The file the old name held, read through a descriptor opened before the save.
std::string ReadAll(int descriptor) {
    std::string bytes;
    char buffer[256];
    lseek(descriptor, 0, SEEK_SET);
    for (ssize_t got; (got = read(descriptor, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

class SafeSaveTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string records = folder / "records";
    std::string target = records + "/log.txt";

    void SetUp() override {
        ASSERT_EQ(mkdir(records.c_str(), 0700), 0);
        WriteFileBytes(target, "old");
        WriteFileBytes(folder / "mine.txt", Users);
    }
};

// Whatever is at the name the save's new file once had, a file of the user's or a link (to a
// file of the user's, or leading nowhere), stays as it was; the saved file is replaced in one
// step: a reader of the old file still reads the old bytes.
TEST_F(SafeSaveTest, ASaveReplacesTheFileAndLeavesWhatIsBesideIt) {
    const struct {
        const char* what;
        const char* fileBytes; // a plain file at log.txt.new, or
        const char* linkTo;    // a link there
    } cases[] = {
        {"a file of the user's", Users, nullptr},
        {"a link to a file of the user's", nullptr, "../mine.txt"},
        {"a link that leads nowhere", nullptr, "../none.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string beside = records + "/log.txt.new";
        if (c.fileBytes) {
            WriteFileBytes(beside, c.fileBytes);
        } else {
            ASSERT_EQ(symlink(c.linkTo, beside.c_str()), 0);
        }
        const auto before = FolderEntries(records);
        const int oldFile = open(target.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(oldFile, 0);

        const SaveOutcome outcome = SaveFileSafely(Wide(target), "new bytes");
        EXPECT_EQ(outcome.failedAt, SaveStep::Done) << Utf8FromWide(outcome.why);
        auto after = FolderEntries(records);
        EXPECT_EQ(after["log.txt"], "new bytes");
        after["log.txt"] = "old";
        EXPECT_EQ(after, before) << "a file beside it was made, changed or removed";
        EXPECT_EQ(ReadAll(oldFile), "old") << "the file was written over, not replaced";
        EXPECT_EQ(ReadFileBytes(folder / "mine.txt"), Users);
        EXPECT_EQ(access((folder / "none.txt").c_str(), F_OK), -1) << "a link was followed";
        close(oldFile);
        unlink(beside.c_str());
        WriteFileBytes(target, "old");
    }
}

// Another Tockmeter reads the file, so the replace fails: the save deletes its own new file and
// nothing else.
TEST_F(SafeSaveTest, AFailedSaveRemovesOnlyItsOwnFile) {
    WriteFileBytes(records + "/log.txt.new", Users);
    ASSERT_EQ(symlink("../mine.txt", (records + "/log.txt.link.new").c_str()), 0);
    const auto before = FolderEntries(records);
    const FileHandle reader = OpenExistingFile(Wide(target), FileAccess::Read, FileShare::Read);
    ASSERT_NE(reader, 0);

    const SaveOutcome outcome = SaveFileSafely(Wide(target), "new bytes");
    CloseFileHandle(reader);
    EXPECT_EQ(outcome.failedAt, SaveStep::Replace);
    EXPECT_FALSE(outcome.why.empty());
    EXPECT_EQ(FolderEntries(records), before);
    EXPECT_EQ(ReadFileBytes(folder / "mine.txt"), Users);
}

// A name that is a link is written through, as before: the file it leads to is replaced, the
// link stays, and a link beside that file is not followed.
TEST_F(SafeSaveTest, ASaveThroughALinkReplacesTheFileItLeadsTo) {
    const std::string link = folder / "log link.txt";
    ASSERT_EQ(symlink("records/log.txt", link.c_str()), 0);
    ASSERT_EQ(symlink("../mine.txt", (records + "/log.txt.new").c_str()), 0);

    const SaveOutcome outcome = SaveFileSafely(Wide(link), "new bytes");
    EXPECT_EQ(outcome.failedAt, SaveStep::Done);
    EXPECT_EQ(FolderEntries(records),
              (std::map<std::string, std::string>{{"log.txt", "new bytes"},
                                                  {"log.txt.new", "-> ../mine.txt"}}));
    char led[64] = "";
    EXPECT_GT(readlink(link.c_str(), led, sizeof led - 1), 0);
    EXPECT_STREQ(led, "records/log.txt");
    EXPECT_EQ(ReadFileBytes(folder / "mine.txt"), Users);
}

// A name as long as a folder takes (255 bytes, some of them two-byte letters) saves: the new
// file beside it has a short name of its own, which no user's file has and which is gone once
// the save is done; a file an interrupted save left is neither read nor removed.
TEST_F(SafeSaveTest, AFileOfTheLongestNameSaves) {
    const std::string longest = "\xC3\xA9" + std::string(249, 'n') + ".txt";
    ASSERT_EQ(longest.size(), 255u);
    const std::string path = records + "/" + longest;
    WriteFileBytes(path, "old");
    WriteFileBytes(records + "/~tockmeter-00000000.tmp", "an interrupted save's");
    const auto before = FolderEntries(records);

    const SaveOutcome outcome = SaveFileSafely(Wide(path), "new bytes");
    EXPECT_EQ(outcome.failedAt, SaveStep::Done) << Utf8FromWide(outcome.why);
    auto after = FolderEntries(records);
    EXPECT_EQ(after[longest], "new bytes");
    after[longest] = "old";
    EXPECT_EQ(after, before);
}

} // namespace
