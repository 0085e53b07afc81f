// A device that may be replaced while the program runs (see backend.h).
#include <map>

#include "backend.h"
#include "call_log.h"

namespace taclib {

namespace {

class ReplaceableBackend : public Backend {
public:
    ReplaceableBackend(BackendOpener open, std::unique_ptr<Backend> first)
        : open_(std::move(open)), device_(std::move(first))
    {
    }

    ScreenSize Screen() override { return device_ ? device_->Screen() : kDefaultScreen; }
    unsigned long Capacity() override { return device_ ? device_->Capacity() : 1; }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        Held held{p, 0, false};
        if (device_ && !device_->CreateSpring(p, &held.deviceId))
            return false;
        held.onDevice = device_ != nullptr;
        *id = next_++;
        springs_[*id] = held;
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        Held *held = Find(id);
        if (held == nullptr)
            return false;
        held->params = p;
        // A device that is gone gets the values when one replaces it.
        return !held->onDevice || device_->UpdateSpring(held->deviceId, p) || device_->Lost();
    }

    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        Held *held = Find(id);
        if (held == nullptr)
            return false;
        held->params = p;
        if (!device_ || device_->Lost())
            Replace();
        held = Find(id);
        return held != nullptr && held->onDevice && device_->Start(held->deviceId, p, s);
    }

    bool Stop(EffectId id) override
    {
        Held *held = Find(id);
        if (held == nullptr)
            return false;
        // Nothing plays on a device that is gone.
        return !held->onDevice || device_->Stop(held->deviceId) || device_->Lost();
    }

    void Destroy(EffectId id) override
    {
        Held *held = Find(id);
        if (held == nullptr)
            return;
        if (held->onDevice)
            device_->Destroy(held->deviceId);
        springs_.erase(id);
    }

private:
    struct Held {
        SpringParams params;
        EffectId deviceId;
        bool onDevice;
    };

    Held *Find(EffectId id)
    {
        auto it = springs_.find(id);
        return it != springs_.end() ? &it->second : nullptr;
    }

    // Lets the lost device go and gives the springs to whichever opens now.
    void Replace()
    {
        device_.reset();
        for (auto &entry : springs_)
            entry.second.onDevice = false;
        std::string why;
        device_ = open_(&why);
        if (!device_) {
            LogNote("no device to replace the lost one: " + why);
            return;
        }
        LogNote("a device replaces the lost one");
        for (auto &entry : springs_) {
            Held &held = entry.second;
            held.onDevice = device_->CreateSpring(held.params, &held.deviceId);
        }
    }

    BackendOpener open_;
    std::unique_ptr<Backend> device_;
    std::map<EffectId, Held> springs_;
    EffectId next_ = 1;
};

} // namespace

std::unique_ptr<Backend> OpenReplaceable(BackendOpener open, std::string *why)
{
    std::unique_ptr<Backend> first = open(why);
    if (!first)
        return nullptr;
    return std::make_unique<ReplaceableBackend>(std::move(open), std::move(first));
}

} // namespace taclib
