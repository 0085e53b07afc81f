// The library's SDL backend against a force-feedback mouse at the kernel
// interface (libevdev_standin, preloaded): the spring values as the kernel
// receives them, and what happens when the device refuses or goes away. The
// program's own drag, on this device and on a screen larger than its mode, is
// followed end to end by tests/e2e/device_test.sh.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

using taclib_test::ReadLines;
using taclib_test::ScopedEnv;
using taclib_test::ScratchPath;
using taclib_test::WriteFile;
using Lines = std::vector<std::string>;

// One axis of a condition as the device log shows it.
std::string Axis(unsigned saturation, int coefficient, unsigned deadband, int centre)
{
    char text[128];
    std::snprintf(text, sizeof text, "rsat:%u,lsat:%u,rcoeff:%d,lcoeff:%d,deadband:%u,centre:%d",
                  saturation, saturation, coefficient, coefficient, deadband, centre);
    return text;
}

const std::string kNoForce = Axis(0, 0, 0, 0);

bool StartsWith(const std::string &s, const std::string &prefix) { return s.rfind(prefix, 0) == 0; }

class SdlDevice : public testing::Test {
protected:
    SdlDevice() : deviceLog_(ScratchPath(".dev")), callLog_(ScratchPath(".log"))
    {
        (void)std::remove(deviceLog_.c_str());
        (void)std::remove(callLog_.c_str());
    }

    void SetUp() override
    {
        struct stat st;
        // Without the preload there is no device to talk to: say so, not "no haptic device".
        ASSERT_EQ(::stat("/dev/input/event31", &st), 0)
            << "run with LD_PRELOAD naming libevdev_standin.so";
    }

    // The mouse's calls without their numbers.
    Lines Device() const
    {
        Lines calls;
        for (const std::string &line : ReadLines(deviceLog_)) {
            const std::size_t node = line.find(' ') + 1;
            if (line.compare(node, 8, "event31 ") == 0)
                calls.push_back(line.substr(node + 8));
        }
        return calls;
    }

    static int Count(const Lines &calls, const std::string &prefix)
    {
        int n = 0;
        for (const std::string &c : calls)
            n += StartsWith(c, prefix) ? 1 : 0;
        return n;
    }

    // The library's notes of SDL calls that failed.
    int SdlFailures() const
    {
        int n = 0;
        for (const std::string &line : ReadLines(callLog_))
            n += StartsWith(line, "  sdl ") && line.find(" failed: ") != std::string::npos ? 1 : 0;
        return n;
    }

    // Makes a spring with `make` on a fresh device and returns the upload
    // that created it (empty when there was none).
    template <typename Make> std::string CreationUpload(Make make)
    {
        (void)std::remove(deviceLog_.c_str());
        CTacMouse mouse;
        EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1);
        CTacSpring spring;
        EXPECT_EQ(make(mouse, spring), 1);
        for (const std::string &c : Device()) {
            if (StartsWith(c, "upload id=-1"))
                return c;
        }
        return "";
    }

    // A spring made with Initialize from these values.
    struct Values {
        long stiffness = 1000;
        unsigned long saturation = 10000, deadband = 0, axes = 3;
        POINT centre{512, 384};
        long trimX = 0, trimY = 0;
        unsigned long duration = 0;
        int operator()(CTacMouse &m, CTacSpring &s) const
        {
            return s.Initialize(&m, stiffness, saturation, deadband, axes, centre, trimX, trimY, 0,
                                duration);
        }
    };

    const std::string deviceLog_;
    const std::string callLog_;
    ScopedEnv log_{"EVDEV_STANDIN_LOG", deviceLog_};
    ScopedEnv callLogEnv_{"TACLIB_LOG", callLog_};
    ScopedEnv device_{"TACLIB_DEVICE", std::nullopt};
    ScopedEnv screen_{"TACLIB_SCREEN", std::nullopt};
    ScopedEnv refuse_{"EVDEV_STANDIN_REFUSE_OPEN", std::nullopt};
    ScopedEnv full_{"EVDEV_STANDIN_TABLE_FULL", std::nullopt};
    ScopedEnv vanish_{"EVDEV_STANDIN_VANISH_AFTER_PLAY", std::nullopt};
    int window_ = 0;
};

// The kernel values of each documented spring parameter. Centres map onto
// -32767..32767 across the screen, stiffness -10000..10000 onto coefficients
// -32767..32767, saturation 0..10000 onto 0..65535, and a dead band of half
// the screen onto 65535; each rounds toward zero.
TEST_F(SdlDevice, SpringValuesOnTheDefaultScreen)
{
    // No display: the screen is 1024 x 768, its middle the rest centre.
    const std::string centred = Axis(65535, 3276, 0, 0);
    struct Case {
        const char *what;
        Values values;
        std::string upload;
    };
    const Case cases[] = {
        {"the built-in spring", {}, " x=" + centred + " y=" + centred},
        {"a quarter right of and above the middle",
         {1000, 10000, 0, 3, {768, 192}},
         "centre:16383 y=" + Axis(65535, 3276, 0, -16383)},
        {"off the screen: its edge",
         {1000, 10000, 0, 3, {-50, 5000}},
         "centre:-32767 y=" + Axis(65535, 3276, 0, 32767)},
        {"pushing away, with dead band, trim and duration",
         {-2500, 8000, 4, 3, {500, 400}, 12, -16, 1500},
         "length=1500 delay=0 x=" + Axis(52428, -8191, 511, 0) +
             " y=" + Axis(52428, -8191, 682, 0)},
        {"the ends of the ranges",
         {10000, 0, 10000, 3},
         "x=" + Axis(0, 32767, 65535, 0) + " y=" + Axis(0, 32767, 65535, 0)},
        {"x only: no force on y", {1000, 10000, 0, 1}, "x=" + centred + " y=" + kNoForce},
        {"y only: no force on x", {1000, 10000, 0, 2}, "x=" + kNoForce + " y=" + centred},
    };
    for (const Case &c : cases) {
        const std::string up = CreationUpload(c.values);
        EXPECT_NE(up.find(c.upload), std::string::npos) << c.what << ": " << up;
    }
}

TEST_F(SdlDevice, TheEffectProjectsSpringOnAnotherScreen)
{
    ScopedEnv screen("TACLIB_SCREEN", std::string("800x600"));
    const std::string path =
        WriteFile(".hkr", "[effect spring]\ntype = spring\nstiffness = 2500\nsaturation = 8000\n"
                          "deadband = 4\naxes = y\n");
    std::string up = CreationUpload([&path](CTacMouse &m, CTacSpring &s) {
        CTacProject project;
        return project.OpenFile(path.c_str(), &m) != 0
                   ? s.InitializeFromProject(project, "spring", nullptr, 0)
                   : 0;
    });
    // Centred on the middle of 800 x 600; 4 pixels of 600 are 873 of 65535 per half.
    EXPECT_NE(up.find("x=" + kNoForce + " y=" + Axis(52428, 8191, 873, 0)), std::string::npos)
        << up;
    up = CreationUpload(Values{1000, 10000, 0, 3, {600, 150}});
    EXPECT_NE(up.find("centre:16383 y=" + Axis(65535, 3276, 0, -16383)), std::string::npos) << up;
}

// No device that can be opened, as no device at all: Initialize fails without
// blocking (the test's timeout is the deadline), with or without a display,
// and leaves SDL as it found it for the next try. The node is another
// group's, or the device refuses every open.
TEST_F(SdlDevice, OpenRefusedRunsWithoutForce)
{
    ScopedEnv display("DISPLAY", std::nullopt);
    ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    for (const char *refuse : {"0", "1"}) {
        ScopedEnv kind("EVDEV_STANDIN_DEVICES", std::string(*refuse == '0' ? "refused" : "mouse"));
        ScopedEnv all("EVDEV_STANDIN_REFUSE_OPEN", std::string(refuse));
        (void)std::remove(deviceLog_.c_str());
        for (int attempt = 0; attempt < 2; ++attempt) {
            CTacMouse mouse;
            EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
            CTacSpring spring;
            EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 0);
            EXPECT_EQ(spring.Start(1, 0, 1), 0);
        }
        Lines calls = Device();
        EXPECT_GE(Count(calls, "open rw -> EACCES"), 1) << refuse;
        EXPECT_EQ(Count(calls, "open rw"), Count(calls, "open rw -> EACCES"));
        EXPECT_EQ(SDL_WasInit(SDL_INIT_HAPTIC), 0u);
    }
}

TEST_F(SdlDevice, NoneLeavesEvenAnAttachedDeviceAlone)
{
    ScopedEnv none("TACLIB_DEVICE", std::string("none"));
    CTacMouse mouse;
    EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
    EXPECT_EQ(Count(Device(), "open"), 0);
}

TEST_F(SdlDevice, ARefusedUploadLeavesTheProgramWithoutTheSpring)
{
    ScopedEnv full("EVDEV_STANDIN_TABLE_FULL", std::string("1"));
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1);
    CTacSpring spring;
    EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 0);
    for (int drag = 0; drag < 3;
         ++drag) { // later drags find no spring, and say nothing to the device
        EXPECT_EQ(spring.Start(1, 0, 1), 0);
        EXPECT_EQ(spring.Stop(), 0);
    }
    Lines calls = Device();
    EXPECT_EQ(Count(calls, "upload"), 1);
    EXPECT_EQ(Count(calls, "upload id=-1->-1 type=spring"), 1);
    EXPECT_EQ(Count(calls, "event ff play"), 0);
    EXPECT_EQ(SdlFailures(), 1);
}

TEST_F(SdlDevice, TheDeviceVanishingMidDrag)
{
    ScopedEnv vanish("EVDEV_STANDIN_VANISH_AFTER_PLAY", std::string("1"));
    {
        CTacMouse mouse;
        ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1);
        CTacSpring spring;
        ASSERT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 1);
        ASSERT_EQ(spring.Start(1, 0, 1), 1);
        EXPECT_EQ(spring.Stop(), 0); // the release finds the device gone
        for (int drag = 0; drag < 3; ++drag) {
            EXPECT_EQ(spring.Start(1, 0, 1), 0);
            EXPECT_EQ(spring.Stop(), 0);
        }
        EXPECT_EQ(spring.ChangeParameters({10, 10}, 1000, 10000, 0, 0, 0), 0);
    }
    Lines calls = Device();
    // Each call after the loss reaches the device once and fails once; none is retried.
    int failed = 0;
    for (const std::string &c : calls)
        failed += c.find(" -> ENODEV") != std::string::npos ? 1 : 0;
    EXPECT_EQ(failed, 9) << testing::PrintToString(calls); // 1 + 3 x 2 + 1 change + 1 erase
    EXPECT_EQ(Count(calls, "event ff play"), 1);
    EXPECT_EQ(calls.back(), "close");
    EXPECT_EQ(SdlFailures(), 8); // the erase at shutdown is not a call of the program's
}

} // namespace
