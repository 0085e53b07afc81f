// The program's force-feedback spring on the simulated device, read back
// through the library's call log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/app_state.h"
#include "haptics/spring.h"
#include "platform/testing.h"
#include "scene/launcher.h"
#include "support/scratch_dir.h"
#include "taclib.h"
#include "taclib/taclib_test_support.h"

namespace {

using taclib_test::ScopedEnv;

class SpringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The project, the log and the FIFOs are named relative to this folder.
        ASSERT_FALSE(scratch_.Path().empty());
        ASSERT_NE(getcwd(oldDir_, sizeof oldDir_), nullptr);
        ASSERT_EQ(chdir(scratch_.Path().c_str()), 0);

        zorbel::testing::UseHeadlessHost();
        App = AppState{};
        App.ClientRect = RECT{0, 0, 1024, 768};
        App.ClientBottomRight = POINT{1024, 768};
        App.Instance = reinterpret_cast<HINSTANCE>(&instance_);
        App.MainWindow = reinterpret_cast<HWND>(&window_);
        launcher_ = new Launcher();
        App.TheLauncher = launcher_;
    }

    void TearDown() override
    {
        ShutDownForceFeedback();
        delete launcher_;
        App = AppState{};
        ASSERT_EQ(chdir(oldDir_), 0);
    }

    static void WriteProject(const std::string &text) { std::ofstream("zorbel.hkr") << text; }

    // The calls of the log, addresses shown as P, without the device's own
    // lines, which are indented.
    std::vector<std::string> Log() const
    {
        static const std::regex address("0x[0-9a-f]+");
        std::vector<std::string> calls;
        for (const std::string &line : taclib_test::ReadLines("taclib.log"))
            if (line.rfind("  ", 0) != 0)
                calls.push_back(std::regex_replace(line, address, "P"));
        return calls;
    }

    ScopedEnv device_{"TACLIB_DEVICE", std::string("sim")};
    ScopedEnv logEnv_{"TACLIB_LOG", std::string("taclib.log")};
    ScopedEnv screen_{"TACLIB_SCREEN", std::string("1024x768")};
    ScratchDir scratch_{"zorbel-spring"};
    char oldDir_[4096] = {};
    int instance_ = 0;
    int window_ = 0;
    Launcher *launcher_ = nullptr;
};

// What set-up makes and asks of the library. Without a device nothing is
// made and the failed device is given up at once; without the project file
// the built-in spring sits on the rest centre, and the project stays; from a
// project without the spring comes no spring at all, and no built-in one as
// a second try. Every call is safe whatever was made.
TEST_F(SpringTest, SetUpMakesWhatTheDeviceAndTheProjectAllow)
{
    struct Case {
        const char *what;
        const char *device;
        const char *project; // none when null
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"no device",
         "none",
         nullptr,
         {"CTacMouse::CTacMouse", "CTacMouse::Initialize P P 4 1 -> 0", "CTacMouse::~CTacMouse"}},
        {"no project file",
         "sim",
         nullptr,
         {"CTacMouse::CTacMouse", "CTacMouse::Initialize P P 4 1 -> 1", "CTacProject::CTacProject",
          "CTacProject::OpenFile \"zorbel.hkr\" P -> 0", "CTacSpring::CTacSpring",
          "CTacSpring::Initialize P 1000 10000 0 3 400,300 0 0 0 0 -> 1"}},
        {"no spring in the project",
         "sim",
         "[effect other]\ntype = spring\n",
         {"CTacMouse::CTacMouse", "CTacMouse::Initialize P P 4 1 -> 1", "CTacProject::CTacProject",
          "CTacProject::OpenFile \"zorbel.hkr\" P -> 1", "CTacSpring::CTacSpring",
          "CTacSpring::InitializeFromProject P \"spring\" P 0 -> 0", "CTacSpring::~CTacSpring"}},
    };
    launcher_->Recentre(400, 300);
    for (const Case &c : cases) {
        ScopedEnv device("TACLIB_DEVICE", std::string(c.device));
        (void)std::remove("taclib.log");
        (void)std::remove("zorbel.hkr");
        if (c.project != nullptr)
            WriteProject(c.project);
        SetUpForceFeedback();
        EXPECT_EQ(Log(), c.calls) << c.what;
        EXPECT_EQ(App.TacDevice != nullptr, std::string(c.device) == "sim") << c.what;
        EXPECT_EQ(App.TacProject != nullptr, App.TacDevice != nullptr) << c.what;
        EXPECT_EQ(App.Spring != nullptr, c.project == nullptr && App.TacDevice != nullptr)
            << c.what;
        StartSpring();
        MoveSpringCentre(POINT{1, 2});
        StopSpring();
        ShutDownForceFeedback();
    }
}

// Grab, move and release reach the spring; shutdown stops it and destroys
// each object once.
TEST_F(SpringTest, GrabReleaseMoveAndShutdownReachTheSpring)
{
    WriteProject("[effect spring]\ntype = spring\nstiffness = 2000\n");
    SetUpForceFeedback();
    ASSERT_NE(App.Spring, nullptr);
    const std::size_t setUp = Log().size();
    StopSpring(); // a release without a grab still stops
    StartSpring();
    MoveSpringCentre(POINT{600, 400});
    StopSpring();
    ShutDownForceFeedback();
    EXPECT_EQ(App.Spring, nullptr);
    EXPECT_EQ(App.TacProject, nullptr);
    EXPECT_EQ(App.TacDevice, nullptr);

    const auto log = Log();
    const std::string calls =
        std::accumulate(log.begin() + static_cast<long>(setUp), log.end(), std::string(),
                        [](std::string all, const auto &line) {
                            return all + line.substr(0, line.find(" -> ")) + "\n";
                        });
    EXPECT_NE(calls.find("CTacSpring::Start 1 0 1\nCTacSpring::ChangeParameters 600,400 keep"),
              std::string::npos)
        << calls;
    for (const char *once :
         {"CTacSpring::~CTacSpring", "CTacProject::~CTacProject", "CTacMouse::~CTacMouse"})
        EXPECT_EQ(std::count(log.begin(), log.end(), once), 1) << once;
}

} // namespace
