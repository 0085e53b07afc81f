// Runs the zorbel-trace executable on scripts and checks its records,
// its errors and its exit status.
#include <gtest/gtest.h>

#include "scratch_dir.h"

#include <cstdio>
#include <fstream>
#include <string>
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

Result Trace(const std::string &script)
{
    const ScratchDir scratch("zorbel-trace");
    const std::string &dir = scratch.Path();
    const std::string scriptPath = dir + "/trace-script.txt";
    std::ofstream(scriptPath) << script;
    const std::string command = std::string(ZORBEL_TRACE) + " " + scriptPath + " >" + dir +
                                "/trace-out.txt 2>" + dir + "/trace-err.txt";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir + "/trace-out.txt");
    result.err = ReadFile(dir + "/trace-err.txt");
    return result;
}

int CountLines(const std::string &text, const std::string &prefix)
{
    int count = 0;
    std::size_t at = 0;
    while ((at = text.find("\n" + prefix, at)) != std::string::npos) {
        ++count;
        ++at;
    }
    return count + (text.rfind(prefix, 0) == 0 ? 1 : 0);
}

TEST(Trace, PullAndLaunchRecords)
{
    const Result r = Trace("# a pull straight down\n"
                           "cursor 512 384\n"
                           "press\n"
                           "cursor 512 484\n"
                           "step\n"
                           "draw\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"press\":[512,384],\"hit\":1}\n"
              "{\"step\":1,\"Engaged\":1,\"BallAlive\":1,\"BandStretched\":1,\"BandSide\":0,"
              "\"BallX\":512,\"BallY\":484,\"VelX\":0,\"VelY\":0,\"AccelX\":0,\"AccelY\":0,"
              "\"Tension\":0.1953125,\"BandPenWidth\":9,\"BallPoint\":[512,484],"
              "\"LeftTip\":[472,384],\"RightTip\":[552,384],\"RestCentre\":[512,384]}\n"
              "{\"draw\":1,\"colour\":\"0x00FF3100\",\"pen\":9,\"band\":[[472,384],[492,487],"
              "[499,499],[512,504],[524,499],[531,487],[552,384]],\"ball\":[492,464,532,504],"
              "\"tips\":[[462,374,482,394],[542,374,562,394]],\"BandSide\":1,"
              "\"LeftTip\":[472,384],\"RightTip\":[552,384]}\n");
}

TEST(Trace, FramesRunTheSchedulerAndDraw)
{
    const Result r = Trace("client 800 600\n"
                           "tick 1000\n"
                           "start\n"
                           "frame\n"
                           "tick 1040\n"
                           "frame\n"
                           "tick 1056\n"
                           "frame\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"frame\":1,\"now\":0,\"steps\":0,\"NextStepTime\":0}"), std::string::npos);
    EXPECT_NE(r.out.find("{\"frame\":2,\"now\":400,\"steps\":1,\"NextStepTime\":400}"), std::string::npos);
    EXPECT_NE(r.out.find("{\"frame\":3,\"now\":560,\"steps\":3,\"NextStepTime\":550}"), std::string::npos);
    EXPECT_EQ(CountLines(r.out, "{\"step\":"), 4);
    EXPECT_EQ(CountLines(r.out, "{\"draw\":"), 3);
    EXPECT_NE(r.out.find("\"RestCentre\":[400,300]"), std::string::npos);
}

TEST(Trace, ResizeRecentresTheLauncher)
{
    const Result r = Trace("resize 1023 767\nstep\nresize 0 0\nstep\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"LeftTip\":[471,383],\"RightTip\":[551,383],\"RestCentre\":[511,383]"),
              std::string::npos);
    EXPECT_NE(r.out.find("\"LeftTip\":[-40,0],\"RightTip\":[40,0],\"RestCentre\":[0,0]"),
              std::string::npos);
}

TEST(Trace, MalformedScriptsStopWithTheLineAndReason)
{
    struct Case {
        std::string script;
        const char *error;
        int records;
    };
    const Case cases[] = {
        {"step\nfly 3\n", "line 2: unknown command 'fly'", 1},
        {"\n# comment\nstep 2 3\n", "line 3: step takes 0 or 1 argument", 0},
        {"cursor 1 x\n", "line 1: not an integer: 'x'", 0},
        {"cursor 1 +2\n", "line 1: not an integer: '+2'", 0},
        {"cursor 2147483648 0\n", "line 1: number out of range", 0},
        {"tick -1\n", "line 1: number out of range", 0},
        {"resize 5 -0\n", "line 1: number out of range", 0},
        {"step 1000001\n", "line 1: number out of range", 0},
        {"client 100000 100001\n", "line 1: number out of range", 0},
        {"step\nclient 800 600\n", "line 2: client must be the first command", 1},
        {"press extra\n", "line 1: press takes 0 arguments, got 1", 0},
        // Bad words are shown short and with control bytes escaped.
        {"fl\x1b[2Jy\n", "line 1: unknown command 'fl\\x1B[2Jy'\n", 0},
        {"cursor 1 x2345678901234567890123456789\n",
         "line 1: not an integer: 'x23456789012345678901234' (29 bytes)\n", 0},
        // A line beyond 4096 bytes is malformed, however it goes on.
        {"step\nstep" + std::string(4092, ' ') + "\nstep" + std::string(4093, ' ') + "\n",
         "line 3: line longer than 4096 bytes", 2},
    };
    for (const Case &c : cases) {
        const Result r = Trace(c.script);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << c.script << " gave " << r.err;
        EXPECT_EQ(CountLines(r.out, "{"), c.records) << "records before the error stay";
    }
}

Result TraceWithPictures(const std::string &script, const std::string &pngDir)
{
    const ScratchDir scratch("zorbel-trace");
    const std::string &dir = scratch.Path();
    std::ofstream(dir + "/script.txt") << script;
    const std::string command = std::string(ZORBEL_TRACE) + " --png " + pngDir + " " + dir +
                                "/script.txt >" + dir + "/out.txt 2>" + dir + "/err.txt";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir + "/out.txt");
    result.err = ReadFile(dir + "/err.txt");
    return result;
}

TEST(Trace, PicturesOfEveryDrawnFrame)
{
    const ScratchDir scratch("zorbel-trace-png");
    const std::string &pictures = scratch.Path();
    const Result r = TraceWithPictures("cursor 512 384\npress\ncursor 512 584\nstep\ndraw\n"
                                       "tick 10\nstart\ntick 20\nframe\n",
                                       pictures);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char *name : {"/frame-000001.png", "/frame-000002.png"}) {
        const std::string png = ReadFile(pictures + name);
        ASSERT_GT(png.size(), 8u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
    }
    EXPECT_TRUE(ReadFile(pictures + "/frame-000003.png").empty());
    // The records are the same with or without pictures.
    const Result plain = Trace("cursor 512 384\npress\ncursor 512 584\nstep\ndraw\n"
                               "tick 10\nstart\ntick 20\nframe\n");
    EXPECT_EQ(r.out, plain.out);
}

TEST(Trace, PicturesThatCannotBeMadeStopTheRun)
{
    Result r = TraceWithPictures("draw\n", "/nonexistent/folder");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("line 1: cannot write /nonexistent/folder/frame-000001.png", 0), 0u)
        << r.err;
    const ScratchDir pictures("zorbel-trace-png");
    r = TraceWithPictures("client 0 0\ndraw\n", pictures.Path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("line 1: cannot draw pictures of 0 x 0 pixels", 0), 0u) << r.err;
}

TEST(Trace, UnreadableScriptIsReported)
{
    {
        const ScratchDir scratch("zorbel-trace");
        const std::string command =
            std::string(ZORBEL_TRACE) + " " + scratch.Path() + " 2>" + scratch.Path() + "/err.txt";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(raw), 2);
        EXPECT_EQ(ReadFile(scratch.Path() + "/err.txt"),
                  "zorbel-trace: '" + scratch.Path() + "' is a folder, not a script\n");
    }
    const ScratchDir scratch("zorbel-trace");
    const std::string &dir = scratch.Path();
    const std::string command =
        std::string(ZORBEL_TRACE) + " /nonexistent/script 2>" + dir + "/err.txt";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_EQ(ReadFile(dir + "/err.txt"),
              "zorbel-trace: cannot open '/nonexistent/script'\n");
}

} // namespace
