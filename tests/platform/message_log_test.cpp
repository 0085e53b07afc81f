// The message log, written as a file a user names is: nothing through a
// link another user could have planted, nothing into another user's file.
#include "platform/testing.h"
#include "platform/win32.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Read(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The user's own links (a home folder reached through one) are followed;
// links another user could have planted in a shared folder, hard links put
// into a shared folder and other users' files get nothing, and the first
// refusal is said on standard error.
TEST(MessageLog, OwnLinksAreFollowedPlantedLinksAndForeignFilesGetNothing)
{
    zorbel::testing::UseHeadlessHost();
    zorbel::testing::Reset();
    const ScratchDir scratch("zorbel-message-log");
    const std::string dir = scratch.Path();
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0700), 0);
    std::ofstream(dir + "/real/target") << "";
    ASSERT_EQ(symlink((dir + "/real").c_str(), (dir + "/home").c_str()), 0);
    ASSERT_EQ(mkdir((dir + "/shared").c_str(), 0777), 0);
    ASSERT_EQ(chmod((dir + "/shared").c_str(), 0777), 0);
    ASSERT_EQ(link((dir + "/real/target").c_str(), (dir + "/shared/hard.log").c_str()), 0);
    ASSERT_EQ(symlink((dir + "/real/target").c_str(), (dir + "/shared/link.log").c_str()), 0);
    std::ofstream(dir + "/foreign.log") << "";
    // Only root can play another user's link and file.
    const bool other = geteuid() == 0 &&
                       lchown((dir + "/shared/link.log").c_str(), 65534, 65534) == 0 &&
                       chown((dir + "/foreign.log").c_str(), 65534, 65534) == 0;

    std::vector<std::string> refused{"shared/hard.log"};
    if (other)
        refused.insert(refused.end(), {"shared/link.log", "foreign.log"});
    testing::internal::CaptureStderr();
    for (const std::string &name : refused) {
        setenv("ZORBEL_MESSAGE_LOG", (dir + "/" + name).c_str(), 1);
        (void)MessageBoxA(nullptr, "DirectDrawCreate FAILED", "Zorbel Demo", MB_OK);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    setenv("ZORBEL_MESSAGE_LOG", (dir + "/home/own.log").c_str(), 1);
    (void)MessageBoxA(nullptr, "DirectDrawCreate FAILED", "Zorbel Demo", MB_OK);
    unsetenv("ZORBEL_MESSAGE_LOG");
    EXPECT_EQ(Read(dir + "/real/target"), "");
    if (other) {
        EXPECT_EQ(Read(dir + "/foreign.log"), "");
    }
    EXPECT_EQ(Read(dir + "/real/own.log"), "Zorbel Demo\tDirectDrawCreate FAILED\n");
    const std::string first = "the message log " + dir + "/shared/hard.log is not written: ";
    EXPECT_NE(said.find(first), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

} // namespace
