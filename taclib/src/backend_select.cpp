#include <cstdlib>
#include <cstring>

#include "backend.h"
#include "common/text.h"
#include "notice.h"

namespace taclib {

std::unique_ptr<Backend> OpenBackend(const OpenRequest &request, std::string *why)
{
    const char *choice = std::getenv("TACLIB_DEVICE");
    if (choice == nullptr || *choice == '\0')
        return OpenPlatformBackend(request, why);
    if (std::strcmp(choice, "sim") == 0)
        return OpenSimulatedBackend(request, why);
    if (std::strcmp(choice, "none") == 0) {
        *why = "TACLIB_DEVICE=none";
    } else {
        // A misspelt choice must not silently pick real hardware.
        *why = "TACLIB_DEVICE is neither sim nor none";
        Notice("TACLIB_DEVICE=" + zorbel::Quoted(choice, '"', kShownChoice) +
               " is neither sim nor none (nor empty): no force feedback");
    }
    return nullptr;
}

} // namespace taclib
