#include "device_mapping.h"

#include <algorithm>
#include <cstdlib>

#include "backend.h"
#include "common/text.h"
#include "spring_params.h"

namespace taclib {

namespace {

bool ParseExtent(const char *s, const char **end, std::int32_t *out)
{
    std::int64_t v = 0;
    const char *c = s;
    while (*c >= '0' && *c <= '9' && v <= 65535)
        v = v * 10 + (*c++ - '0');
    *end = c;
    if (c == s || v < 1 || v > 65535)
        return false;
    *out = static_cast<std::int32_t>(v);
    return true;
}

} // namespace

bool ScreenFromEnvironment(ScreenSize *out, std::string *why)
{
    const char *text = std::getenv("TACLIB_SCREEN");
    if (text == nullptr)
        return false;
    ScreenSize size;
    const char *rest = text;
    if (!ParseExtent(rest, &rest, &size.width) || *rest++ != 'x' ||
        !ParseExtent(rest, &rest, &size.height) || *rest != '\0') {
        if (why != nullptr)
            *why = "TACLIB_SCREEN=" + zorbel::Quoted(text, '"', kShownChoice) +
                   " is not WIDTHxHEIGHT, each 1 to 65535: ignored";
        return false;
    }
    *out = size;
    return true;
}

std::int32_t MapPosition(std::int64_t pixel, std::int32_t extent, std::int32_t half)
{
    if (extent <= 0)
        return 0;
    std::int64_t clamped = std::clamp<std::int64_t>(pixel, 0, extent);
    std::int64_t device = (2 * clamped - extent) * half / extent;
    return static_cast<std::int32_t>(device);
}

std::int32_t MapDistance(std::uint32_t pixels, std::int32_t extent, std::int32_t half,
                         std::int32_t max)
{
    if (extent <= 0)
        return 0;
    std::int64_t device = std::int64_t{pixels} * 2 * half / extent;
    return static_cast<std::int32_t>(std::min<std::int64_t>(device, max));
}

std::int32_t MapLevel(std::int32_t level, std::int32_t full)
{
    std::int64_t clamped = std::clamp<std::int64_t>(level, -kMaxLevel, kMaxLevel);
    return static_cast<std::int32_t>(clamped * full / kMaxLevel);
}

} // namespace taclib
