// The user's folders on Linux: settings after the XDG base directory rules, Save As at home.
#include "platform/program_paths.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <sys/stat.h>

namespace {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

TEST(Folders, SettingsLiveInTheUsersConfigurationFolder) {
    TempFolder folder;
    const std::string home = folder / "home";
    const std::string configHome = folder / "deep/config"; // neither folder there yet
    const std::string fallback = home + "/.config/tockmeter/";
    const struct {
        const char* what;
        const char* configHome; // XDG_CONFIG_HOME, null for unset
        std::string expected;
    } cases[] = {
        {"set", configHome.c_str(), configHome + "/tockmeter/"},
        {"unset", nullptr, fallback},
        {"empty", "", fallback},
        {"relative", "config", fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedVariable homeVariable("HOME", home.c_str());
        ScopedVariable configVariable("XDG_CONFIG_HOME", c.configHome);
        EXPECT_EQ(SettingsFolderPath(), WideFromUtf8(c.expected));
        EXPECT_TRUE(IsFolder(c.expected)) << "not made";
    }
    // Made private to the user, as the rules ask.
    struct stat status {};
    ASSERT_EQ(stat((home + "/.config").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
}

TEST(Folders, SaveAsOpensFirstAtHome) {
    TempFolder folder;
    for (const std::string& home : {folder.path(), folder.path() + "/"}) {
        ScopedVariable homeVariable("HOME", home.c_str());
        EXPECT_EQ(FirstSaveFolderPath(), WideFromUtf8(folder.path() + "/"));
    }
}

TEST(Folders, TheProgramPathNamesThisProgram) {
    const std::wstring path = ProgramFilePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], L'/');
    const std::wstring name = L"/linux_system_test";
    ASSERT_GT(path.size(), name.size());
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    struct stat status {};
    EXPECT_EQ(stat(Utf8FromWide(path).c_str(), &status), 0);
}

} // namespace
