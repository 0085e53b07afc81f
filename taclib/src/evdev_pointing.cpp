// A force-feedback pointing device at the kernel's event interface: it plays
// the spring itself, as an FF_SPRING condition.
#include <linux/input.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "linux_devices.h"
#include "process_screen.h"

namespace taclib {

namespace {

// The kernel's condition units: positions and coefficients in +-0x7FFF,
// saturation in 0..0xFFFF, a deadband of 0xFFFF reaching from the centre to
// the end of the axis.
constexpr std::int32_t kPositionHalf = 0x7FFF;
constexpr std::int32_t kCoefficientFull = 0x7FFF;
constexpr std::int32_t kSaturationFull = 0xFFFF;
constexpr std::int32_t kDeadbandHalf = 0xFFFF;
// A condition along the horizontal axis: some devices apply an effect's
// direction to conditions too, and read 0 as no force at all.
constexpr std::uint16_t kConditionDirection = 0x4000;

class PointingBackend : public Backend {
public:
    PointingBackend(InputDevice device, const InputNode &node)
        : device_(std::move(device)), slots_(node.slots)
    {
        Prepare(device_, node);
    }

    ~PointingBackend() override
    {
        for (EffectId id : effects_)
            (void)device_.Erase(id);
    }

    ScreenSize Screen() override { return ProcessScreen(); }
    unsigned long Capacity() override
    {
        return slots_ > 0 ? static_cast<unsigned long>(slots_) : 1;
    }
    bool Lost() override { return lost_ || device_.Gone(); }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        ff_effect effect = MakeEffect(p, -1, 0);
        if (!Check("upload", device_.Upload(&effect)))
            return false;
        effects_.insert(effect.id);
        *id = effect.id;
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        ff_effect effect = MakeEffect(p, id, 0);
        return Check("upload", device_.Upload(&effect));
    }

    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        ff_effect effect = MakeEffect(p, id, static_cast<std::uint16_t>(s.delayMs));
        if (!Check("upload", device_.Upload(&effect)))
            return false;
        if (s.solo) {
            for (EffectId other : effects_)
                if (!Check("stop", device_.Play(other, 0)))
                    return false;
        }
        const bool forever = p.durationMs == 0 || s.iterations == kInfiniteIterations ||
                             s.iterations > static_cast<std::uint32_t>(kUntilStopped);
        return Check("play",
                     device_.Play(id, forever ? kUntilStopped : static_cast<int>(s.iterations)));
    }

    bool Stop(EffectId id) override { return Check("stop", device_.Play(id, 0)); }

    void Destroy(EffectId id) override
    {
        if (effects_.erase(id) != 0)
            (void)Check("erase", device_.Erase(id));
    }

private:
    bool Check(const char *call, int error) { return Succeeded(call, error, &lost_); }

    static ff_effect MakeEffect(const SpringParams &p, int id, std::uint16_t delayMs)
    {
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_SPRING;
        effect.id = static_cast<__s16>(id);
        effect.direction = kConditionDirection;
        effect.replay.length =
            p.durationMs == 0
                ? kLongestMs
                : static_cast<std::uint16_t>(std::min<std::uint32_t>(p.durationMs, kLongestMs));
        effect.replay.delay = delayMs;
        const ScreenSize screen = ProcessScreen();
        const std::int64_t centre[2] = {EffectiveCentreX(p), EffectiveCentreY(p)};
        const std::int32_t extent[2] = {screen.width, screen.height};
        for (int axis = 0; axis < 2; ++axis) {
            if ((p.axes & (1u << axis)) == 0)
                continue; // no force along an axis left out
            ff_condition_effect &c = effect.u.condition[axis];
            c.right_saturation = c.left_saturation = static_cast<__u16>(
                MapLevel(static_cast<std::int32_t>(p.saturation), kSaturationFull));
            c.right_coeff = c.left_coeff =
                static_cast<__s16>(MapLevel(p.stiffness, kCoefficientFull));
            c.deadband =
                static_cast<__u16>(MapDistance(p.deadband, extent[axis], kDeadbandHalf, 0xFFFF));
            c.center = static_cast<__s16>(MapPosition(centre[axis], extent[axis], kPositionHalf));
        }
        return effect;
    }

    InputDevice device_;
    int slots_;
    std::set<EffectId> effects_;
    std::atomic<bool> lost_{false};
};

} // namespace

std::unique_ptr<Backend> OpenPointing(const InputNode &node, std::string *why)
{
    InputDevice device;
    if (!device.Open(node.path, why))
        return nullptr;
    return std::make_unique<PointingBackend>(std::move(device), node);
}

} // namespace taclib
