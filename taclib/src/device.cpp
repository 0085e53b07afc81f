#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "backend.h"
#include "call_log.h"
#include "common/text.h"
#include "tac_state.h"

using taclib::CallLog;
using taclib::LogNote;

namespace {

constexpr unsigned long kMaxSlots = 64;

// Null when the device opened, otherwise why not.
std::string OpenDevice(TacDeviceState *state, void *instance, void *window, unsigned long slots,
                       int foregroundOnly)
{
    if (state->core)
        return "the device is already initialised";
    if (window == nullptr)
        return "no window";
    if (slots < 1 || slots > kMaxSlots)
        return "effect slots must be between 1 and 64";
    std::string why;
    std::unique_ptr<taclib::Backend> backend =
        taclib::OpenBackend({instance, window, foregroundOnly != 0}, &why);
    if (!backend)
        return why;
    auto core = std::make_shared<taclib::DeviceCore>();
    core->slots = std::min(slots, backend->Capacity());
    core->backend = std::move(backend);
    state->core = std::move(core);
    return {};
}

} // namespace

CTacDevice::CTacDevice() : state_(new TacDeviceState) {}

CTacDevice::~CTacDevice() { delete state_; }

CTacMouse::CTacMouse() { CallLog("CTacMouse", "CTacMouse"); }

CTacMouse::~CTacMouse()
{
    CallLog log("CTacMouse", "~CTacMouse");
    // Released here, inside the logged call, so that the device's own notes
    // follow this line.
    TacAccess::State(this)->core.reset();
}

int CTacMouse::DescribeDevices(char *text, unsigned long size)
{
    CallLog log("CTacMouse", "DescribeDevices");
    log.Pointer(text).Unsigned(size);
    std::string description;
    const char *choice = std::getenv("TACLIB_DEVICE");
    if (choice != nullptr && *choice != '\0')
        description = "TACLIB_DEVICE=" + zorbel::Quoted(choice, '"', taclib::kShownChoice) +
                      ": the program uses no device of these\n";
    description += taclib::DescribeDevices();
    if (text == nullptr || description.size() >= size)
        return log.Result(0);
    std::memcpy(text, description.c_str(), description.size() + 1);
    return log.Result(1);
}

int CTacMouse::Initialize(void *instance, void *window, unsigned long effectSlots,
                          int foregroundOnly)
{
    CallLog log("CTacMouse", "Initialize");
    log.Pointer(instance).Pointer(window).Unsigned(effectSlots).Signed(foregroundOnly);
    std::string why =
        OpenDevice(TacAccess::State(this), instance, window, effectSlots, foregroundOnly);
    if (!why.empty())
        LogNote("error: " + why);
    return log.Result(why.empty());
}
