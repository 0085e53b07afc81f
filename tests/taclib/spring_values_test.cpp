// Spring values: the public calls' arguments, the "keep" marker of a change,
// and the screen size a device's units are reckoned against. The values in a
// device's units are read at the kernel interface (tests/evdev).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "device_mapping.h"
#include "spring_params.h"
#include "taclib_test_support.h"

namespace {

using taclib::ApplyChange;
using taclib::ChangeArgs;
using taclib::SpringArgs;
using taclib::SpringFromArgs;
using taclib::SpringParams;

// 0x80000000 as the program's compiler hands it over in a long: positive
// where long has 64 bits, INT32_MIN where it has 32.
constexpr std::int64_t kKeep64 = 0x80000000LL;
constexpr std::int64_t kKeep32 = -0x80000000LL;
constexpr std::uint64_t kKeepUnsigned = 0x80000000ULL;

SpringParams Spring()
{
    SpringParams p;
    SpringArgs builtIn{512, 384, 1000, 10000, 0, 3, 0, 0, 0};
    std::string why;
    EXPECT_TRUE(SpringFromArgs(builtIn, &p, &why)) << why;
    p.deadband = 7;
    p.trimX = -2;
    p.trimY = 5;
    return p;
}

bool Same(const SpringParams &a, const SpringParams &b)
{
    return a.centreX == b.centreX && a.centreY == b.centreY && a.stiffness == b.stiffness &&
           a.saturation == b.saturation && a.deadband == b.deadband && a.axes == b.axes &&
           a.trimX == b.trimX && a.trimY == b.trimY && a.durationMs == b.durationMs;
}

// Each argument changes its own value only, whichever way the keep marker is
// encoded; a refused change changes nothing, not even its valid centre.
TEST(SpringChange, OnlyTheGivenValuesChange)
{
    struct Case {
        const char *what;
        ChangeArgs args;
        void (*expect)(SpringParams *); // null: refused
    };
    std::uint64_t const u = kKeepUnsigned;
    for (std::int64_t const k : {kKeep64, kKeep32}) {
        const Case cases[] = {
            {"the centre",
             {700, 20, k, u, u, k, k},
             [](SpringParams *p) {
                 p->centreX = 700;
                 p->centreY = 20;
             }},
            {"centre x only",
             {INT32_MIN, 0, k, u, u, k, k},
             [](SpringParams *p) { p->centreY = 0; }},
            {"centre y only",
             {9, INT32_MIN, k, u, u, k, k},
             [](SpringParams *p) { p->centreX = 9; }},
            {"stiffness",
             {INT32_MIN, INT32_MIN, -300, u, u, k, k},
             [](SpringParams *p) { p->stiffness = -300; }},
            {"saturation",
             {INT32_MIN, INT32_MIN, k, 0, u, k, k},
             [](SpringParams *p) { p->saturation = 0; }},
            {"deadband",
             {INT32_MIN, INT32_MIN, k, u, 40, k, k},
             [](SpringParams *p) { p->deadband = 40; }},
            {"trim x",
             {INT32_MIN, INT32_MIN, k, u, u, 0, k},
             [](SpringParams *p) { p->trimX = 0; }},
            {"trim y",
             {INT32_MIN, INT32_MIN, k, u, u, k, -10000},
             [](SpringParams *p) { p->trimY = -10000; }},
            {"stiffness over", {1, 1, 10001, u, u, k, k}, nullptr},
            {"saturation over", {1, 1, k, 10001, u, k, k}, nullptr},
            {"deadband over", {1, 1, k, u, 10001, k, k}, nullptr},
            {"trim x under", {1, 1, k, u, u, -10001, k}, nullptr},
            {"trim y over", {1, 1, k, u, u, k, 10001}, nullptr},
            {"stiffness past 32 bits",
             {1, 1, std::int64_t{1} << 40, u, u, k, k},
             nullptr}, // a 64-bit long only
            {"saturation past 32 bits", {1, 1, k, std::uint64_t{1} << 32, u, k, k}, nullptr},
        };
        for (const Case &c : cases) {
            SpringParams p = Spring();
            SpringParams expected = p;
            if (c.expect != nullptr)
                c.expect(&expected);
            std::string why;
            EXPECT_EQ(ApplyChange(c.args, &p, &why), c.expect != nullptr) << c.what << ": " << why;
            EXPECT_TRUE(Same(p, expected)) << c.what << ", keep encoded as " << k;
        }
    }
}

// Arguments that no value of a field can hold: the limits themselves are
// checked with the project's.
TEST(SpringArgs, ArgumentsBeyondTheirFieldsAreRefused)
{
    struct Case {
        SpringArgs args;
        bool ok;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, 0}, false}, // a spring along no axis
        {{0, 0, 0, 0, 0, 4, 0, 0, 0}, false},
        {{0, 0, 0, 0, 0, 0x100000001ULL, 0, 0, 0}, false}, // must not wrap to axis 1
        {{0, 0, 0, 0, 0, 1, 0, 0, 0x100000000ULL}, false},
        {{INT32_MIN, INT32_MAX, 0, 0, 0, 1, 0, 0, 0}, true},
    };
    for (const Case &c : cases) {
        SpringParams p;
        std::string why;
        EXPECT_EQ(SpringFromArgs(c.args, &p, &why), c.ok) << "case " << &c - cases << ": " << why;
    }
}

TEST(DeviceMapping, ScreenSizeFromTheEnvironment)
{
    struct Case {
        const char *value;
        bool ok;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {"800x600", true, 800, 600},    {"65535x1", true, 65535, 1}, {"0x600", false, 0, 0},
        {"800x", false, 0, 0},          {"x600", false, 0, 0},       {"800x600x", false, 0, 0},
        {"65536x10", false, 0, 0},      {"800X600", false, 0, 0},    {"", false, 0, 0},
        {"99999999999x1", false, 0, 0},
    };
    for (const Case &c : cases) {
        taclib_test::ScopedEnv env("TACLIB_SCREEN", std::string(c.value));
        taclib::ScreenSize size{-1, -1};
        EXPECT_EQ(taclib::ScreenFromEnvironment(&size), c.ok) << c.value;
        // A refused value leaves the size as it was.
        EXPECT_EQ(size.width, c.ok ? c.width : -1) << c.value;
        EXPECT_EQ(size.height, c.ok ? c.height : -1) << c.value;
    }
}

} // namespace
