// Resource scripts, icons and the resource calls of the stand-in layer.
#include "platform/tools/icon_decode.h"
#include "platform/tools/rc_script.h"
#include "platform/standin/resources.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

namespace zorbel::test {
namespace {

using standin::ParseRcScript;
using standin::RcScript;

// Parses `text` as /res/app.rc, the only file there is.
bool Parse(const std::string &text, RcScript *script, std::string *error)
{
    return ParseRcScript(
        "/res/app.rc",
        [&](const std::string &path, std::string *contents) {
            *contents = text;
            return path == "/res/app.rc";
        },
        script, error);
}

TEST(RcScriptTest, AnythingItCannotServeIsAnErrorNamingTheLine)
{
    struct Case {
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {"1 BITMAP \"x.bmp\"\n", "app.rc:1: resource type BITMAP"},
        {"1 ACCELERATORS\nBEGIN\n VK_NOPE, 1, VIRTKEY\nEND\n",
         "app.rc:3: unknown accelerator key VK_NOPE"},
        {"1 ACCELERATORS\nBEGIN\n VK_ESCAPE, 1, VIRTKEY\n", "without END"},
        {"#include \"missing.h\"\n", "missing.h:0: cannot read"},
        {"#include \"app.rc\"\n", "nested too deeply"},
    };
    for (const Case &c : cases) {
        RcScript script;
        std::string error;
        EXPECT_FALSE(Parse(c.text, &script, &error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " gave: " << error;
    }
}

// A 2 x 2 icon, 8 bits per pixel: palette red and blue, one pixel masked.
std::vector<unsigned char> TinyIcon()
{
    std::vector<unsigned char> ico = {0, 0, 1, 0, 1,  0,        // directory: one image
                                      2, 2, 0, 0, 1,  0, 8, 0,  // 2 x 2, 8 bpp
                                      0, 0, 0, 0, 22, 0, 0, 0}; // size (set below), offset 22
    const unsigned char header[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 8, 0};
    ico.insert(ico.end(), header, header + 40);
    std::vector<unsigned char> palette(256 * 4, 0); // blue, green, red, unused
    palette[1 * 4 + 2] = 255;
    palette[2 * 4 + 0] = 255;
    ico.insert(ico.end(), palette.begin(), palette.end());
    // Rows bottom-up, 4 bytes each: bottom row (1, 2), top row (2, 1).
    const unsigned char pixels[8] = {1, 2, 0, 0, 2, 1, 0, 0};
    ico.insert(ico.end(), pixels, pixels + 8);
    // Mask rows bottom-up: bottom-left pixel transparent.
    const unsigned char mask[8] = {0x80, 0, 0, 0, 0, 0, 0, 0};
    ico.insert(ico.end(), mask, mask + 8);
    const std::size_t size = ico.size() - 22;
    ico[14] = static_cast<unsigned char>(size & 0xFF);
    ico[15] = static_cast<unsigned char>(size >> 8);
    return ico;
}

TEST(IconTest, DecodesPaletteImagesWithTheirMask)
{
    const std::vector<unsigned char> ico = TinyIcon();
    standin::IconImage image;
    ASSERT_TRUE(standin::DecodeIcon(ico.data(), ico.size(), &image));
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.argb[0], 0xFF0000FFu) << "top-left blue";
    EXPECT_EQ(image.argb[1], 0xFFFF0000u) << "top-right red";
    EXPECT_EQ(image.argb[2] >> 24, 0u) << "bottom-left masked";
    EXPECT_EQ(image.argb[3], 0xFF0000FFu);
}

TEST(IconTest, MalformedIconsAreRefusedAtEveryCut)
{
    const std::vector<unsigned char> ico = TinyIcon();
    standin::IconImage image;
    for (std::size_t size = 0; size < ico.size(); ++size)
        EXPECT_FALSE(standin::DecodeIcon(ico.data(), size, &image)) << size;
    std::vector<unsigned char> bad = ico;
    bad[22 + 14] = 7; // 7 bits per pixel
    EXPECT_FALSE(standin::DecodeIcon(bad.data(), bad.size(), &image));
    bad = ico;
    bad[18] = 0xF0; // image offset far outside
    EXPECT_FALSE(standin::DecodeIcon(bad.data(), bad.size(), &image));
    EXPECT_FALSE(standin::DecodeIcon(nullptr, 100, &image));
}

#ifdef ZORBEL_HAS_PROGRAM_RESOURCES
// Linked in from the program's script by zorbel_standin_resources, which
// reads the script and decodes its largest icon when the program is built.
// Its Escape accelerator is checked with the program's run.
TEST(ProgramResourcesTest, TheProgramsIconIsThere)
{
    testing::Reset();
    const HINSTANCE instance = testing::ProcessInstance();
    const standin::IconImage *icon = standin::IconOf(LoadIconA(instance, MAKEINTRESOURCEA(107)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 48);
    EXPECT_EQ(icon->argb.size(), 48u * 48u);
    // Only what was registered, by number and for the program's module; of
    // cursors, only the system arrow.
    EXPECT_EQ(testing::HandleName(LoadIconA(instance, MAKEINTRESOURCEA(107))), "icon107");
    EXPECT_EQ(LoadIconA(instance, MAKEINTRESOURCEA(108)), nullptr);
    EXPECT_EQ(LoadIconA(instance, "IDI_ZORBEL"), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(107)), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}
#endif

} // namespace
} // namespace zorbel::test
