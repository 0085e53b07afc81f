// An open event node has one owner: moving it hands the node over, and the
// node is closed exactly once, by whichever owner holds it last. A node
// pulled out is seen gone without a request to it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>

#include "linux_input.h"
#include "taclib_test_support.h"

namespace {

using taclib::InputDevice;
using taclib_test::ReadLines;
using taclib_test::ScopedEnv;
using taclib_test::ScratchPath;

static_assert(!std::is_copy_constructible<InputDevice>::value &&
                  !std::is_copy_assignable<InputDevice>::value,
              "a copy would close the node twice");

int Count(const std::vector<std::string> &lines, const std::string &call)
{
    int n = 0;
    for (const std::string &line : lines)
        n += line.find(" " + call) != std::string::npos ? 1 : 0;
    return n;
}

TEST(InputDevice, AMovedNodeIsClosedOnceByItsLastOwner)
{
    const std::string log = ScratchPath(".dev");
    (void)std::remove(log.c_str());
    ScopedEnv logEnv("EVDEV_STANDIN_LOG", log);
    ScopedEnv devices("EVDEV_STANDIN_DEVICES", std::string("joystick,mouse"));
    {
        InputDevice first;
        std::string why;
        ASSERT_TRUE(first.Open("/dev/input/event31", &why)) << why;
        InputDevice second(std::move(first));
        EXPECT_LT(first.fd(), 0);
        InputDevice third;
        ASSERT_TRUE(third.Open("/dev/input/event30", &why)) << why;
        third = std::move(second); // event30 closes here, event31 moves on
        EXPECT_EQ(Count(ReadLines(log), "close"), 1);
        // The node still works through its new owner.
        EXPECT_EQ(third.SetGain(0xFFFF), 0);
    }
    const std::vector<std::string> lines = ReadLines(log);
    EXPECT_EQ(Count(lines, "open"), 2);
    EXPECT_EQ(Count(lines, "close"), 2) << testing::PrintToString(lines);
}

// Pulled out right after a play, with nothing asked of it since: gone, and
// the question asked no request of the device. An owner with no node has
// none to use either.
TEST(InputDevice, ANodePulledOutIsSeenGoneWithoutARequest)
{
    const std::string log = ScratchPath(".dev");
    (void)std::remove(log.c_str());
    ScopedEnv logEnv("EVDEV_STANDIN_LOG", log);
    ScopedEnv devices("EVDEV_STANDIN_DEVICES", std::string("joystick"));
    ScopedEnv vanish("EVDEV_STANDIN_VANISH_AFTER_PLAY", std::string("1"));
    InputDevice device;
    std::string why;
    ASSERT_TRUE(device.Open("/dev/input/event31", &why)) << why;
    EXPECT_FALSE(device.Gone());
    ASSERT_EQ(device.Play(0, 1), 0);
    const std::size_t calls = ReadLines(log).size();
    EXPECT_TRUE(device.Gone());
    EXPECT_EQ(ReadLines(log).size(), calls);
    EXPECT_TRUE(InputDevice().Gone());
}

} // namespace
