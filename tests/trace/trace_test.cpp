// Runs the zorbel-trace executable on scripts and checks its pictures and
// its unreadable scripts. Its records, and its reasons for malformed lines,
// are checked against the golden traces by tests/trace/check_trace.py.
#include <gtest/gtest.h>

#include "support/scratch_dir.h"

#include <fstream>
#include <string>
#include <utility>
#include <stdlib.h>
#include <sys/wait.h>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tracer with OPTIONS on SCRIPT, or on the path SCRIPT_PATH when given.
Result Trace(const std::string &script, const std::string &options = "",
             const std::string &scriptPath = "")
{
    const ScratchDir scratch("zorbel-trace");
    const std::string &dir = scratch.Path();
    std::string path = scriptPath;
    if (path.empty()) {
        path = dir + "/script.txt";
        std::ofstream(path) << script;
    }
    const std::string command = std::string(ZORBEL_TRACE) + " " + options + " " + path + " >" +
                                dir + "/out.txt 2>" + dir + "/err.txt";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir + "/out.txt");
    result.err = ReadFile(dir + "/err.txt");
    return result;
}

TEST(Trace, PicturesOfEveryDrawnFrame)
{
    const ScratchDir pictures("zorbel-trace-png");
    const std::string script = "cursor 512 384\npress\ncursor 512 584\nstep\ndraw\n"
                               "tick 10\nstart\ntick 20\nframe\n";
    const Result r = Trace(script, "--png " + pictures.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char *name : {"/frame-000001.png", "/frame-000002.png"}) {
        const std::string png = ReadFile(pictures.Path() + name);
        ASSERT_GT(png.size(), 8u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
    }
    EXPECT_TRUE(ReadFile(pictures.Path() + "/frame-000003.png").empty());
    EXPECT_EQ(r.out, Trace(script).out) << "the records are the same with or without pictures";
}

TEST(Trace, PicturesThatCannotBeMadeStopTheRun)
{
    Result r = Trace("draw\n", "--png /nonexistent/folder");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("line 1: cannot write /nonexistent/folder/frame-000001.png", 0), 0u)
        << r.err;
    const ScratchDir pictures("zorbel-trace-png");
    r = Trace("client 0 0\ndraw\n", "--png " + pictures.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("line 1: cannot draw pictures of 0 x 0 pixels", 0), 0u) << r.err;
}

TEST(Trace, AScriptThatCannotBeReadIsReported)
{
    const ScratchDir folder("zorbel-trace");
    const std::string missing = folder.Path() + "/does-not-exist.txt";
    const std::pair<std::string, std::string> cases[] = {
        {missing, "zorbel-trace: cannot open '" + missing + "'\n"},
        {folder.Path(), "zorbel-trace: '" + folder.Path() + "' is a folder, not a script\n"},
    };
    for (const auto &[path, error] : cases) {
        const Result r = Trace("", "", path);
        EXPECT_EQ(r.status, 2) << path;
        EXPECT_EQ(r.err, error);
        EXPECT_EQ(r.out, "") << path;
    }
    // Records that cannot be written fail the run too.
    for (const char *to : {">/dev/full", ">&-"}) {
        const int raw = std::system(
            (std::string("echo draw | ") + ZORBEL_TRACE + " " + to + " 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << to;
    }
}

} // namespace
