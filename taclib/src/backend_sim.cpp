// The simulated device: plays effects on no hardware, for trying effects and
// for tests. What it plays is visible as notes in the call log.
#include <map>

#include "backend.h"
#include "call_log.h"
#include "process_screen.h"

namespace taclib {

namespace {

constexpr unsigned long kSimCapacity = 64;

std::string Describe(const SpringParams &p)
{
    return "centre=" + std::to_string(p.centreX) + "," + std::to_string(p.centreY) +
           " stiffness=" + std::to_string(p.stiffness) +
           " saturation=" + std::to_string(p.saturation) +
           " deadband=" + std::to_string(p.deadband) + " axes=" + std::to_string(p.axes) +
           " trim=" + std::to_string(p.trimX) + "," + std::to_string(p.trimY) +
           " duration=" + std::to_string(p.durationMs);
}

class SimBackend : public Backend {
public:
    explicit SimBackend(const OpenRequest &request)
    {
        if (!ScreenOverride(&screen_))
            screen_ = kDefaultScreen;
        LogNote("sim open screen=" + std::to_string(screen_.width) + "x" +
                std::to_string(screen_.height) +
                " foreground=" + (request.foregroundOnly ? "1" : "0"));
    }

    ~SimBackend() override
    {
        while (!effects_.empty())
            Destroy(effects_.begin()->first);
        LogNote("sim close");
    }

    ScreenSize Screen() override { return screen_; }

    unsigned long Capacity() override { return kSimCapacity; }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        *id = next_++;
        effects_[*id] = false;
        Note(*id, "create " + Describe(p));
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        if (effects_.count(id) == 0)
            return false;
        Note(id, "update " + Describe(p));
        return true;
    }

    bool Start(EffectId id, const SpringParams &, const StartParams &s) override
    {
        if (effects_.count(id) == 0)
            return false;
        if (s.solo)
            StopOthers(id);
        effects_[id] = true;
        Note(id, "start iterations=" + std::to_string(s.iterations) +
                     " delay=" + std::to_string(s.delayMs) + " solo=" + (s.solo ? "1" : "0"));
        return true;
    }

    bool Stop(EffectId id) override
    {
        auto it = effects_.find(id);
        if (it == effects_.end())
            return false;
        it->second = false;
        Note(id, "stop");
        return true;
    }

    void Destroy(EffectId id) override
    {
        if (effects_.erase(id) != 0)
            Note(id, "destroy");
    }

private:
    static void Note(EffectId id, const std::string &what)
    {
        LogNote("sim spring " + std::to_string(id) + " " + what);
    }

    void StopOthers(EffectId id)
    {
        for (auto &[other, playing] : effects_) {
            if (other != id && playing)
                (void)Stop(other);
        }
    }

    ScreenSize screen_;
    std::map<EffectId, bool> effects_; // id -> playing
    EffectId next_ = 1;
};

} // namespace

std::unique_ptr<Backend> OpenSimulatedBackend(const OpenRequest &request, std::string *)
{
    return std::make_unique<SimBackend>(request);
}

} // namespace taclib
