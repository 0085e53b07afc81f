// SDL's joystick layer on the stand-in devices (libevdev_standin, preloaded
// with event31 the mouse, event30 the joystick, event29 the wheel, event28
// the pad and event27 a node that cannot be opened, found without udev):
// which SDL takes for joysticks, game controllers and haptic devices, input
// scripted through the control FIFO, rumble as the node receives it, and a
// pad pulled out and plugged in again.
#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

const char *const kJoystick = "Zorbel test force joystick";
const char *const kPad = "Zorbel test rumble pad";

// One line to the control FIFO, opened and closed as a shell's echo does.
void Send(const std::string &line)
{
    std::ofstream(std::getenv("EVDEV_STANDIN_CONTROL")) << line << '\n';
}

// Whether a line of the device log holds TEXT.
bool Logged(const std::string &text)
{
    std::ifstream in(std::getenv("EVDEV_STANDIN_LOG"));
    for (std::string line; std::getline(in, line);) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// Pumps SDL's events until `done` holds, for at most 10 s: without udev SDL
// looks for new devices every 3 s.
bool WaitUntil(const std::function<bool(const SDL_Event &)> &done)
{
    const Uint32 deadline = SDL_GetTicks() + 10000;
    SDL_Event event{};
    while (!SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) {
        if (done(SDL_WaitEventTimeout(&event, 20) != 0 ? event : SDL_Event{}))
            return true;
    }
    return false;
}

int Index(const char *name)
{
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (std::string(SDL_JoystickNameForIndex(i)) == name)
            return i;
    }
    return -1;
}

class SdlKinds : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("EVDEV_STANDIN_CONTROL"), nullptr) << "run through ctest";
        (void)std::remove(std::getenv("EVDEV_STANDIN_LOG"));
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_HAPTIC), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};

TEST_F(SdlKinds, JoysticksControllersAndHapticDevices)
{
    struct Kind {
        const char *name, *path;
        int axes, hats, buttons;
        bool controller, rumble;
    };
    const Kind kinds[] = {
        {kJoystick, "/dev/input/event30", 3, 0, 4, false, true}, // the kernel adds rumble
        {"Zorbel test wheel", "/dev/input/event29", 3, 0, 4, false, false},
        {kPad, "/dev/input/event28", 6, 1, 11, true, true},
    };
    EXPECT_EQ(SDL_NumJoysticks(), 3); // neither the mouse nor the node that cannot be opened
    for (const Kind &kind : kinds) {
        const int index = Index(kind.name);
        ASSERT_GE(index, 0) << kind.name;
        EXPECT_STREQ(SDL_JoystickPathForIndex(index), kind.path);
        EXPECT_EQ(SDL_IsGameController(index) == SDL_TRUE, kind.controller) << kind.name;
        SDL_Joystick *stick = SDL_JoystickOpen(index);
        ASSERT_NE(stick, nullptr) << SDL_GetError();
        EXPECT_EQ(SDL_JoystickNumAxes(stick), kind.axes) << kind.name;
        EXPECT_EQ(SDL_JoystickNumHats(stick), kind.hats) << kind.name;
        EXPECT_EQ(SDL_JoystickNumButtons(stick), kind.buttons) << kind.name;
        EXPECT_EQ(SDL_JoystickHasRumble(stick) == SDL_TRUE, kind.rumble) << kind.name;
        SDL_JoystickClose(stick);
    }
    EXPECT_EQ(SDL_NumHaptics(), 4); // every device with force that can be opened
    EXPECT_TRUE(Logged("event27 open r -> EACCES"));
}

TEST_F(SdlKinds, ScriptedInputAndRumble)
{
    SDL_GameController *pad = SDL_GameControllerOpen(Index(kPad));
    SDL_Joystick *stick = SDL_JoystickOpen(Index(kJoystick));
    ASSERT_TRUE(pad != nullptr && stick != nullptr) << SDL_GetError();
    Send("event28 abs 0 16000");
    Send("event28 syn");
    EXPECT_TRUE(WaitUntil([](const SDL_Event &e) {
        return e.type == SDL_CONTROLLERAXISMOTION && e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX &&
               e.caxis.value == 16000;
    }));
    Send("event28 key 304 1"); // BTN_SOUTH
    Send("event28 syn");
    EXPECT_TRUE(WaitUntil([](const SDL_Event &e) {
        return e.type == SDL_CONTROLLERBUTTONDOWN && e.cbutton.button == SDL_CONTROLLER_BUTTON_A;
    }));
    const SDL_JoystickID id = SDL_JoystickInstanceID(stick);
    Send("event30 abs 1 -32767"); // the stick fully forward
    EXPECT_TRUE(WaitUntil([id](const SDL_Event &e) {
        return e.type == SDL_JOYAXISMOTION && e.jaxis.which == id && e.jaxis.axis == 1 &&
               e.jaxis.value == -32768;
    }));

    // Rumble reaches the pad's node as FF_RUMBLE, played, and ends with its duration.
    ASSERT_EQ(SDL_GameControllerRumble(pad, 0xC000, 0x4000, 200), 0) << SDL_GetError();
    EXPECT_TRUE(Logged("event28 upload id=-1->0 type=rumble length=65535 strong=49152 weak=16384"));
    EXPECT_TRUE(Logged("event28 event ff play id=0 count=1"));
    EXPECT_TRUE(WaitUntil([](const SDL_Event &) {
        return Logged("event28 upload id=0->0 type=rumble length=65535 strong=0 weak=0");
    }));
    SDL_GameControllerClose(pad);
    SDL_JoystickClose(stick);
}

TEST_F(SdlKinds, APadPulledOutAndPluggedInAgain)
{
    SDL_GameController *pad = SDL_GameControllerOpen(Index(kPad));
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
    Send("unplug event28");
    EXPECT_TRUE(WaitUntil([id](const SDL_Event &e) {
        return e.type == SDL_JOYDEVICEREMOVED && e.jdevice.which == id;
    }));
    EXPECT_EQ(Index(kPad), -1);
    SDL_GameControllerClose(pad);
    Send("plug event28");
    EXPECT_TRUE(WaitUntil([](const SDL_Event &e) {
        return e.type == SDL_JOYDEVICEADDED && Index(kPad) == e.jdevice.which;
    }));
    EXPECT_TRUE(SDL_IsGameController(Index(kPad)));
}

// A program using the kernel interface itself: the wheel advertises and takes
// a constant force, and refuses a spring as the kernel does.
TEST_F(SdlKinds, TheWheelAtTheKernelInterface)
{
    const int fd = open("/dev/input/event29", O_RDWR);
    ASSERT_GE(fd, 0);
    unsigned char bits[FF_CNT / 8] = {};
    EXPECT_EQ(ioctl(fd, EVIOCGBIT(EV_FF, sizeof bits), bits), static_cast<int>(sizeof bits));
    EXPECT_TRUE(bits[FF_CONSTANT / 8] & (1 << FF_CONSTANT % 8));
    EXPECT_FALSE(bits[FF_SPRING / 8] & (1 << FF_SPRING % 8));
    ff_effect effect{};
    effect.type = FF_SPRING;
    effect.id = -1;
    EXPECT_EQ(ioctl(fd, EVIOCSFF, &effect), -1);
    EXPECT_EQ(errno, EINVAL);
    effect.type = FF_CONSTANT;
    effect.direction = 0x4000;
    effect.replay.length = 100;
    effect.u.constant.level = -1234;
    ASSERT_EQ(ioctl(fd, EVIOCSFF, &effect), 0);
    input_event play{};
    play.type = EV_FF;
    play.code = static_cast<__u16>(effect.id);
    play.value = 1;
    EXPECT_EQ(write(fd, &play, sizeof play), static_cast<ssize_t>(sizeof play));
    close(fd);
    EXPECT_TRUE(Logged("event29 upload id=-1->-1 type=spring dir=0x0000 length=0 delay=0 x="));
    EXPECT_TRUE(Logged("event29 upload id=-1->0 type=constant dir=0x4000 length=100 delay=0 "
                       "level=-1234"));
    EXPECT_TRUE(Logged("event29 event ff play id=0 count=1"));
}

} // namespace
