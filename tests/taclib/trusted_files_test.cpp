// Files another user can choose: the project looked up in a shared folder
// and the call log. Another user is played by files and links given to
// another uid, which only root can do; elsewhere those tests are skipped.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <vector>
#include <unistd.h>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

namespace fs = std::filesystem;
using taclib_test::ReadLines;
using taclib_test::ScopedEnv;
using taclib_test::ScratchPath;
using taclib_test::WriteFile;

constexpr uid_t kOtherUser = 65534;
const std::string kProject = "[effect spring]\ntype = spring\n";

bool CanPlayAnotherUser() { return ::geteuid() == 0; }

std::string ReadAll(const std::string &path)
{
    std::string text;
    for (const std::string &line : ReadLines(path))
        text += line + "\n";
    return text;
}

// A folder everyone may write into, without the sticky bit, as a shared
// folder set up carelessly.
std::string SharedFolder(const std::string &suffix)
{
    const std::string folder = ScratchPath(suffix);
    fs::remove_all(folder);
    EXPECT_EQ(::mkdir(folder.c_str(), 0777), 0);
    EXPECT_EQ(::chmod(folder.c_str(), 0777), 0); // past the umask
    return folder;
}

// Restores the current folder when the test ends.
class InFolder {
public:
    explicit InFolder(const std::string &folder) : old_(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(old_); }
    InFolder(const InFolder &) = delete;
    InFolder &operator=(const InFolder &) = delete;

private:
    fs::path old_;
};

// The user's own link to a root-owned project, in a folder others can write
// into, swapped again and again with another user's project: each open reads
// either the user's project or nothing, never the other user's.
TEST(TrustedProject, ALinkSwappedWithAnotherUsersFileIsNeverReadThrough)
{
    if (!CanPlayAnotherUser())
        GTEST_SKIP() << "needs root to give a file to another user";
    ScopedEnv noLog("TACLIB_LOG", std::nullopt);
    const std::string shared = SharedFolder(".shared");
    const std::string trusted = WriteFile(".trusted", kProject);
    const std::string link = shared + "/zorbel.hkr", theirs = shared + "/theirs";
    ASSERT_EQ(::symlink(trusted.c_str(), link.c_str()), 0);
    // Not a project: reading it shows at once as a parse error.
    std::ofstream(theirs) << "stiffness = 10000\n";
    ASSERT_EQ(::chown(theirs.c_str(), kOtherUser, kOtherUser), 0);

    std::atomic<bool> done{false};
    std::thread swapper([&] {
        while (!done)
            (void)::renameat2(AT_FDCWD, link.c_str(), AT_FDCWD, theirs.c_str(), RENAME_EXCHANGE);
    });
    int readTheirs = 0, readOurs = 0;
    {
        const InFolder in(shared);
        for (int i = 0; i < 2000; ++i) {
            CTacProject project;
            if (project.OpenFile("zorbel.hkr", nullptr) != 0)
                ++readOurs;
            else if (std::string(project.LastError()).rfind("cannot open the file: not in", 0) != 0)
                ++readTheirs;
        }
    }
    done = true;
    swapper.join();
    EXPECT_EQ(readTheirs, 0);
    EXPECT_GT(readOurs, 0); // the user's own link is followed
}

// Found by looking the name up: a link another user planted in a shared
// folder is not followed, even to a project root owns; the next place is
// looked in. The user's own link, or one in a folder only the user can
// change, is followed. A name with a folder is refused through a planted
// link too.
TEST(TrustedProject, PlantedLinksAreNotFollowedOwnLinksAre)
{
    if (!CanPlayAnotherUser())
        GTEST_SKIP() << "needs root to give a link to another user";
    const std::string log = ScratchPath(".log");
    ScopedEnv logEnv("TACLIB_LOG", log);
    const std::string trusted = WriteFile(".trusted", kProject);
    const std::string shared = SharedFolder(".shared");
    const std::string planted = shared + "/zorbel.hkr";
    ASSERT_EQ(::symlink(trusted.c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
    {
        const InFolder in(shared);
        CTacProject project;
        (void)project.OpenFile("zorbel.hkr", nullptr); // the program's folder may hold one
        const std::string said = ReadAll(log);
        EXPECT_EQ(said.find("  found zorbel.hkr"), std::string::npos) << said;
        EXPECT_NE(said.find("skipped the effect project zorbel.hkr: 'zorbel.hkr' is a symbolic "
                            "link that another user could have planted"),
                  std::string::npos)
            << said;
        EXPECT_EQ(project.OpenFile(planted.c_str(), nullptr), 0);
        EXPECT_NE(std::string(project.LastError()).find("another user could have planted"),
                  std::string::npos)
            << project.LastError();
    }
    // The same link, given to the user, is theirs to follow.
    ASSERT_EQ(::lchown(planted.c_str(), ::geteuid(), ::getegid()), 0);
    CTacProject project;
    EXPECT_EQ(project.OpenFile(planted.c_str(), nullptr), 1) << project.LastError();
    // Another user's link in a folder only the user can change was put
    // there by the user or root.
    const std::string own = ScratchPath(".own.hkr");
    ASSERT_EQ(::symlink(trusted.c_str(), own.c_str()), 0);
    ASSERT_EQ(::lchown(own.c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(project.OpenFile(own.c_str(), nullptr), 1) << project.LastError();
}

// The call log reached through a linked home folder (as /home -> /var/home)
// is written; a link planted by another user in a shared folder, and a hard
// link to the user's own file put into a shared folder, get nothing.
TEST(TrustedLog, LinkedHomeIsWrittenPlantedAndHardLinksAreNot)
{
    const std::string real = ScratchPath(".real");
    fs::create_directory(real);
    const std::string home = ScratchPath(".home");
    ASSERT_EQ(::symlink(real.c_str(), home.c_str()), 0);
    {
        ScopedEnv log("TACLIB_LOG", home + "/taclib.log");
        CTacProject project;
    }
    EXPECT_EQ(ReadAll(real + "/taclib.log"), "CTacProject::CTacProject\n"
                                             "CTacProject::~CTacProject\n");

    const std::string own = WriteFile(".own", "");
    const std::string shared = SharedFolder(".shared");
    ASSERT_EQ(::link(own.c_str(), (shared + "/hard.log").c_str()), 0);
    std::vector<std::string> paths{shared + "/hard.log"};
    if (CanPlayAnotherUser()) {
        const std::string planted = shared + "/planted.log";
        ASSERT_EQ(::symlink(own.c_str(), planted.c_str()), 0);
        ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
        const std::string plantedFolder = shared + "/folder";
        ASSERT_EQ(::symlink(ScratchPath("").substr(0, ScratchPath("").rfind('/')).c_str(),
                            plantedFolder.c_str()),
                  0);
        ASSERT_EQ(::lchown(plantedFolder.c_str(), kOtherUser, kOtherUser), 0);
        paths.push_back(planted);
        paths.push_back(plantedFolder + own.substr(own.rfind('/')));
    }
    for (const std::string &path : paths) {
        ScopedEnv log("TACLIB_LOG", path);
        CTacProject project;
    }
    EXPECT_EQ(ReadAll(own), "");
}

// A refused log and a full disk (played by a file size limit) are each said
// once on standard error, however many lines were lost; the program is not
// stopped by either.
TEST(TrustedLog, ARefusedOrFullLogIsSaidOnceOnStandardError)
{
    const std::string folder = ScratchPath(".folder"), full = ScratchPath(".full");
    fs::create_directory(folder);
    const std::string said = ScratchPath(".said");
    for (const auto &[path, limit, word] : {std::tuple<std::string, const char *, const char *>{
                                                folder, "unlimited", "Is a directory"},
                                            {full, "0", "took 0 of"}}) {
        // The helper runs in a shell of its own whose file size limit
        // reaches the log, not the pipe that carries standard error.
        const std::string command =
            "(trap '' XFSZ; ulimit -f " + std::string(limit) + "; TACLIB_LOG='" + path +
            "' exec '" TACLIB_OPEN_PROJECT "' no-such-project.hkr) 2>&1 >/dev/null | cat >'" +
            said + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::vector<std::string> lines = ReadLines(said);
        ASSERT_EQ(lines.size(), 1u) << ReadAll(said);
        EXPECT_NE(lines[0].find("the call log " + path + " is not written"), std::string::npos)
            << lines[0];
        EXPECT_NE(lines[0].find(word), std::string::npos) << lines[0];
    }
    EXPECT_EQ(fs::file_size(full), 0u);
}

} // namespace
