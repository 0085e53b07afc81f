// A constant-force controller (force joystick, wheel) at the kernel's event
// interface, told the spring's force at the pointer as an FF_CONSTANT effect.
#include <linux/input.h>

#include <cmath>
#include <cstring>

#include "linux_devices.h"

namespace taclib {

namespace {

constexpr std::int32_t kLevelFull = 0x7FFF;

// A constant force, as the kernel's memoryless drivers read one: along the
// direction d (0..0xFFFF for a full turn) a level L pushes x = L sin(d) and
// y = -L cos(d), x to the right and y down. A wheel takes x.
class ConstantOutput : public ForceOutput {
public:
    ConstantOutput(InputDevice device, const InputNode &node) : device_(std::move(device))
    {
        Prepare(device_, node);
    }

    ~ConstantOutput() override
    {
        if (id_ >= 0)
            (void)device_.Erase(id_);
    }

    bool Render(Force force, std::uint32_t) override
    {
        if (force == Force{}) {
            if (!playing_)
                return true;
            playing_ = false;
            return Check("stop", device_.Play(id_, 0));
        }
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_CONSTANT;
        effect.id = static_cast<__s16>(id_);
        effect.direction = Direction(force);
        effect.replay.length = kLongestMs;
        effect.u.constant.level =
            static_cast<__s16>(std::int64_t{ForceStrength(force)} * kLevelFull / kMaxLevel);
        if (!Check("upload", device_.Upload(&effect)))
            return false;
        id_ = effect.id;
        if (playing_)
            return true;
        playing_ = true;
        return Check("play", device_.Play(id_, kUntilStopped));
    }

    // Found by the follower at its next write, or by anyone at once.
    bool Lost() const override { return lost_ || device_.Gone(); }

private:
    // The kernel's direction of a force, from x = L sin(d), y = -L cos(d).
    static std::uint16_t Direction(Force f)
    {
        const double turn = std::atan2(static_cast<double>(f.x), -static_cast<double>(f.y));
        const double units = std::round(turn / (2 * M_PI) * 65536.0);
        return static_cast<std::uint16_t>(static_cast<std::int64_t>(units) & 0xFFFF);
    }

    bool Check(const char *call, int error) { return Succeeded(call, error, &lost_); }

    InputDevice device_;
    int id_ = -1;
    bool playing_ = false;
    std::atomic<bool> lost_{false};
};

} // namespace

std::unique_ptr<Backend> OpenConstant(const InputNode &node, std::string *why)
{
    InputDevice device;
    if (!device.Open(node.path, why))
        return nullptr;
    return FollowOutput(std::make_unique<ConstantOutput>(std::move(device), node));
}

} // namespace taclib
