#include "system_fixtures.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <grp.h>
#include <iterator>
#include <poll.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

// The user the tests of refusals run as when the tests run as root, and the exit status of a
// child that could not become that user.
const char* const UnprivilegedUser = "nobody";
constexpr int CannotSwitchUser = 125;

// Long enough for any machine, short enough that a lost byte fails the test instead of hanging.
constexpr int PatienceMilliseconds = 10000;

int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    return remove(path);
}

} // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/tockmeter-test-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("no temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    // Folders a test made read-only must be opened again to be emptied.
    chmod(path_.c_str(), 0700);
    nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

ScopedVariable::ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* previous = std::getenv(name);
    wasSet_ = previous != nullptr;
    previous_ = previous ? previous : "";
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedVariable::~ScopedVariable() {
    if (wasSet_)
        setenv(name_.c_str(), previous_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("pseudo-terminal without a name");
    devicePath_ = name;
    // Sends and receives wait through poll, so that neither can block for good.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
}

void PseudoTerminal::Send(const std::string& bytes) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t result = write(master_, bytes.data() + sent, bytes.size() - sent);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            continue;
        }
        if (result < 0 && errno == EINTR)
            continue;
        pollfd watched{master_, POLLOUT, 0};
        if (result == 0 || errno != EAGAIN || poll(&watched, 1, PatienceMilliseconds) <= 0)
            return;
    }
}

std::string PseudoTerminal::Receive(std::size_t count) const {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < count) {
        pollfd watched{master_, POLLIN, 0};
        if (poll(&watched, 1, PatienceMilliseconds) <= 0)
            break;
        const std::size_t want = std::min(sizeof buffer, count - bytes.size());
        const ssize_t got = read(master_, buffer, want);
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

void PseudoTerminal::CloseMaster() {
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void RunThisTestAsAnUnprivilegedUser() {
    const passwd* user = getpwnam(UnprivilegedUser);
    if (!user)
        GTEST_SKIP() << "runs as root, and the machine has no user \"" << UnprivilegedUser
                     << "\" to run this test as";
    const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + test.test_suite_name() + "." + test.name();

    // The build folder may lie where the user cannot reach (under /root): the child runs a copy.
    TempFolder scratch;
    ASSERT_EQ(chmod(scratch.path().c_str(), 0755), 0);
    const std::string program = scratch / "test-program";
    WriteFileBytes(program, ReadFileBytes("/proc/self/exe"));
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    const std::string temporary = scratch / "tmp";
    ASSERT_EQ(mkdir(temporary.c_str(), 0700), 0);
    ASSERT_EQ(chown(temporary.c_str(), user->pw_uid, user->pw_gid), 0);

    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(output[0]);
        close(output[1]);
        if (setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0 ||
            setenv("TMPDIR", temporary.c_str(), 1) != 0)
            _exit(CannotSwitchUser);
        execl(program.c_str(), program.c_str(), filter.c_str(), static_cast<char*>(nullptr));
        _exit(CannotSwitchUser);
    }
    close(output[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            report.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    }
    close(output[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == CannotSwitchUser)
        GTEST_SKIP() << "runs as root, and could not run this test as \"" << UnprivilegedUser
                     << "\": " << report;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
    // The child ran the test and passed it: a filter that matched nothing would pass no test.
    EXPECT_NE(report.find("[  PASSED  ] 1 test."), std::string::npos) << report;
}
