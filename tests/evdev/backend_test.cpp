// The library's Linux backend against stand-in devices at the kernel
// interface (libevdev_standin, preloaded): the spring values as a force mouse
// receives them, the force a constant-force controller and a rumble pad are
// told as the pointer moves, which device is taken, and what happens when a
// device refuses or goes away. The program's own drag on these devices is
// followed end to end by tests/e2e/device_test.sh.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "process_pointer.h"
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

class LinuxDevice : public testing::Test {
protected:
    LinuxDevice() : deviceLog_(ScratchPath(".dev")), callLog_(ScratchPath(".log"))
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

    // The first device's calls without their numbers.
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

    // The pointer moves (GetCursorPos answers where it is now).
    static void Move(int x, int y) { taclib_test::PlacePointer(x, y); }

    // Waits for the device's calls to satisfy `done`, as the library's
    // follower tells it on its own thread; false after five seconds.
    template <typename Done> bool DeviceShows(Done done) const
    {
        for (int i = 0; i < 500; ++i) {
            if (done(Device()))
                return true;
            SDL_Delay(10);
        }
        return false;
    }

    // The forces uploaded, from CALL lines "upload ... type=TYPE ...", with
    // the part of each line from `from` on.
    Lines Uploads(const char *type, const char *from) const
    {
        Lines found;
        for (const std::string &c : Device()) {
            if (StartsWith(c, "upload") && c.find(std::string("type=") + type) != std::string::npos)
                found.push_back(c.substr(c.find(from)));
        }
        return found;
    }

    static int Count(const Lines &calls, const std::string &prefix)
    {
        int n = 0;
        for (const std::string &c : calls)
            n += StartsWith(c, prefix) ? 1 : 0;
        return n;
    }

    // The library's notes of device calls that failed.
    int Failures() const
    {
        int n = 0;
        for (const std::string &line : ReadLines(callLog_))
            n += line.find(" failed: ") != std::string::npos ? 1 : 0;
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
    ScopedEnv full_{"EVDEV_STANDIN_TABLE_FULL", std::nullopt};
    ScopedEnv vanish_{"EVDEV_STANDIN_VANISH_AFTER_PLAY", std::nullopt};
    ScopedEnv devices_{"EVDEV_STANDIN_DEVICES", std::nullopt};
    int window_ = 0;
};

// The kernel values of each documented spring parameter. Centres map onto
// -32767..32767 across the screen, stiffness -10000..10000 onto coefficients
// -32767..32767, saturation 0..10000 onto 0..65535, and a dead band of half
// the screen onto 65535; each rounds toward zero.
TEST_F(LinuxDevice, SpringValuesOnTheDefaultScreen)
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

TEST_F(LinuxDevice, TheEffectProjectsSpringOnAnotherScreen)
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
// says why once, naming the node, and leaves the device alone for the next try.
TEST_F(LinuxDevice, OpenRefusedRunsWithoutForceAndSaysWhy)
{
    ScopedEnv devices("EVDEV_STANDIN_DEVICES", std::string("refused"));
    ScopedEnv display("DISPLAY", std::nullopt);
    testing::internal::CaptureStderr();
    for (int attempt = 0; attempt < 2; ++attempt) {
        CTacMouse mouse;
        EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
        CTacSpring spring;
        EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "evdev_backend_tests: no force-feedback device; input devices that could not be "
              "opened: /dev/input/event31 (Permission denied): the spring is not felt (zorbel "
              "--devices tells more)\n");
    Lines calls = Device();
    EXPECT_GE(Count(calls, "open rw -> EACCES"), 1);
    EXPECT_EQ(Count(calls, "open rw"), Count(calls, "open rw -> EACCES"));
}

TEST_F(LinuxDevice, NoneLeavesEvenAnAttachedDeviceAlone)
{
    ScopedEnv none("TACLIB_DEVICE", std::string("none"));
    CTacMouse mouse;
    EXPECT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 0);
    EXPECT_EQ(Count(Device(), "open"), 0);
}

TEST_F(LinuxDevice, ARefusedUploadLeavesTheProgramWithoutTheSpring)
{
    ScopedEnv full("EVDEV_STANDIN_TABLE_FULL", std::string("1"));
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1);
    CTacSpring spring;
    EXPECT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 0);
    for (int drag = 0; drag < 3; ++drag) { // later drags find no spring: nothing reaches the device
        EXPECT_EQ(spring.Start(1, 0, 1), 0);
        EXPECT_EQ(spring.Stop(), 0);
    }
    Lines calls = Device();
    EXPECT_EQ(Count(calls, "upload"), 1);
    EXPECT_EQ(Count(calls, "upload id=-1->-1 type=spring"), 1);
    EXPECT_EQ(Count(calls, "event ff play"), 0);
    EXPECT_EQ(Failures(), 1);
}

// Pulled out mid-drag: the release counts as done, a new centre is kept, and
// the next press opens the device again (plugged back) with the spring as it
// is now.
TEST_F(LinuxDevice, ADeviceThatVanishesMidDragIsOpenedAgainAtTheNextPress)
{
    ScopedEnv vanish("EVDEV_STANDIN_VANISH_AFTER_PLAY", std::string("1"));
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1);
    CTacSpring spring;
    ASSERT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 1);
    ASSERT_EQ(spring.Start(1, 0, 1), 1);
    EXPECT_EQ(spring.Stop(), 1);
    EXPECT_EQ(spring.ChangeParameters({10, 10}, 0x80000000, 0x80000000, 0x80000000, 0x80000000,
                                      0x80000000),
              1);
    ASSERT_EQ(spring.Start(1, 0, 1), 1);
    const Lines created = Uploads("spring", "x=");
    ASSERT_EQ(Count(Device(), "upload id=-1"), 2) << testing::PrintToString(Device());
    EXPECT_EQ(Count(Device(), "event ff play"), 2);
    EXPECT_NE(Device().back().find("unplugged"), std::string::npos);
    EXPECT_EQ(created.back(),
              "x=" + Axis(65535, 3276, 0, -32127) + " y=" + Axis(65535, 3276, 0, -31913));
}

// Devices that cannot play a spring are told its force at the pointer: none
// while the spring is stopped, a new one as the pointer moves, none after the
// release. Pulled 200 pixels down the force is 520 up (level 1703, direction
// 0); 200 left as well adds 390 to the right.
TEST_F(LinuxDevice, ControllersAreToldTheForceAtThePointer)
{
    ScopedEnv udev("SDL_JOYSTICK_DISABLE_UDEV", std::string("1"));
    for (const char *kind : {"joystick", "wheel", "pad"}) {
        ScopedEnv devices("EVDEV_STANDIN_DEVICES", std::string(kind));
        (void)std::remove(deviceLog_.c_str());
        Move(512, 384);
        const std::string type =
            std::string("type=") + (std::string(kind) == "pad" ? "rumble" : "constant");
        auto uploads = [&type](std::size_t n) {
            return [&type, n](const Lines &calls) {
                return static_cast<std::size_t>(
                           std::count_if(calls.begin(), calls.end(), [&type](const std::string &c) {
                               return StartsWith(c, "upload") && c.find(type) != std::string::npos;
                           })) >= n;
            };
        };
        {
            CTacMouse mouse;
            ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1) << kind;
            CTacSpring spring;
            ASSERT_EQ(spring.Initialize(&mouse, 1000, 10000, 0, 3, {512, 384}, 0, 0, 0, 0), 1);
            Move(512, 584); // at rest: nothing plays
            ASSERT_EQ(spring.Start(1, 0, 1), 1);
            ASSERT_TRUE(DeviceShows(uploads(1))) << kind;
            Move(312, 584);
            ASSERT_TRUE(DeviceShows(uploads(2))) << kind;
            Move(312, 584); // no change, nothing sent
            EXPECT_EQ(spring.Stop(), 1);
            if (std::string(kind) == "pad")
                ASSERT_TRUE(DeviceShows(uploads(3))) << kind;
            else
                ASSERT_TRUE(DeviceShows([](const Lines &c) {
                    return Count(c, "event ff stop") == 1;
                })) << kind;
            Move(512, 384);
        }
        if (std::string(kind) == "pad") {
            // 520 and 650 of the saturation 10000, as motor speeds of 65535.
            EXPECT_EQ(Uploads("rumble", "strong"),
                      (Lines{"strong=3407 weak=3407", "strong=4259 weak=4259", "strong=0 weak=0"}))
                << kind;
        } else {
            EXPECT_EQ(Uploads("constant", "dir"),
                      (Lines{"dir=0x0000 length=32767 delay=0 level=1703",
                             "dir=0x1a38 length=32767 delay=0 level=2129"}))
                << kind;
            const Lines calls = Device();
            EXPECT_EQ(Count(calls, "event ff play"), 1) << kind;
            EXPECT_EQ(Count(calls, "event ff stop"), 1) << kind;
            EXPECT_EQ(Count(calls, "erase"), 1) << kind;
        }
    }
}

// A force mouse before a constant-force controller before a rumble pad.
TEST_F(LinuxDevice, TheBestDeviceIsTaken)
{
    ScopedEnv udev("SDL_JOYSTICK_DISABLE_UDEV", std::string("1"));
    const struct {
        const char *devices, *taken;
    } cases[] = {{"pad,joystick,mouse", "test force-feedback mouse"},
                 {"pad,wheel", "test wheel"},
                 {"refused,pad", "test rumble pad"}};
    for (const auto &c : cases) {
        ScopedEnv devices("EVDEV_STANDIN_DEVICES", std::string(c.devices));
        (void)std::remove(callLog_.c_str());
        CTacMouse mouse;
        ASSERT_EQ(mouse.Initialize(nullptr, &window_, 4, 1), 1) << c.devices;
        const Lines log = ReadLines(callLog_);
        EXPECT_EQ(std::count_if(
                      log.begin(), log.end(),
                      [](const std::string &l) { return l.find(" open ") != std::string::npos; }),
                  1)
            << c.devices;
        EXPECT_NE(testing::PrintToString(log).find(c.taken), std::string::npos)
            << c.devices << ": " << testing::PrintToString(log);
    }
}

} // namespace
