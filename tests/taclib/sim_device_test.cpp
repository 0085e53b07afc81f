// The public classes on the simulated device, observed through the call log:
// the program's own sequences, what the log says, and calls that must fail
// without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

using taclib_test::ReadLines;
using taclib_test::ScopedEnv;
using taclib_test::ScratchPath;
using taclib_test::WriteFile;

constexpr long kKeep = static_cast<long>(0x80000000);
constexpr unsigned long kKeepU = 0x80000000ul;

const std::string kProject = "[effect spring]\ntype = spring\n";

class SimDevice : public testing::Test {
protected:
    SimDevice() : log_(ScratchPath(".log")) { (void)std::remove(log_.c_str()); }

    std::vector<std::string> Log() const { return ReadLines(log_); }

    const std::string log_;
    ScopedEnv device_{"TACLIB_DEVICE", std::string("sim")};
    ScopedEnv logEnv_{"TACLIB_LOG", log_};
    ScopedEnv screen_{"TACLIB_SCREEN", std::nullopt};
    int instance_ = 0;
    int window_ = 0;
};

using Lines = std::vector<std::string>;

TEST_F(SimDevice, CallsOnAnEffectWithoutADeviceFailHarmlessly)
{
    CTacSpring never;
    EXPECT_EQ(never.Start(1, 0, 1), 0);
    EXPECT_EQ(never.Stop(), 0);
    EXPECT_EQ(never.ChangeParameters({1, 2}, kKeep, kKeepU, kKeepU, kKeep, kKeep), 0);

    CTacMouse uninitialised;
    CTacSpring refused;
    EXPECT_EQ(refused.Initialize(nullptr, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 0);
    EXPECT_EQ(refused.Initialize(&uninitialised, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 0);
    EXPECT_EQ(refused.Start(1, 0, 1), 0);

    Lines log = Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "  error: the effect is not initialised"),
              log.end());
}

TEST_F(SimDevice, BadStartArgumentsFailAndTheSpringStaysUsable)
{
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(&instance_, &window_, 4, 1), 1);
    CTacSpring spring;
    ASSERT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 1);
    EXPECT_EQ(spring.Start(0, 0, 1), 0);
    EXPECT_EQ(spring.Start(1, 65536, 1), 0);
    EXPECT_EQ(spring.Start(0xFFFFFFFFul, 65535, 0),
              1); // repeats until stopped, after the longest delay
}

TEST_F(SimDevice, InitializeFromProjectRefusals)
{
    std::string path = WriteFile(".hkr", kProject);
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(&instance_, &window_, 4, 1), 1);
    CTacProject withoutDevice;
    ASSERT_EQ(withoutDevice.OpenFile(path.c_str(), nullptr), 1);
    CTacProject project;
    ASSERT_EQ(project.OpenFile(path.c_str(), &mouse), 1);
    CTacProject closed;
    ASSERT_EQ(closed.OpenFile(path.c_str(), &mouse), 1);
    closed.Close();
    CTacProject reopened; // a failed reopen leaves it closed too
    ASSERT_EQ(reopened.OpenFile(path.c_str(), &mouse), 1);
    ASSERT_EQ(reopened.OpenFile(WriteFile(".bad", "[effect]").c_str(), &mouse), 0);

    CTacSpring spring;
    EXPECT_EQ(spring.InitializeFromProject(project, nullptr, nullptr, 0), 0);
    EXPECT_EQ(spring.InitializeFromProject(project, "spring", nullptr, 1), 0);
    EXPECT_EQ(spring.InitializeFromProject(closed, "spring", nullptr, 0), 0);
    EXPECT_EQ(spring.InitializeFromProject(reopened, "spring", nullptr, 0), 0);
    EXPECT_EQ(spring.InitializeFromProject(withoutDevice, "spring", nullptr, 0), 0);
    EXPECT_EQ(spring.Start(1, 0, 1), 0);
    // A project opened without a device still works with one given here.
    EXPECT_EQ(spring.InitializeFromProject(withoutDevice, "spring", &mouse, 0), 1);
    EXPECT_EQ(spring.Start(1, 0, 1), 1);
}

TEST_F(SimDevice, DestroyingTheDeviceFirstLeavesEffectsAndProjectsHarmless)
{
    std::string path = WriteFile(".hkr", kProject);
    auto mouse = std::make_unique<CTacMouse>();
    ASSERT_EQ(mouse->Initialize(&instance_, &window_, 4, 1), 1);
    CTacProject project;
    ASSERT_EQ(project.OpenFile(path.c_str(), mouse.get()), 1);
    CTacSpring spring;
    ASSERT_EQ(spring.InitializeFromProject(project, "spring", nullptr, 0), 1);
    ASSERT_EQ(spring.Start(1, 0, 1), 1);
    mouse.reset();
    Lines closing = Log();
    ASSERT_GE(closing.size(), 3u);
    EXPECT_EQ(closing[closing.size() - 3], "CTacMouse::~CTacMouse");
    EXPECT_EQ(closing[closing.size() - 2],
              "  sim spring 1 destroy"); // the device takes its effects along
    EXPECT_EQ(closing.back(), "  sim close");

    EXPECT_EQ(spring.Stop(), 0);
    EXPECT_EQ(spring.ChangeParameters({1, 2}, kKeep, kKeepU, kKeepU, kKeep, kKeep), 0);
    CTacSpring late;
    EXPECT_EQ(late.InitializeFromProject(project, "spring", nullptr, 0), 0);
}

TEST_F(SimDevice, EffectSlotsAreHeldUntilTheEffectGoes)
{
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(&instance_, &window_, 1, 1), 1);
    auto first = std::make_unique<CTacSpring>();
    ASSERT_EQ(first->Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 1);
    CTacSpring second;
    EXPECT_EQ(second.Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 0);
    // Initialising again replaces the effect in the same slot.
    EXPECT_EQ(first->Initialize(&mouse, 500, 10000, 0, 1, {0, 0}, 0, 0, 0, 0), 1);
    first.reset();
    EXPECT_EQ(second.Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0), 1);
}

TEST_F(SimDevice, InitializeRefusesBadArgumentsAndASecondCall)
{
    struct Case {
        const char *what;
        bool window;
        unsigned long slots;
    };
    const Case cases[] = {
        {"no window", false, 4}, {"no slots", true, 0}, {"too many slots", true, 65}};
    for (const Case &c : cases) {
        CTacMouse mouse;
        EXPECT_EQ(mouse.Initialize(&instance_, c.window ? &window_ : nullptr, c.slots, 1), 0)
            << c.what;
    }
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window_, 64, 1), 1);
    EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
    CTacSpring spring;
    EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {0, 0}, 0, 0, 0, 0),
              1); // the first still serves
}

// A log that cannot be written and (where the tests run as root and can
// make one) a file of another user: the device works all the same and
// nothing is written through them.
TEST_F(SimDevice, UnwritableOrForeignLogChangesNothing)
{
    const std::string foreign = WriteFile(".foreign", "");
    const bool chowned = ::geteuid() == 0 && ::chown(foreign.c_str(), 65534, 65534) == 0;
    for (const std::string &path : {ScratchPath(".no-such-dir") + "/log", foreign}) {
        ScopedEnv log("TACLIB_LOG", path);
        CTacMouse mouse;
        EXPECT_EQ(mouse.Initialize(&instance_, &window_, 4, 1), 1) << path;
    }
    if (chowned) {
        EXPECT_EQ(ReadLines(foreign).size(), 0u);
    }
}

TEST(TacProjectFile, OpenFailuresSayWhy)
{
    ScopedEnv noLog("TACLIB_LOG", std::nullopt);
    CTacProject project;
    EXPECT_EQ(project.OpenFile(nullptr, nullptr), 0);
    EXPECT_STREQ(project.LastError(), "no file name");

    std::string big = WriteFile(".big", std::string(64 * 1024 + 1, '#'));
    EXPECT_EQ(project.OpenFile(big.c_str(), nullptr), 0);
    EXPECT_NE(std::string(project.LastError()).find("larger than 65536"),
              std::string::npos); // not cut short

    std::string bad = WriteFile(".bad", "[effect a]\ntype = spring\n\nstiffness = soft\n");
    EXPECT_EQ(project.OpenFile(bad.c_str(), nullptr), 0);
    EXPECT_EQ(project.LastErrorLine(), 4);
    EXPECT_NE(std::string(project.LastError()).find("\"soft\""), std::string::npos);

    std::string good = WriteFile(".hkr", kProject);
    EXPECT_EQ(project.OpenFile(good.c_str(), nullptr), 1);
    EXPECT_STREQ(project.LastError(), "");
    EXPECT_EQ(project.LastErrorLine(), 0);
}

// FIFOs in place of the project and of the log hold nothing up (the test's
// deadline is CTest's timeout): the project is refused with the reason, and
// the log gets nothing, whether or not someone reads the FIFO.
TEST(TacProjectFile, FifosForTheProjectAndTheLogHoldNothingUp)
{
    const std::string project = ScratchPath(".hkr"), log = ScratchPath(".log");
    ASSERT_EQ(mkfifo(project.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(log.c_str(), 0600), 0);
    ScopedEnv logEnv("TACLIB_LOG", log);
    for (const bool read : {false, true}) {
        const int reader = read ? open(log.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        CTacProject fromFifo;
        EXPECT_EQ(fromFifo.OpenFile(project.c_str(), nullptr), 0);
        EXPECT_NE(std::string(fromFifo.LastError()).find("FIFO"), std::string::npos)
            << fromFifo.LastError();
        if (read) {
            ASSERT_GE(reader, 0);
            char byte = 0;
            EXPECT_LE(::read(reader, &byte, 1), 0) << "the log was written into the FIFO";
            close(reader);
        }
    }
}

// Failures are logged with their reasons, and file names quoted with escapes:
// C0 and C1 controls (0x9b starts a command on some terminals) alike. A
// long misspelt TACLIB_DEVICE is shown cut.
TEST_F(SimDevice, TheLogShowsReasonsAndQuotesFileNames)
{
    ScopedEnv none("TACLIB_DEVICE", std::string(100000, 'b'));
    CTacMouse mouse;
    testing::internal::CaptureStderr();
    EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("TACLIB_DEVICE=\"bbbb"), std::string::npos) << said;
    EXPECT_LT(said.size(), 200u);
    CTacProject project;
    EXPECT_EQ(project.OpenFile(WriteFile(".bad", "[effect a]\ntype = spring\naxes = 7\n").c_str(),
                               &mouse),
              0);
    EXPECT_EQ(project.OpenFile("a \"b\"\n\\c\x9b", nullptr), 0);
    char window[32];
    std::snprintf(window, sizeof window, "%p", static_cast<void *>(&window_));
    std::string log;
    for (const std::string &line : Log()) {
        log += line + "\n";
        // A name with a line break in it never starts a line of its own.
        EXPECT_TRUE(line.rfind("CTac", 0) == 0 || line.rfind("  ", 0) == 0) << line;
    }
    for (const std::string &shown :
         {"CTacMouse::Initialize 0x0 " + std::string(window) + " 4 1 -> 0\n",
          std::string("  error: TACLIB_DEVICE is neither sim nor none\n"),
          std::string("  error: line 3: axes must be"),
          std::string("CTacProject::OpenFile \"a \\x22b\\x22\\x0a\\x5cc\\x9b\" 0x0 -> 0\n"),
          // The places looked in carry the name too.
          std::string("not in the current folder, "), std::string("a \"b\"\\x0a\\c\\x9b or ")})
        EXPECT_NE(log.find(shown), std::string::npos) << shown << " not in\n" << log;
}

} // namespace
