// The single-instance socket between two real processes.
#include "platform/standin/sdl_activation.h"
#include "platform/standin/single_instance.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorbel::test {
namespace {

constexpr const char *kClass = "Zorbel Test Window";

// A copy of the helper program. It says its process id first, so that the
// test can end it.
class Helper {
public:
    Helper(const std::string &directory, const char *mode)
    {
        const std::string command = std::string("exec '") + ZORBEL_INSTANCE_HELPER + "' '" +
                                    directory + "' '" + kClass + "' " + mode;
        output_ = popen(command.c_str(), "r");
        pid_ = std::atoi(Line().c_str());
    }
    ~Helper()
    {
        if (pid_ > 0)
            (void)kill(pid_, SIGKILL);
        (void)Wait();
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
    // The exit status once it ended.
    int Wait()
    {
        const int status = output_ != nullptr ? pclose(output_) : -1;
        output_ = nullptr;
        pid_ = 0;
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    FILE *output_ = nullptr;
    pid_t pid_ = 0;
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

// Sends one datagram to the socket at PATH.
bool Send(const std::string &path, const std::string &bytes)
{
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    const bool sent = sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                             reinterpret_cast<sockaddr *>(&address), sizeof(address)) >= 0;
    (void)close(fd);
    return sent;
}

TEST_F(InstanceTest, ASecondCopyFindsAndRestoresTheFirstAndNothingElseRaisesIt)
{
    Helper first(directory, "iconic");
    ASSERT_EQ(first.Line(), "ready");
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    for (const std::string &bad :
         {std::string("X"), std::string("f"), std::string(), std::string("FF")})
        EXPECT_TRUE(Send(path, bad));
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

// A start's activation token reaches the running copy with its request;
// a token that cannot go (a space, a control character, too long) leaves
// the request without it, and a malformed datagram is no request at all.
TEST_F(InstanceTest, TheAskingStartsActivationTokenComesWithItsRequest)
{
    std::unique_ptr<standin::InstanceClaim> claim;
    std::string why;
    ASSERT_EQ(standin::InstanceClaim::Claim(directory, kClass, &claim, &why),
              standin::InstanceClaim::Outcome::Claimed)
        << why;
    const std::string id = "launcher-1234-host-zorbel-0_TIME4711";
    std::string activation = "stale";
    EXPECT_FALSE(claim->Asked(&activation));
    ASSERT_TRUE(standin::AskToComeForward(directory, kClass, 1000, id));
    ASSERT_TRUE(claim->Asked(&activation));
    EXPECT_EQ(activation, id);
    EXPECT_EQ(standin::StartupTime(activation), 4711u);
    for (const std::string &unfit :
         {std::string("two words"), std::string("bell\a"), std::string(256, 'x'), std::string()}) {
        ASSERT_TRUE(standin::AskToComeForward(directory, kClass, 1000, unfit));
        ASSERT_TRUE(claim->Asked(&activation)) << unfit;
        EXPECT_EQ(activation, "") << unfit;
    }
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    for (const std::string &bad :
         {std::string("A"), std::string("A two"), "A" + std::string(300, 'x'), std::string("Fx")})
        EXPECT_TRUE(Send(path, bad));
    EXPECT_FALSE(claim->Asked(&activation));
    EXPECT_TRUE(Send(path, "A" + std::string(255, 'x')));
    EXPECT_TRUE(claim->Asked(&activation));
    EXPECT_EQ(activation, std::string(255, 'x'));
}

// The asking start hears whether the running copy got the focus; a copy
// that does not answer leaves it to its own time limit, and an asker that
// cannot be answered (no address of its own) is simply not.
TEST_F(InstanceTest, TheAskingStartHearsWhetherTheFocusWasGiven)
{
    std::unique_ptr<standin::InstanceClaim> claim;
    std::string why;
    ASSERT_EQ(standin::InstanceClaim::Claim(directory, kClass, &claim, &why),
              standin::InstanceClaim::Outcome::Claimed)
        << why;
    for (const bool focused : {true, false}) {
        standin::ForwardAnswer answer = standin::ForwardAnswer::None;
        std::thread asker([&] {
            EXPECT_TRUE(standin::AskToComeForward(directory, kClass, 1000, "", &answer, 5000));
        });
        std::string activation;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!claim->Asked(&activation) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        claim->Answer(focused);
        claim->Answer(!focused); // once only: nobody hears this one
        asker.join();
        EXPECT_EQ(answer,
                  focused ? standin::ForwardAnswer::Focused : standin::ForwardAnswer::Refused);
    }
    standin::ForwardAnswer answer = standin::ForwardAnswer::Focused;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(standin::AskToComeForward(directory, kClass, 1000, "", &answer, 100));
    EXPECT_EQ(answer, standin::ForwardAnswer::None);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    std::string activation;
    EXPECT_TRUE(claim->Asked(&activation));
    EXPECT_TRUE(Send(standin::InstanceSocketPath(directory, kClass), "F"));
    EXPECT_TRUE(claim->Asked(&activation));
    claim->Answer(false); // to an unbound sender: goes nowhere
}

TEST(StartupTimeTest, TheTimeIsTheDigitsAfterTheLastTimeMark)
{
    EXPECT_EQ(standin::StartupTime("a_TIME1_TIME42"), 42u);
    EXPECT_EQ(standin::StartupTime("no time here"), 0u);
    EXPECT_EQ(standin::StartupTime("x_TIME"), 0u);
    EXPECT_EQ(standin::StartupTime("x_TIME12ab"), 0u);
    EXPECT_EQ(standin::StartupTime("x_TIME4294967295"), 4294967295u);
    EXPECT_EQ(standin::StartupTime("x_TIME4294967296"), 0u) << "past 32 bits";
    EXPECT_EQ(standin::StartupTime("x_TIME99999999999999999999"), 0u);
}

TEST_F(InstanceTest, ACrashedCopyLeavesNoObstacle)
{
    Helper crashed(directory, "crash");
    ASSERT_EQ(crashed.Line(), "ready");
    EXPECT_EQ(crashed.Wait(), 1);
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0) << "the crash left its socket";
    EXPECT_FALSE(Send(path, "F"));
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
    EXPECT_TRUE(Send(path, "F")) << "the look-up claimed the class for this process";
    ASSERT_NE(CreateTestWindow(kClass), nullptr);
    testing::Reset();
    EXPECT_NE(stat(path.c_str(), &info), 0) << "removed when the process let go";
}

// Whatever is done to the lock file and the socket's path while a copy runs,
// the next copy finds it, and the copy removes only the socket it made.
TEST_F(InstanceTest, ATakenLockOrSocketNeverLetsASecondCopyRun)
{
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    const std::string lock = path.substr(0, path.size() - 5) + ".lock";
    struct stat info {};
    {
        Helper first(directory, "launch");
        ASSERT_EQ(first.Line(), "running");
        ASSERT_EQ(unlink(lock.c_str()), 0);
        Helper second(directory, "launch");
        EXPECT_EQ(second.Line(), "found") << "with the lock file gone";
        EXPECT_EQ(first.Line(), "foreground=1");
        ASSERT_EQ(unlink(path.c_str()), 0);
        std::fclose(std::fopen(path.c_str(), "w"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!(lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Helper third(directory, "launch");
        EXPECT_EQ(third.Line(), "found") << "with a file in the socket's place";
        EXPECT_EQ(first.Line(), "foreground=2");
    }
    ASSERT_EQ(FindWindowA(kClass, nullptr), nullptr);
    ASSERT_NE(CreateTestWindow(kClass), nullptr);
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(symlink(lock.c_str(), path.c_str()), 0);
    testing::Reset();
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << "a link in the socket's place stays";
}

// However many copies start at once, and whoever keeps the socket's queue
// full, exactly one runs and the others found it.
TEST_F(InstanceTest, CopiesStartedAtOnceFindExactlyOneRunning)
{
    const std::string path = standin::InstanceSocketPath(directory, kClass);
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
                // Fill the queue: later copies must not take this for no copy.
                while (Send(path, "X")) {
                }
            } else {
                EXPECT_EQ(line.rfind("found", 0), 0u) << line;
                found += line.rfind("found", 0) == 0 ? 1 : 0;
            }
        }
        ASSERT_NE(running, -1);
        EXPECT_EQ(found, 5);
        while (Send(path, "X")) {
        }
        Helper late(directory, "launch");
        EXPECT_EQ(late.Line(), "found") << "with the queue full";
        EXPECT_EQ(late.Wait(), 0);
        EXPECT_EQ(copies[running]->Line().rfind("foreground=", 0), 0u) << "brought forward";
        copies.clear(); // killed: the next round starts afresh
    }
}

// A folder that cannot serve: the reason names it, and no socket is used.
// Without a runtime folder the user's cache folder serves, never a shared
// one such as /tmp, where another user could make the folder first.
TEST(InstanceDirectoryTest, TheFolderIsTheUsersOwnOrReportedNotUsed)
{
    char pattern[] = "/tmp/zorbel-folder-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string base = pattern;
    const std::string foreign = base + "/foreign";
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((foreign + "/zorbel").c_str(), 0700), 0);
    const bool canGiveAway = chown((foreign + "/zorbel").c_str(), 65534, 65534) == 0;
    std::vector<std::pair<const char *, std::optional<std::string>>> saved;
    for (const char *name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"})
        saved.emplace_back(name, std::getenv(name) != nullptr
                                     ? std::optional<std::string>(std::getenv(name))
                                     : std::nullopt);
    struct Case {
        std::string runtime;
        const char *reason;
    };
    // One that cannot be written to (/proc) is met by the program's run.
    std::vector<Case> cases = {{base + "/missing", "No such file"},
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
    (void)unsetenv("XDG_RUNTIME_DIR");
    (void)unsetenv("XDG_CACHE_HOME");
    ASSERT_EQ(setenv("HOME", base.c_str(), 1), 0);
    std::string problem;
    EXPECT_EQ(standin::DefaultInstanceDirectory(&problem), base + "/.cache/zorbel") << problem;
    // A cache folder that cannot be made is named with its own reason.
    ASSERT_EQ(setenv("HOME", "/proc/self", 1), 0);
    EXPECT_EQ(standin::DefaultInstanceDirectory(&problem), "");
    EXPECT_EQ(problem.rfind("/proc/self/.cache: ", 0), 0u) << problem;
    ASSERT_EQ(setenv("XDG_CACHE_HOME", foreign.c_str(), 1), 0);
    EXPECT_EQ(standin::DefaultInstanceDirectory(&problem), canGiveAway ? "" : foreign + "/zorbel");
    for (const auto &[name, value] : saved)
        (void)(value ? setenv(name, value->c_str(), 1) : unsetenv(name));
    const std::string made[] = {foreign + "/zorbel", foreign, base + "/.cache/zorbel",
                                base + "/.cache", base};
    for (const std::string &folder : made)
        (void)rmdir(folder.c_str());
}

// Case is ignored, as the look-up above shows.
TEST(InstanceSocketPathTest, ClassNamesOfAnyBytesGiveDistinctShortPaths)
{
    const std::string a = standin::InstanceSocketPath("/tmp/x", "Zorbel Window");
    EXPECT_NE(a, standin::InstanceSocketPath("/tmp/x", "Zorbel Window2"));
    EXPECT_EQ(standin::InstanceSocketPath("/tmp/x", std::string(300, '/')).size(), a.size());
    EXPECT_EQ(standin::InstanceSocketPath(std::string(200, 'd'), "x"), "");
}

} // namespace
} // namespace zorbel::test
