// Where a project named without a folder is found: the current folder, then
// the program's folder, then the installed data folder beside it. A copy of a
// small program that opens a project is put into a scratch tree laid out as
// an installation, and run from a folder of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

namespace fs = std::filesystem;
using taclib_test::ReadLines;
using taclib_test::ScratchPath;

const std::string kProject = "[effect spring]\ntype = spring\n";

class ProjectLookup : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = ScratchPath(".tree");
        fs::remove_all(root_);
        bin_ = root_ / "bin";
        data_ = (bin_ / TACLIB_DATA_FROM_PROGRAM).lexically_normal();
        work_ = root_ / "work";
        for (const fs::path &p : {bin_, data_, work_})
            fs::create_directories(p);
        fs::copy_file(TACLIB_OPEN_PROJECT, bin_ / "open-project");
        log_ = (root_ / "taclib.log").string();
    }
    void TearDown() override { fs::remove_all(root_); }

    static void Put(const fs::path &folder) { std::ofstream(folder / "zorbel.hkr") << kProject; }

    // Runs the copy from the work folder; returns what it printed, then the
    // path the library's log says it found, if any.
    std::string Open(const std::string &name)
    {
        fs::remove(log_);
        const std::string out = (root_ / "printed").string();
        std::string command = "cd '" + work_.string() + "' && TACLIB_LOG='" + log_ + "' '" +
                              (bin_ / "open-project").string() + "' '" + name + "' >'" + out + "'";
        int status = std::system(command.c_str());
        if (status != 0)
            return "exit status " + std::to_string(status);
        std::vector<std::string> printed = ReadLines(out);
        std::string result = printed.empty() ? "" : printed[0];
        for (const std::string &line : ReadLines(log_))
            if (line.rfind("  found ", 0) == 0)
                result += " " + line.substr(8);
        return result;
    }

    fs::path root_, bin_, data_, work_;
    std::string log_;
};

TEST_F(ProjectLookup, CurrentFolderThenProgramFolderThenDataFolder)
{
    Put(work_);
    Put(bin_);
    Put(data_);
    EXPECT_EQ(Open("zorbel.hkr"), "1 zorbel.hkr");
    fs::remove(work_ / "zorbel.hkr");
    EXPECT_EQ(Open("zorbel.hkr"), "1 " + (bin_ / "zorbel.hkr").string());
    fs::remove(bin_ / "zorbel.hkr");
    EXPECT_EQ(Open("zorbel.hkr"), "1 " + (data_ / "zorbel.hkr").string());

    // A name with a folder is taken as it is.
    EXPECT_EQ(Open("./zorbel.hkr").rfind("0 cannot open the file", 0), 0u);

    // Nowhere: the reason names every place looked in.
    fs::remove(data_ / "zorbel.hkr");
    EXPECT_EQ(Open("zorbel.hkr"), "0 cannot open the file: not in the current folder, " +
                                      (bin_ / "zorbel.hkr").string() + " or " +
                                      (data_ / "zorbel.hkr").string());
}

TEST_F(ProjectLookup, TheFirstPlaceHoldingTheNameIsTheOneRead)
{
    // A folder in the current folder hides the program's file: the order is
    // fixed, and what is found there is refused with a reason.
    Put(bin_);
    fs::create_directory(work_ / "zorbel.hkr");
    EXPECT_EQ(Open("zorbel.hkr"), "0 cannot open the file: it is a folder, not a file");
}

// A project another user could have put in the current folder is skipped,
// with a notice, for the next place.
TEST_F(ProjectLookup, AProjectOfAnotherUserOrOpenToOthersIsSkipped)
{
    Put(work_);
    Put(bin_);
    const fs::path shared = work_ / "zorbel.hkr";
    fs::permissions(shared, fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(Open("zorbel.hkr"), "1 " + (bin_ / "zorbel.hkr").string());
    const std::vector<std::string> log = ReadLines(log_);
    EXPECT_NE(
        std::find(log.begin(), log.end(),
                  "  notice: skipped the effect project zorbel.hkr: other users can change it"),
        log.end());
    fs::permissions(shared, fs::perms::others_write, fs::perm_options::remove);
    EXPECT_EQ(Open("zorbel.hkr"), "1 zorbel.hkr");
    if (chown(shared.c_str(), 65534, 65534) == 0) { // only where the test may give files away
        EXPECT_EQ(Open("zorbel.hkr"), "1 " + (bin_ / "zorbel.hkr").string());
    }
}

TEST(ProjectSearchPlaces, TheOrderOpenFileLooksInAndNoOverflow)
{
    char place[4096];
    ASSERT_EQ(CTacProject::SearchPlace("zorbel.hkr", 0, place, sizeof place), 1);
    EXPECT_STREQ(place, "zorbel.hkr");
    ASSERT_EQ(CTacProject::SearchPlace("zorbel.hkr", 1, place, sizeof place), 1);
    EXPECT_EQ(fs::path(place).filename(), "zorbel.hkr");
    EXPECT_EQ(CTacProject::SearchPlace("zorbel.hkr", 3, place, sizeof place), 0);
    // Exactly the length does not leave room for the terminating zero.
    EXPECT_EQ(CTacProject::SearchPlace("zorbel.hkr", 0, place, 10), 0);
    EXPECT_EQ(CTacProject::SearchPlace("zorbel.hkr", 0, place, 11), 1);
}

} // namespace
