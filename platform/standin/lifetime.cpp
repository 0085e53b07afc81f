#include "platform/standin/lifetime.h"

#include "platform/standin/directdraw.h"
#include "platform/standin/platform_state.h"

namespace zorbel::standin {

namespace {

void TearDown(Platform &platform)
{
    DestroyAllDirectDrawObjects();
    platform.claims.clear();
    for (Window &window : platform.windows)
        if (window.used && window.native != nullptr && platform.host)
            platform.host->DestroyNativeWindow(window);
    platform.host.reset();
}

} // namespace

void ResetPlatform(std::unique_ptr<Host> host)
{
    TearDown(State());
    State() = Platform{};
    State().host = std::move(host);
}

void ShutdownPlatform() { TearDown(State()); }

} // namespace zorbel::standin
