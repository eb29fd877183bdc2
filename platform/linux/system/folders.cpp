// Where the settings live and where Save As opens first on Linux: the user's folders, since the
// program's own folder is usually not the user's to write.
#include "platform/program_paths.h"
#include "platform/text_encoding.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// $HOME, or the home folder the user database gives when HOME is unset; "/" when neither does.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home))
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        IsAbsolute(found->pw_dir))
        return found->pw_dir;
    return "/";
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Makes the folder and those above it that are missing, private to the user as the XDG base
// directory rules ask. A folder that cannot be made shows when the settings are saved.
void MakeFolders(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1); end != std::string::npos;
         end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

} // namespace

std::wstring SettingsFolderPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string base = IsAbsolute(configHome) ? WithSeparator(configHome)
                                                    : WithSeparator(HomeFolder()) + ".config/";
    const std::string folder = base + "tockmeter/";
    MakeFolders(folder);
    return WideFromUtf8(folder);
}

std::wstring FirstSaveFolderPath() {
    return WideFromUtf8(WithSeparator(HomeFolder()));
}
