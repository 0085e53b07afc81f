// The message log, written as a file a user names is: nothing through a
// symbolic link anywhere in its path, nothing into another user's file.
#include "platform/testing.h"
#include "platform/win32.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Read(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(MessageLog, OwnFileGetsTheLinePlantedLinksAndForeignFilesNothing)
{
    zorbel::testing::UseHeadlessHost();
    zorbel::testing::Reset();
    const ScratchDir scratch("zorbel-message-log");
    const std::string dir = scratch.Path();
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0700), 0);
    std::ofstream(dir + "/real/target") << "";
    ASSERT_EQ(symlink((dir + "/real").c_str(), (dir + "/linked").c_str()), 0);
    ASSERT_EQ(symlink((dir + "/real/target").c_str(), (dir + "/link.log").c_str()), 0);
    std::ofstream(dir + "/foreign.log") << "";
    const bool chowned = geteuid() == 0 && chown((dir + "/foreign.log").c_str(), 65534, 65534) == 0;

    for (const std::string name :
         {"link.log", "linked/target", "linked/new.log", "foreign.log", "real/own.log"}) {
        setenv("ZORBEL_MESSAGE_LOG", (dir + "/" + name).c_str(), 1);
        (void)MessageBoxA(nullptr, "DirectDrawCreate FAILED", "Zorbel Demo", MB_OK);
    }
    unsetenv("ZORBEL_MESSAGE_LOG");
    EXPECT_EQ(Read(dir + "/real/target"), "");
    EXPECT_NE(access((dir + "/real/new.log").c_str(), F_OK), 0) << "made through a linked folder";
    if (chowned) {
        EXPECT_EQ(Read(dir + "/foreign.log"), "");
    }
    EXPECT_EQ(Read(dir + "/real/own.log"), "Zorbel Demo\tDirectDrawCreate FAILED\n");
}

} // namespace
