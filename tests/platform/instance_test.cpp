// The single-instance socket between two real processes.
#include "platform/standin/single_instance.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zorbel::test {
namespace {

constexpr const char *kClass = "Zorbel Test Window";

class Helper {
public:
    Helper(const std::string &directory, const char *mode)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            (void)dup2(fds[1], STDOUT_FILENO);
            (void)close(fds[0]);
            (void)close(fds[1]);
            execl(ZORBEL_INSTANCE_HELPER, ZORBEL_INSTANCE_HELPER, directory.c_str(), kClass, mode,
                  static_cast<char *>(nullptr));
            _exit(127);
        }
        (void)close(fds[1]);
        output_ = fdopen(fds[0], "r");
    }
    ~Helper()
    {
        if (pid_ > 0 && !waited_) {
            (void)kill(pid_, SIGKILL);
            (void)waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr)
            (void)fclose(output_);
    }
    std::string Line()
    {
        char line[128] = {};
        if (output_ == nullptr || std::fgets(line, sizeof(line), output_) == nullptr)
            return {};
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    int Wait()
    {
        int status = 0;
        waited_ = waitpid(pid_, &status, 0) == pid_;
        return waited_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE *output_ = nullptr;
    bool waited_ = false;
};

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zorbel-instance-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        ASSERT_EQ(chmod(directory.c_str(), 0700), 0);
        testing::Reset();
        testing::UseInstanceDirectory(directory);
    }
    void TearDown() override
    {
        testing::Reset();
        const std::string path = standin::InstanceSocketPath(directory, kClass);
        (void)unlink(path.c_str());
        (void)unlink((path.substr(0, path.size() - 5) + ".lock").c_str());
        (void)rmdir(directory.c_str());
    }
    std::string directory;
};

// A connection to the socket at PATH, or -1.
int Connect(const std::string &path, int flags = 0)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0)
        return fd;
    (void)close(fd);
    return -1;
}

// Connects, sends the bytes and closes.
bool Send(const std::string &path, const std::string &bytes)
{
    const int fd = Connect(path);
    const bool sent = fd >= 0 && send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                                     static_cast<ssize_t>(bytes.size());
    (void)close(fd);
    return sent;
}

bool Listening(const std::string &path)
{
    const int fd = Connect(path, SOCK_NONBLOCK);
    (void)close(fd);
    return fd >= 0;
}

TEST_F(InstanceTest, ASecondCopyFindsAndRestoresTheFirstAndNothingElseRaisesIt)
{
    Helper first(directory, "iconic");
    ASSERT_EQ(first.Line(), "ready");
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    for (const std::string &bad : {std::string("X"), std::string("f"), std::string(), std::string(5000, 'Z')})
        (void)Send(path, bad);
    const HWND found = FindWindowA("zorbel TEST window", nullptr);
    ASSERT_NE(found, nullptr) << "class names compare without regard to case";
    EXPECT_EQ(testing::HandleName(found), "proxy1");
    EXPECT_EQ(GetLastActivePopup(found), found);
    EXPECT_TRUE(ShowWindow(found, SW_RESTORE));
    EXPECT_EQ(first.Line(), "iconic=0 foreground=1");
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr) << "the copy is gone";
    EXPECT_FALSE(SetForegroundWindow(found)) << "and its proxy reaches nobody";
}

TEST_F(InstanceTest, ACrashedCopyLeavesNoObstacle)
{
    Helper crashed(directory, "crash");
    ASSERT_EQ(crashed.Line(), "ready");
    EXPECT_EQ(crashed.Wait(), 1);
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    struct stat info{};
    ASSERT_EQ(stat(path.c_str(), &info), 0) << "the crash left its socket";
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
    EXPECT_TRUE(Listening(path)) << "the look-up claimed the class for this process";
    ASSERT_NE(CreateTestWindow(kClass), nullptr);
    testing::Reset();
    EXPECT_NE(stat(path.c_str(), &info), 0) << "removed when the process let go";
}

// However many copies start at once, and whoever keeps the socket's
// pending-connection slots full, exactly one runs and the others found it.
TEST_F(InstanceTest, CopiesStartedAtOnceFindExactlyOneRunning)
{
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    std::vector<int> squatters;
    for (int round = 0; round < 3; ++round) {
        std::vector<std::unique_ptr<Helper>> copies;
        for (int i = 0; i < 6; ++i)
            copies.push_back(std::make_unique<Helper>(directory, "launch"));
        int running = -1;
        int found = 0;
        for (int i = 0; i < 6; ++i) {
            const std::string line = copies[i]->Line();
            if (line == "running") {
                EXPECT_EQ(running, -1) << "two copies run";
                running = i;
                // Fill the slots: later copies must not take this for no copy.
                for (int s = 0; s < 16; ++s)
                    squatters.push_back(Connect(path, SOCK_NONBLOCK));
            } else {
                EXPECT_EQ(line.rfind("found", 0), 0u) << line;
                found += line.rfind("found", 0) == 0 ? 1 : 0;
            }
        }
        ASSERT_NE(running, -1);
        EXPECT_EQ(found, 5);
        Helper late(directory, "launch");
        EXPECT_EQ(late.Line().rfind("found", 0), 0u) << "with the slots full";
        EXPECT_EQ(late.Wait(), 0);
        for (int fd : squatters)
            (void)close(fd);
        squatters.clear();
        EXPECT_EQ(copies[running]->Line().rfind("foreground=", 0), 0u) << "brought forward";
        copies.clear(); // killed: the next round starts afresh
    }
}

// A folder that cannot serve: the reason names it, and no socket is used.
TEST(InstanceDirectoryTest, AnUnusableRuntimeFolderIsReportedNotUsed)
{
    char pattern[] = "/tmp/zorbel-folder-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string base = pattern;
    const std::string foreign = base + "/foreign";
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((foreign + "/zorbel").c_str(), 0700), 0);
    const bool canGiveAway = chown((foreign + "/zorbel").c_str(), 65534, 65534) == 0;
    const char *saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    struct Case {
        std::string runtime;
        const char *reason;
    };
    std::vector<Case> cases = {{base + "/missing", "No such file"},
                               {"/proc", ""},
                               {base + "/" + std::string(100, 'x'), ""}};
    if (canGiveAway)
        cases.push_back({foreign, "owned by another user"});
    for (const Case &c : cases) {
        ASSERT_EQ(setenv("XDG_RUNTIME_DIR", c.runtime.c_str(), 1), 0);
        std::string problem;
        EXPECT_EQ(standin::DefaultInstanceDirectory(&problem), "") << c.runtime;
        EXPECT_EQ(problem.rfind(c.runtime, 0), 0u) << problem;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
    }
    if (saved != nullptr)
        (void)setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        (void)unsetenv("XDG_RUNTIME_DIR");
    (void)rmdir((foreign + "/zorbel").c_str());
    (void)rmdir(foreign.c_str());
    (void)rmdir(base.c_str());
}

TEST(InstanceSocketPathTest, ClassNamesOfAnyBytesGiveShortPathsThatIgnoreCase)
{
    const std::string a = standin::InstanceSocketPath("/tmp/x", "Zorbel Window");
    const std::string b = standin::InstanceSocketPath("/tmp/x", "zorbel window");
    const std::string c = standin::InstanceSocketPath("/tmp/x", std::string(300, '/'));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, standin::InstanceSocketPath("/tmp/x", "Zorbel Window2"));
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_LT(c.size(), 108u);
    EXPECT_EQ(c.find("//"), std::string::npos);
    EXPECT_EQ(standin::InstanceSocketPath(std::string(200, 'd'), "x"), "");
}

} // namespace
} // namespace zorbel::test
