// The whole program on the headless host: real window procedure, display,
// drawing and main loop, with scripted input and a log of platform calls.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "display/display.h"
#include "platform/testing.h"
#include "scene/launcher.h"

namespace zt = zorbel::testing;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zt::Reset();
        App = AppState{};
    }

    void TearDown() override
    {
        if (App.TheLauncher != nullptr || App.DirectDraw != nullptr)
            Shutdown();
        zt::Reset();
        App = AppState{};
    }

    // Runs WinMain; the hook sees every pump and should end the session.
    // A session that runs away is ended by a close request.
    static int RunProgram(std::function<void(std::uint64_t)> hook)
    {
        zt::SetAutoAdvance(1, 0);
        zt::SetPumpHook([hook](std::uint64_t pump) {
            hook(pump);
            if (pump == 5000)
                zt::InjectClose();
        });
        const int code = WinMain(zt::ProcessInstance(), nullptr, nullptr, SW_SHOWDEFAULT);
        zt::SetPumpHook(nullptr);
        return code;
    }

    // The window created and the display opened, and the scene set up, as
    // start-up leaves them before the main loop.
    static void StartUp()
    {
        ASSERT_EQ(CreateMainWindow(zt::ProcessInstance(), App.DisplayWidth, App.DisplayHeight,
                                   SW_SHOWDEFAULT),
                  1);
        (void)SetUpScene();
        ASSERT_NE(App.TheLauncher, nullptr);
    }

    // Lets the platform deliver what is queued to the window procedure.
    static void Pump()
    {
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            (void)DispatchMessageA(&msg);
        }
    }

    static void Press(int x, int y)
    {
        zt::SetCursorPos(POINT{x, y});
        zt::InjectLeftButton(true);
        Pump();
    }

    static void Release()
    {
        zt::InjectLeftButton(false);
        Pump();
    }

    static std::vector<std::string> Calls(const std::string &prefix)
    {
        std::vector<std::string> found;
        for (const std::string &line : zt::CallLog())
            if (line.rfind(prefix, 0) == 0)
                found.push_back(line);
        return found;
    }

    // Calls in the log from index `from` on with one of the given names, in
    // order, without their results.
    static std::vector<std::string> Sequence(const std::vector<std::string> &names,
                                             std::ptrdiff_t from = 0)
    {
        const auto log = zt::CallLog();
        std::vector<std::string> found;
        for (std::size_t i = static_cast<std::size_t>(from); i < log.size(); ++i) {
            const std::string name = log[i].substr(0, log[i].find(' '));
            if (std::find(names.begin(), names.end(), name) != names.end())
                found.push_back(log[i].substr(0, log[i].find(" ->")));
        }
        return found;
    }

    // What the first call in the log with the prefix gave back last (the
    // object it made or found, by its name in the log); "" if there is none.
    static std::string ResultOf(const std::string &prefix)
    {
        const std::vector<std::string> found = Calls(prefix);
        return found.empty() ? std::string() : found[0].substr(found[0].rfind(' ') + 1);
    }

    // The index of the first call in the log with the prefix; a failure if
    // there is none.
    static std::ptrdiff_t IndexOf(const std::string &prefix)
    {
        const auto log = zt::CallLog();
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].rfind(prefix, 0) == 0)
                return static_cast<std::ptrdiff_t>(i);
        ADD_FAILURE() << "no " << prefix;
        return -1;
    }
};
