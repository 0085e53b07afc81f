// Starting the stand-in layer afresh and ending it.
#pragma once

#include "platform/standin/host.h"

#include <memory>

namespace zorbel::standin {

// Tears everything down and starts afresh with this host (null: the SDL host
// when first needed).
void ResetPlatform(std::unique_ptr<Host> host);
// Releases native resources at process exit.
void ShutdownPlatform();

} // namespace zorbel::standin
