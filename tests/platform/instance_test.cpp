// The single-instance socket between two real processes.
#include "platform/standin/single_instance.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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
        (void)unlink(standin::InstanceSocketPath(directory, kClass).c_str());
        (void)rmdir(directory.c_str());
    }
    std::string directory;
};

// Sends raw bytes and reports whether an answer byte came back.
bool AnswersRaw(const std::string &path, const std::string &bytes)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    timeval timeout{2, 0};
    (void)setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    char answer = 0;
    const bool answered =
        connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 &&
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()) &&
        recv(fd, &answer, 1, 0) == 1;
    (void)close(fd);
    return answered;
}

bool Listening(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    const bool connected = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    (void)close(fd);
    return connected;
}

TEST_F(InstanceTest, ASecondCopyFindsRestoresAndRaisesTheFirst)
{
    Helper first(directory, "iconic");
    ASSERT_EQ(first.Line(), "ready");
    const HWND found = FindWindowA(kClass, nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(testing::HandleName(found), "proxy1");
    EXPECT_EQ(GetLastActivePopup(found), found);
    EXPECT_TRUE(IsIconic(found));
    EXPECT_TRUE(ShowWindow(found, SW_RESTORE));
    EXPECT_FALSE(IsIconic(found));
    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_EQ(first.Line(), "iconic=0 foreground=1");
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr) << "the copy is gone";
    EXPECT_FALSE(IsIconic(found)) << "and its proxy answers nothing";
}

TEST_F(InstanceTest, AStaleSocketIsNoObstacle)
{
    Helper crashed(directory, "crash");
    ASSERT_EQ(crashed.Line(), "ready");
    EXPECT_EQ(crashed.Wait(), 1);
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    struct stat info{};
    ASSERT_EQ(stat(path.c_str(), &info), 0) << "the crash left its socket";
    EXPECT_FALSE(Listening(path));
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
    // This process now takes the class over, replacing the dead socket.
    ASSERT_NE(CreateTestWindow(kClass), nullptr);
    EXPECT_TRUE(Listening(path));
    testing::Reset();
    EXPECT_NE(stat(path.c_str(), &info), 0) << "removed when the window went";
}

TEST_F(InstanceTest, MalformedRequestsAreClosedAndTheCopyKeepsServing)
{
    Helper first(directory, "normal");
    ASSERT_EQ(first.Line(), "ready");
    const std::string path = standin::InstanceSocketPath(directory, kClass);
    for (const std::string &bad : {std::string("XXXXP"), std::string("ZRB1Z"), std::string("ZRB2P"),
                                   std::string("ZRB1PP"), std::string("\0\0\0\0\0", 5)})
        EXPECT_FALSE(AnswersRaw(path, bad)) << bad;
    EXPECT_TRUE(AnswersRaw(path, "ZRB1P"));
    EXPECT_EQ(standin::AskInstance(directory, kClass, standin::InstanceRequest::IsIconic, 1000), 0);
    const HWND found = FindWindowA(kClass, nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_EQ(first.Line(), "iconic=0 foreground=1");
    EXPECT_EQ(first.Wait(), 0);
}

TEST_F(InstanceTest, OnlyAPrivateDirectoryIsUsed)
{
    ASSERT_EQ(chmod(directory.c_str(), 0755), 0);
    EXPECT_FALSE(standin::IsPrivateDirectory(directory));
    testing::UseInstanceDirectory(directory);
    ASSERT_NE(CreateTestWindow(kClass), nullptr);
    struct stat info{};
    EXPECT_NE(stat(standin::InstanceSocketPath(directory, kClass).c_str(), &info), 0)
        << "no socket in a directory others can enter";
}

TEST(InstanceSocketPathTest, ClassNamesOfAnyBytesGiveDistinctShortPaths)
{
    const std::string a = standin::InstanceSocketPath("/tmp/x", "Zorbel Window");
    const std::string b = standin::InstanceSocketPath("/tmp/x", "zorbel window");
    const std::string c = standin::InstanceSocketPath("/tmp/x", std::string(300, '/'));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_LT(c.size(), 108u);
    EXPECT_EQ(c.find("//"), std::string::npos);
    EXPECT_EQ(standin::InstanceSocketPath(std::string(200, 'd'), "x"), "");
}

TEST(SimulatedInstanceTest, TheHeadlessHostCanPretendAnotherCopyRuns)
{
    testing::Reset();
    testing::SimulateOtherInstance("Zorbel Window", true);
    const HWND found = FindWindowA("Zorbel Window", nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindWindowA("Other", nullptr), nullptr);
    EXPECT_TRUE(IsIconic(GetLastActivePopup(found)));
    (void)ShowWindow(found, SW_RESTORE);
    (void)SetForegroundWindow(found);
    const testing::OtherInstance other = testing::OtherInstanceState();
    EXPECT_FALSE(other.iconic);
    EXPECT_EQ(other.restores, 1);
    EXPECT_EQ(other.foregrounds, 1);
}

} // namespace
} // namespace zorbel::test
