// The kernel's event interface (/dev/input/eventN) for force devices: which
// nodes there are, what each can render, and the calls that upload, play and
// erase effects on one. Linux only.
#pragma once

#include <linux/input.h>

#include <chrono>

#include <string>
#include <vector>

#include "device_kinds.h"

namespace taclib {

struct InputNode {
    std::string path;  // /dev/input/eventN
    std::string name;  // as the driver names it; empty when not opened
    int openError = 0; // errno of a refused open, 0 when it opened
    bool late = false; // did not say what it is by the deadline
    ForceKind kind = ForceKind::None;
    bool hasSpring = false; // FF_SPRING
    bool hasGain = false;   // FF_GAIN
    bool hasAutocentre = false;
    int slots = 0; // EVIOCGEFFECTS
};

// How long the nodes may take to say what they are. A healthy node answers at
// once; one whose driver waits on hardware that hangs must not hold the
// listing up, nor the program's start.
constexpr std::chrono::milliseconds kAnswerDeadline{1000};

// Every event node there is, in the order of their numbers, each opened once
// to read what it is (and closed again). A node that cannot be opened is
// listed with openError set, one that has not answered by kAnswerDeadline
// with late set.
std::vector<InputNode> ListInputNodes();

// An open node, closed when this goes. Only one object owns the node at a
// time: it moves, and is never copied.
class InputDevice {
public:
    InputDevice() = default;
    InputDevice(InputDevice &&other) noexcept;
    InputDevice &operator=(InputDevice &&other) noexcept;
    InputDevice(const InputDevice &) = delete;
    InputDevice &operator=(const InputDevice &) = delete;

    // Opens `path` for force feedback (read and write, never blocking);
    // false with *why set when it cannot be.
    bool Open(const std::string &path, std::string *why);
    ~InputDevice();

    // EVIOCSFF: a new effect (id -1) or a new version of one; the kernel's
    // errno, 0 on success.
    int Upload(ff_effect *effect);
    // EV_FF events: play `count` times (0 stops), gain, autocentre.
    int Play(int id, int count);
    int SetGain(int gain);
    int SetAutocentre(int level);
    // EVIOCRMFF.
    int Erase(int id);

    // Whether the device has gone (unplugged): asked of the descriptor
    // without a request to the driver, so it never waits on the device.
    bool Gone() const;

    int fd() const { return fd_; }

private:
    void Close();
    int Write(unsigned short code, int value);
    int fd_ = -1;
};

} // namespace taclib
